#include "zeroing/TPreShoot.h"

#include "core/Conversions.h"
#include "core/Product.h"
#include "core/ProgramState.h"
#include "platform/FittedLabel.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace ryvo {

namespace {

constexpr int kTargetSize = 505;
constexpr int kSmallestTarget = 200;
constexpr int kSignalWidth = 254;
constexpr int kSignalHeight = 30;
constexpr int kPointerSize = 31;
constexpr int kInfoLines = 6;
constexpr QRgb kMeanPointColour = qRgb(0, 90, 255);

// A ring with a cross through it: the point to shoot at is its centre.
QPixmap PointerPixmap() {
    QPixmap pixmap(kPointerSize, kPointerSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 160, 0), 3));
    p.drawEllipse(QRectF(3.5, 3.5, 24, 24));
    p.setPen(QPen(QColor(0, 160, 0), 1));
    p.drawLine(15, 0, 15, 30);
    p.drawLine(0, 15, 30, 15);
    return pixmap;
}

} // namespace

// The cross on the mean point: a thin blue cross, apart from the black and red holes and the
// green pointer, its arms a few hole radii long so that it does not hide the group.
class MeanPointCross final : public QWidget {
public:
    explicit MeanPointCross(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("MeanPoint"));
        setAccessibleName(QStringLiteral("MeanPoint"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        hide();
    }
    // Arm length in pixels for a target picture `width` pixels wide.
    static int Arm(int width) {
        const double holeRadius = static_cast<double>(kShotMarkRadius) * width * 0.005;
        return std::max(6, static_cast<int>(std::lround(3.0 * holeRadius)));
    }
    void PlaceAt(QPoint centre, int targetWidth) {
        const int arm = Arm(targetWidth);
        setGeometry(centre.x() - arm, centre.y() - arm, 2 * arm + 1, 2 * arm + 1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int c = width() / 2;
        p.setPen(QPen(QColor(kMeanPointColour), 1));
        p.drawLine(0, c, width() - 1, c);
        p.drawLine(c, 0, c, height() - 1);
        p.drawLine(0, c - 1, width() - 1, c - 1);
        p.drawLine(c - 1, 0, c - 1, height() - 1);
    }
};

// The room the target picture may take; tells when it changes size.
class ZeroingPanel final : public QWidget {
public:
    std::function<void()> onResized;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (onResized) {
            onResized();
        }
    }
};

TPreShoot::TPreShoot(ProgramState& state, const Services& services, QWidget* parent)
    : ExercisePage(QStringLiteral("TPreShoot"), QStringLiteral("Пристрелка"), parent),
      PanelForwarding(this, TargetPanelWidgets::Sizing::Fixed), m_state(state),
      m_run(state, services, *this) {
    TargetPanelWidgets& view = Panel();
    auto* root = new QHBoxLayout(this);

    auto* panel = new ZeroingPanel;
    m_panel = Named(static_cast<QWidget*>(panel), "Panel1");
    m_panel->setMinimumSize(kSmallestTarget, kSmallestTarget);
    m_panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_targetView =
        new PictureWidget("Target", QSize(kTargetSize, kTargetSize), kButtonFace, m_panel);
    view.SetPicture(ViewPicture::Target, m_targetView);
    // Zeroing draws no miss arrow; the panel's picture for it stays off screen.
    auto* failArrow = new PictureWidget("FailArrow", QSize(1, 1), kButtonFace, this);
    failArrow->hide();
    view.SetPicture(ViewPicture::FailArrow, failArrow);
    root->addWidget(m_panel, 1);

    // Markers 20 x 20 at their base size; zeroing shows no trigger-jerk point, its marker is
    // kept for the layout of the window.
    view.AddMarkers({"Gun2", "PostGun2", "LeftArrow", "RightArrow", "UpArrow", "DownArrow"}, 20);
    m_pointer = Named(new QLabel(m_targetView), "Pointer1");
    m_pointer->setPixmap(PointerPixmap());
    m_pointer->setFixedSize(kPointerSize, kPointerSize);
    m_pointer->setAttribute(Qt::WA_TranslucentBackground);
    m_pointer->hide();
    m_meanPoint = new MeanPointCross(m_targetView);

    auto* side = new QVBoxLayout;
    root->addLayout(side, 0);

    auto* infoGroup = Named(new QGroupBox(QStringLiteral("Информация")), "InfoGroup");
    auto* infoLayout = new QVBoxLayout(infoGroup);
    // The longest message (a file that could not be written, with its path) wraps within
    // these lines rather than pushing the exits below the screen.
    m_info = Named(new FittedLabel(kInfoLines), "Info");
    m_info->setText(
        QStringLiteral("Выберите номер мишени и точку, по которой будут произведены выстрелы."));
    m_info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_info->setMinimumWidth(kSignalWidth);
    infoLayout->addWidget(m_info);
    side->addWidget(infoGroup);

    m_buttons = Named(new QGroupBox(QStringLiteral("Параметры пристрелки")), "GroupBox1");
    m_buttons->setFocusPolicy(Qt::StrongFocus);
    auto* grid = new QGridLayout(m_buttons);
    auto button = [this](ZeroingControl control, const char* name, const QString& caption,
                         void (TPreShoot::*handler)()) {
        auto* w = Named(new QPushButton(caption), name);
        connect(w, &QPushButton::clicked, this, handler);
        m_controls[control] = w;
        return w;
    };
    grid->addWidget(button(ZeroingControl::ButUp, "ButUp", QStringLiteral("Верхний край"),
                           &TPreShoot::ButUpClick),
                    0, 1);
    grid->addWidget(button(ZeroingControl::ButLeft, "ButLeft", QStringLiteral("Левый край"),
                           &TPreShoot::ButLeftClick),
                    1, 0);
    grid->addWidget(button(ZeroingControl::ButCent, "ButCent", QStringLiteral("Центр"),
                           &TPreShoot::ButCentClick),
                    1, 1);
    grid->addWidget(button(ZeroingControl::ButRight, "ButRight", QStringLiteral("Правый край"),
                           &TPreShoot::ButRightClick),
                    1, 2);
    grid->addWidget(button(ZeroingControl::ButDown, "ButDown", QStringLiteral("Нижний край"),
                           &TPreShoot::ButDownClick),
                    2, 1);
    grid->addWidget(button(ZeroingControl::ButLoad, "ButLoad",
                           QStringLiteral("Восстановить из файла"), &TPreShoot::ButLoadClick),
                    3, 0, 1, 3);
    grid->addWidget(button(ZeroingControl::Button2, "Button2", QStringLiteral("Записать в файл"),
                           &TPreShoot::Button2Click),
                    4, 0, 1, 3);
    side->addWidget(m_buttons);

    auto* signalBox = Named(new QGroupBox(QStringLiteral("Сигнал")), "Signal");
    auto* signalLayout = new QVBoxLayout(signalBox);
    auto* signal = new PictureWidget("SignalI", QSize(kSignalWidth, kSignalHeight));
    view.SetPicture(ViewPicture::SignalI, signal);
    signalLayout->addWidget(signal);
    m_sigText = Named(new QLabel, "SigText");
    view.AddText(ViewText::SigText, m_sigText);
    signalLayout->addWidget(m_sigText);
    side->addWidget(signalBox);

    auto* laneRow = new QHBoxLayout;
    laneRow->addWidget(
        Named(new QLabel(QStringLiteral("Номер мишени для пристрелки")), "StaticText1"));
    m_edit1 = Named(new QLineEdit(QStringLiteral("1")), "Edit1");
    m_edit1->setMaximumWidth(48);
    laneRow->addWidget(m_edit1);
    auto* upDown1 = Named(new QWidget, "UpDown1");
    auto* upDownLayout = new QVBoxLayout(upDown1);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    auto* up = new QToolButton;
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton;
    down->setArrowType(Qt::DownArrow);
    upDownLayout->addWidget(up);
    upDownLayout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { UpDown1Click(1); });
    connect(down, &QToolButton::clicked, this, [this] { UpDown1Click(-1); });
    laneRow->addWidget(upDown1);
    laneRow->addStretch(1);
    side->addLayout(laneRow);

    // A shooter's own zero: the name is preset from the lane's shooter and may be typed.
    auto* shooterRow = new QHBoxLayout;
    shooterRow->addWidget(Named(new QLabel(QStringLiteral("Стрелок")), "ShooterLabel"));
    m_shooterName = Named(new QLineEdit, "ShooterName");
    shooterRow->addWidget(m_shooterName, 1);
    side->addLayout(shooterRow);
    m_shooterNote = Named(new QLabel, "ShooterZeroNote");
    m_shooterNote->setWordWrap(true);
    side->addWidget(m_shooterNote);
    side->addWidget(button(ZeroingControl::SaveForShooter, "SaveForShooter",
                           QStringLiteral("Сохранить для стрелка"),
                           &TPreShoot::SaveForShooterClick));
    connect(m_edit1, &QLineEdit::textChanged, this, [this] { m_run.LaneNumberChanged(); });
    connect(m_shooterName, &QLineEdit::textEdited, this, [this] { m_run.ShooterNameChanged(); });

    side->addWidget(button(ZeroingControl::ButShoot, "ButShoot",
                           QStringLiteral("Произвести выстрел"), &TPreShoot::ButShootClick));
    m_controls[ZeroingControl::ButShoot]->setEnabled(false);
    side->addStretch(1);
    side->addWidget(button(ZeroingControl::ExitSave, "ExitSave",
                           QStringLiteral("Сохранить и выйти"), &TPreShoot::ExitSaveClick));
    side->addWidget(button(ZeroingControl::Exit1, "Exit1", QStringLiteral("Выход без сохранения"),
                           &TPreShoot::Exit1Click));

    Ticks().Drive(*this);
    Ticks().onIdle = [this] {
        FlushDisplay();
        FitTarget();
    };
    panel->onResized = [this] { FitTarget(); };
}

TPreShoot::~TPreShoot() = default;

void TPreShoot::FormActivate() {
    FitTarget();
    m_run.FormActivate();
    FlushDisplay();
}

void TPreShoot::resizeEvent(QResizeEvent* event) {
    ExercisePage::resizeEvent(event);
    // Texts read from the firing line grow with the window.
    QFont font = m_info->font();
    font.setPixelSize(std::max(13, height() / 40));
    m_info->setFont(font);
    m_sigText->setFont(font);
}

void TPreShoot::FitTarget() {
    if (!m_run.Idle()) {
        return;
    }
    const int side = std::max(kSmallestTarget, std::min(m_panel->width(), m_panel->height()));
    if (side != m_targetView->width()) {
        m_targetView->ResizeImage(QSize(side, side));
        m_run.RedrawTarget();
    }
    Panel().PlaceArrows();
}

template <typename F> void TPreShoot::Handle(F&& handler) {
    std::invoke(std::forward<F>(handler), m_run);
    Ticks().KeepTicking();
    FlushDisplay();
}

void TPreShoot::ButCentClick() {
    Handle(&ZeroingRun::ButCentClick);
}
void TPreShoot::ButLeftClick() {
    Handle(&ZeroingRun::ButLeftClick);
}
void TPreShoot::ButRightClick() {
    Handle(&ZeroingRun::ButRightClick);
}
void TPreShoot::ButUpClick() {
    Handle(&ZeroingRun::ButUpClick);
}
void TPreShoot::ButDownClick() {
    Handle(&ZeroingRun::ButDownClick);
}
void TPreShoot::ButShootClick() {
    Handle(&ZeroingRun::ButShootClick);
}
void TPreShoot::ButLoadClick() {
    Handle(&ZeroingRun::ButLoadClick);
}
void TPreShoot::Button2Click() {
    Handle(&ZeroingRun::Button2Click);
}
void TPreShoot::ExitSaveClick() {
    Handle(&ZeroingRun::ExitSaveClick);
}
void TPreShoot::Exit1Click() {
    Handle(&ZeroingRun::Exit1Click);
}
void TPreShoot::SaveForShooterClick() {
    Handle(&ZeroingRun::SaveForShooterClick);
}

void TPreShoot::UpDown1Click(int step) {
    // A number typed into the edit is where the up-down goes on from.
    if (const auto typed = StrToInt(m_edit1->text());
        typed && *typed >= 1 && *typed <= kLaneCount) {
        m_upDown1Position = *typed;
    }
    m_upDown1Position = std::clamp(m_upDown1Position + step, 1, kLaneCount);
    m_edit1->setText(QString::number(m_upDown1Position));
}

void TPreShoot::Tick() {
    // A message box shown from within a tick runs the event loop, and the tick timer with it.
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    m_run.Tick();
    m_inTick = false;
}

void TPreShoot::SetInfo(const QString& text) {
    m_info->setText(text);
}

void TPreShoot::SetControlEnabled(ZeroingControl control, bool enabled) {
    m_controls.at(control)->setEnabled(enabled);
}

bool TPreShoot::IsControlEnabled(ZeroingControl control) const {
    return m_controls.at(control)->isEnabled();
}

void TPreShoot::ShowPointer(QPoint topLeft) {
    m_pointer->move(topLeft);
    m_pointer->show();
    // Return and Space end the measurement: they must not reach a button.
    FocusButtons();
}

void TPreShoot::HidePointer() {
    m_pointer->hide();
}

void TPreShoot::ShowMeanPoint(QPoint centre) {
    m_meanPoint->PlaceAt(centre, m_targetView->width());
    m_meanPoint->raise();
    m_meanPoint->show();
}

void TPreShoot::HideMeanPoint() {
    m_meanPoint->hide();
}

int TPreShoot::PointerSize() const {
    return m_pointer->width();
}

QString TPreShoot::LaneNumberText() const {
    return m_edit1->text();
}

QString TPreShoot::ShooterNameText() const {
    return m_shooterName->text();
}

void TPreShoot::SetShooterName(const QString& name) {
    m_shooterName->setText(name);
}

void TPreShoot::SetShooterNote(const QString& text) {
    m_shooterNote->setText(text);
}

void TPreShoot::FocusButtons() {
    m_buttons->setFocus();
}

} // namespace ryvo
