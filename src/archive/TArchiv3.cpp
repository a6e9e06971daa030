#include "archive/TArchiv3.h"

#include "archive/Printing.h"
#include "core/ProgramState.h"
#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/Widgets.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace ryvo {

namespace {

constexpr int kDesignTargetSide = 547;
constexpr int kArrowSide = 21;

// The word "Промах" in red letters, 150 x 38, shown stretched to 177 x 21.
QPixmap FailPicture() {
    QPixmap pixmap(150, 38);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::red);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Промах"));
    return pixmap;
}

QLabel* Value(const char* name, QWidget* parent) {
    auto* label = Named(new QLabel(parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

// Shows an image canvas as it is.
class TArchiv3::Picture final : public QWidget {
public:
    Picture(const std::unique_ptr<ImageCanvas>& canvas, const char* name, QWidget* parent)
        : QWidget(parent), m_canvas(canvas) {
        setObjectName(QString::fromLatin1(name));
        setAccessibleName(QString::fromLatin1(name));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, m_canvas->Image());
    }

private:
    const std::unique_ptr<ImageCanvas>& m_canvas;
};

namespace {

// Keeps the target square and as large as the area lets it be.
class SquareArea final : public QWidget {
public:
    SquareArea(QWidget* child, std::function<void(int)> resized, QWidget* parent)
        : QWidget(parent), m_child(child), m_resized(std::move(resized)) {
        child->setParent(this);
        setMinimumSize(200, 200);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    [[nodiscard]] QSize sizeHint() const override { return {kDesignTargetSide, kDesignTargetSide}; }

protected:
    void resizeEvent(QResizeEvent*) override {
        const int side = std::min(width(), height());
        m_child->setGeometry((width() - side) / 2, (height() - side) / 2, side, side);
        m_resized(side);
    }

private:
    QWidget* m_child;
    std::function<void(int)> m_resized;
};

} // namespace

TArchiv3::TArchiv3(ProgramState& state, const Services& services, QWidget* parent)
    : Page(QStringLiteral("TArchiv3"), QStringLiteral("Мишень"), parent), m_state(state),
      m_services(services), m_view(state),
      m_target(std::make_unique<ImageCanvas>(kDesignTargetSide, kDesignTargetSide)),
      m_arrow(std::make_unique<ImageCanvas>(kArrowSide, kArrowSide, kButtonFace)) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    setFont(font);

    auto* info = Named(new QGroupBox(QStringLiteral("Информация"), this), "InfoG");
    auto* grid = new QGridLayout(info);
    auto pair = [&](const char* captionName, const QString& caption, QLabel* value) {
        const int row = grid->rowCount();
        grid->addWidget(Named(new QLabel(caption, info), captionName), row, 0);
        grid->addWidget(value, row, 1);
    };
    auto heading = [&](const char* name, const QString& text) {
        auto* label = Named(new QLabel(text, info), name);
        QFont f = label->font();
        f.setUnderline(true);
        label->setFont(f);
        grid->addWidget(label, grid->rowCount(), 0, 1, 2);
    };
    m_group = Value("Group", info);
    m_shooter = Value("Shooter", info);
    m_numShoots = Value("NumShoots", info);
    m_time = Value("Time", info);
    m_numShoots2 = Value("NumShoots2", info);
    m_time2 = Value("Time2", info);
    m_sym = Value("Sym", info);
    pair("GroupT", QStringLiteral("Группа:"), m_group);
    pair("ShooterT", QStringLiteral("Стрелок:"), m_shooter);
    heading("Exec", QStringLiteral("Упражнение:"));
    pair("NumShootsT", QStringLiteral("Число выстрелов:"), m_numShoots);
    pair("TimeT", QStringLiteral("Время стрельбы:"), m_time);
    auto* bevel = Named(new QFrame(info), "Bevel1");
    bevel->setFrameShape(QFrame::HLine);
    grid->addWidget(bevel, grid->rowCount(), 0, 1, 2);
    heading("Made", QStringLiteral("Произведено:"));
    pair("NumShoots2T", QStringLiteral("Число выстрелов:"), m_numShoots2);
    pair("Time2T", QStringLiteral("Время стрельбы:"), m_time2);
    pair("SymT", QStringLiteral("Сумма:"), m_sym);
    // A course's record only.
    m_course = Value("Course", info);
    m_grade = Value("Grade", info);
    pair("CourseT", QStringLiteral("Курс:"), m_course);
    m_courseCaption = grid->itemAtPosition(grid->rowCount() - 1, 0)->widget();
    pair("GradeT", QStringLiteral("Оценка:"), m_grade);
    m_gradeCaption = grid->itemAtPosition(grid->rowCount() - 1, 0)->widget();
    grid->setColumnStretch(1, 1);

    auto* commBox = Named(new QGroupBox(QStringLiteral("Комментарий"), this), "CommG");
    auto* commLayout = new QVBoxLayout(commBox);
    m_comm = Value("Comm", commBox);
    m_comm->setWordWrap(true);
    commLayout->addWidget(m_comm);

    auto* figuresBox = Named(new QGroupBox(QStringLiteral("Кучность"), this), "GroupFiguresG");
    auto* figuresLayout = new QVBoxLayout(figuresBox);
    m_figures = new QLabel(figuresBox);
    m_figures->setObjectName(QStringLiteral("GroupFigures"));
    // Known to accessibility tools by this name; the figures are its description.
    m_figures->setAccessibleName(QStringLiteral("GroupFigures"));
    m_figures->setWordWrap(true);
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The lines wrap to the column the other boxes make, so the target keeps its room.
    m_figures->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    figuresLayout->addWidget(m_figures);
    m_courseLines = Named(new QLabel(figuresBox), "CourseLines");
    m_courseLines->setWordWrap(true);
    m_courseLines->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_courseLines->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    figuresLayout->addWidget(m_courseLines);

    m_viewShoots = Named(new QPushButton(kViewShootsCaption, this), "ViewShoots");
    m_hint = Named(new QLabel(QStringLiteral("Shift или эта кнопка — следующий выстрел, "
                                             "Esc — остановить"),
                              this),
                   "ViewHint");
    m_hint->setWordWrap(true);
    auto* replayControls = BuildReplayControls();
    m_printTarget = Named(new QPushButton(QStringLiteral("Печать"), this), "PrintTarget");
    m_exit = Named(new QPushButton(QStringLiteral("&Выход"), this), "Exit");

    auto* side = new QVBoxLayout;
    side->addWidget(info);
    side->addWidget(commBox);
    side->addWidget(figuresBox);
    side->addWidget(m_viewShoots);
    side->addWidget(m_hint);
    side->addLayout(replayControls);
    side->addWidget(m_printTarget);
    side->addStretch(1);
    side->addWidget(m_exit);

    auto* failPanel = Named(new QWidget(this), "GroupFail");
    auto* failLayout = new QHBoxLayout(failPanel);
    failLayout->setContentsMargins(0, 0, 0, 0);
    m_fail = Named(new QLabel(failPanel), "Fail");
    m_fail->setPixmap(FailPicture());
    m_fail->setScaledContents(true);
    m_fail->setFixedSize(177, 21);
    m_fail->setAttribute(Qt::WA_TranslucentBackground);
    m_fail->hide();
    m_arrowView = new Picture(m_arrow, "FailArrow", failPanel);
    m_arrowView->setFixedSize(kArrowSide, kArrowSide);
    m_arrowView->hide();
    failLayout->addStretch(1);
    failLayout->addWidget(m_fail);
    failLayout->addWidget(m_arrowView);
    failLayout->addStretch(1);
    failPanel->setFixedHeight(kArrowSide + 4);

    m_targetView = new Picture(m_target, "Target", this);
    m_targetArea = new SquareArea(
        m_targetView, [this](int side) { ResizeTarget(side); }, this);
    m_libraryNote = Named(new QLabel(this), "LibraryNote");
    m_libraryNote->hide();

    auto* targetColumn = new QVBoxLayout;
    targetColumn->addWidget(failPanel);
    targetColumn->addWidget(m_targetArea, 1);
    targetColumn->addWidget(m_libraryNote);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addLayout(targetColumn, 1);

    connect(m_viewShoots, &QPushButton::clicked, this, &TArchiv3::ViewShootsClick);
    if (services.clock != nullptr) {
        m_player.SetClock(*services.clock);
    }
    connect(m_printTarget, &QPushButton::clicked, this, &TArchiv3::PrintTargetClick);
    connect(m_exit, &QPushButton::clicked, this, &TArchiv3::ExitClick);
}

TArchiv3::~TArchiv3() = default;

const QImage& TArchiv3::TargetImage() const {
    return m_target->Image();
}

const QImage& TArchiv3::ArrowImage() const {
    return m_arrow->Image();
}

void TArchiv3::ResizeTarget(int side) {
    if (side <= 0 || side == m_target->Width()) {
        return;
    }
    m_target = std::make_unique<ImageCanvas>(side, side);
    Redraw();
}

void TArchiv3::Redraw() {
    ShowReplayState();
    m_viewShoots->setText(m_view.ButtonCaption());
    if (m_view.CaptionRed()) {
        QPalette palette = m_viewShoots->palette();
        palette.setColor(QPalette::ButtonText, Qt::red);
        m_viewShoots->setPalette(palette);
    }
    if (m_player.Playing()) {
        DrawReplayFrame(true);
        return;
    }
    const QString note = m_view.Render(*m_target);
    m_libraryNote->setText(note);
    m_libraryNote->setVisible(!note.isEmpty());
    m_view.RenderArrow(*m_arrow);
    m_fail->setVisible(m_view.MissShown());
    m_arrowView->setVisible(m_view.MissShown());
    m_targetView->update();
    m_arrowView->update();
}

void TArchiv3::DrawReplayFrame(bool shotChanged) {
    if (!m_player.Playing()) {
        Redraw();
        return;
    }
    if (shotChanged || !m_replayBackground || m_replayBackground->Width() != m_target->Width()) {
        ShowReplayState();
        m_replayBackground = std::make_unique<ImageCanvas>(m_target->Width(), m_target->Height());
        const QString note = m_view.Render(*m_replayBackground);
        m_libraryNote->setText(note);
        m_libraryNote->setVisible(!note.isEmpty());
        m_fail->setVisible(false);
        m_arrowView->setVisible(false);
    }
    const QImage& background = m_replayBackground->Image();
    m_target->StretchDraw(0, 0, background.width(), background.height(), background);
    m_player.DrawFrame(*m_target);
    m_targetView->update();
}

void TArchiv3::FormActivate() {
    m_view.Activate();
    LoadReplay();
    const ResultTexts& t = m_view.Texts();
    m_group->setText(t.Group);
    m_shooter->setText(t.Shooter);
    m_numShoots->setText(t.NumShoots);
    m_time->setText(t.Time);
    m_numShoots2->setText(t.NumShoots2);
    m_time2->setText(t.Time2);
    m_sym->setText(t.Sym);
    m_comm->setText(t.Comm);
    m_figures->setText(t.Figures);
    m_figures->setAccessibleDescription(t.Figures);
    const bool course = !t.Course.isEmpty();
    m_course->setText(t.Course);
    m_grade->setText(t.Grade);
    m_courseLines->setText(t.CourseLines);
    for (QWidget* w :
         {static_cast<QWidget*>(m_course), m_courseCaption, static_cast<QWidget*>(m_courseLines)}) {
        w->setVisible(course);
    }
    for (QWidget* w : {static_cast<QWidget*>(m_grade), m_gradeCaption}) {
        w->setVisible(course && !t.Grade.isEmpty());
    }
    Redraw();
    m_viewShoots->setFocus();
}

void TArchiv3::ViewShootsClick() {
    m_player.Stop();
    m_view.ViewShootsClick();
    Redraw();
}

bool TArchiv3::PreviewKey(int qtKey, const QString& /*text*/) {
    if (m_player.Playing() && qtKey == Qt::Key_Escape) {
        m_player.Stop();
        Redraw();
        return true;
    }
    if (!m_view.Stepping()) {
        return false;
    }
    if (qtKey == Qt::Key_Shift) {
        m_view.Next();
    } else if (qtKey == Qt::Key_Escape) {
        m_view.Stop();
    } else {
        return false;
    }
    Redraw();
    return true;
}

void TArchiv3::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() && PreviewKey(event->key(), event->text())) {
        event->accept();
        return;
    }
    Page::keyPressEvent(event);
}

void TArchiv3::PrintTargetClick() {
    if (m_services.printer == nullptr) {
        return;
    }
    const PrintOutcome outcome =
        PrintTarget(*m_services.printer, m_view.Record(), m_state.GroupName, m_state);
    if (const auto message = PrintOutcomeMessage(outcome); message && m_services.dialogs) {
        m_services.dialogs->Message(message->text, message->caption, message->icon,
                                    message->buttons);
    }
}

void TArchiv3::ExitClick() {
    // A replay left running would go on drawing behind the other windows.
    m_player.Stop();
    m_frames->stop();
    const QString back = std::exchange(m_returnTo, QStringLiteral("TArchiv2"));
    ActivateWindow(back);
}

} // namespace ryvo
