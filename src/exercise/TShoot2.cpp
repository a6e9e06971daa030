#include "exercise/TShoot2.h"

#include "exercise/SeriesPanel.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

// Until the window is laid out.
constexpr int kTargetSize = 363;
constexpr int kMinTargetSize = 200;
constexpr int kSignalWidth = 204;
constexpr int kSignalHeight = 20;
constexpr int kFailArrowSize = 30;
// The series panels between the targets: wide enough for their four columns.
constexpr int kSeriesWidth = 200;

// Point sizes at the base window size: values read from a distance, captions and buttons.
constexpr double kValuePoints = 16.0;
constexpr double kCaptionPoints = 11.0;

// The word for a miss: red letters on nothing, or black letters on red for a dark target.
QPixmap MissWord(bool dark, double s) {
    QPixmap pixmap = ScaledPixmap(145, 30, s);
    if (dark) {
        pixmap.fill(QColor(255, 0, 0));
    }
    QPainter p(&pixmap);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(std::max(1, pixmap.height() * 4 / 5));
    font.setBold(true);
    p.setFont(font);
    p.setPen(dark ? QColor(Qt::black) : QColor(255, 0, 0));
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Промах"));
    return pixmap;
}

} // namespace

// One shooter's side: the target with its markers, the signal bar and the statistics box.
class TShoot2::LaneView final : public PanelView {
public:
    explicit LaneView(DisplayBatch& display) : m_display(display) {}

    void SetText(ViewText text, const QString& value) override {
        if (const auto it = labels.find(text); it != labels.end()) {
            it->second->setText(value);
        }
    }
    void SetVisible(ViewItem item, bool visible) override {
        if (QWidget* w = Item(item); w != nullptr && w->isVisibleTo(w->parentWidget()) != visible) {
            w->setVisible(visible);
        }
    }
    void Place(ViewItem item, int left, int top) override {
        if (QWidget* w = Item(item)) {
            m_display.Place(w, QPoint(left, top));
        }
    }
    [[nodiscard]] QSize ItemSize(ViewItem item) const override {
        const QWidget* w = Item(item);
        return w != nullptr ? w->size() : QSize();
    }
    Canvas& Picture(ViewPicture picture) override { return View(picture)->Canvas(); }
    void Repaint(ViewPicture picture) override { m_display.Repaint(View(picture)); }
    void RepaintArea(ViewPicture picture, const QRect& area) override {
        m_display.RepaintArea(View(picture), area);
    }
    void Present() override { m_display.Present(); }
    [[nodiscard]] int SignalLength() const override { return sig->Canvas().Width(); }
    void ShotsChanged(const RunState& run, int lane) override { series->ShowShots(run, lane); }

    [[nodiscard]] QWidget* Item(ViewItem item) const {
        const auto it = items.find(item);
        return it != items.end() ? it->second : nullptr;
    }
    [[nodiscard]] PictureWidget* View(ViewPicture picture) const {
        switch (picture) {
        case ViewPicture::FailArrow:
            return failArrow;
        case ViewPicture::SignalI:
            return sig;
        case ViewPicture::Target:
            break;
        }
        return target;
    }

    PictureWidget* target = nullptr;
    PictureWidget* failArrow = nullptr;
    PictureWidget* sig = nullptr;
    SeriesPanel* series = nullptr;
    std::map<ViewText, QLabel*> labels;
    std::map<ViewItem, QWidget*> items;
    std::map<ViewItem, std::function<QPixmap(double)>> art;

private:
    DisplayBatch& m_display;
};

TShoot2::TShoot2(ProgramState& state, const Services& services, QWidget* parent)
    : ExercisePage(QStringLiteral("TShoot2"), QStringLiteral("Стрельба: два стрелка"), parent) {
    for (auto& lane : m_lanes) {
        lane = std::make_unique<LaneView>(Display());
    }
    m_run = std::make_unique<TwoShooterRun>(state, services, *this);

    auto* root = new QVBoxLayout(this);
    // Each shooter's lamps on the bottom line below their target, the status between them.
    auto* statusRow = new QHBoxLayout;
    auto lamp = [this, statusRow](ViewItem item, const char* name, int width) {
        auto* label = Named(new QLabel, name);
        ScaleSize(label, width, 18);
        // A lamp that lights moves nothing.
        KeepPlaceWhenHidden(label);
        label->hide();
        m_lamps[item] = label;
        statusRow->addWidget(label);
    };
    lamp(ViewItem::Image1, "Image1", 50);
    lamp(ViewItem::Image3, "Image3", 18);
    statusRow->addWidget(StatusLine(), 1);
    statusRow->addWidget(HintLine());
    lamp(ViewItem::Image2, "Image2", 50);
    lamp(ViewItem::Image4, "Image4", 18);

    auto* row = new QHBoxLayout;
    root->addLayout(row, 1);
    row->addWidget(BuildLane(0), 1);

    auto* middle = new QVBoxLayout;
    auto button = [this, middle](TwoButton b, const char* name, const QString& caption,
                                 void (TShoot2::*handler)(), bool enabled) {
        auto* w = Named(new QPushButton(caption), name);
        w->setEnabled(enabled);
        ScaleText(w, kCaptionPoints);
        connect(w, &QPushButton::clicked, this, handler);
        middle->addWidget(w);
        m_buttons[b] = w;
    };
    // Each shooter's series between the targets: shooter 1 above the buttons, 2 below.
    auto series = [this, middle](int lane, const char* suffix) {
        auto* panel = new SeriesPanel(
            lane == 0 ? QStringLiteral("Стрелок 1") : QStringLiteral("Стрелок 2"), suffix);
        ScaleText(panel, kCaptionPoints);
        ScaleSize(panel, kSeriesWidth);
        m_lanes[static_cast<size_t>(lane)]->series = panel;
        middle->addWidget(panel, 1);
    };
    series(0, "1");
    button(TwoButton::Start, "Start", QStringLiteral("Начало стрельбы"), &TShoot2::StartClick,
           true);
    button(TwoButton::Save, "Save", QStringLiteral("Записать стрелка 1"), &TShoot2::SaveClick,
           false);
    button(TwoButton::Save2, "Save2", QStringLiteral("Записать стрелка 2"), &TShoot2::Save2Click,
           false);
    button(TwoButton::Print, "Print", QStringLiteral("Печать стрелка 1"), &TShoot2::PrintClick,
           false);
    button(TwoButton::Print2, "Print2", QStringLiteral("Печать стрелка 2"), &TShoot2::Print2Click,
           false);
    button(TwoButton::Exit, "Exit", QStringLiteral("Выход"), &TShoot2::ExitClick, true);
    series(1, "2");
    row->addLayout(middle);
    row->addWidget(BuildLane(1), 1);

    root->addLayout(statusRow);
    ShowStatus(m_run->status);

    Ticks().Drive(*m_run);
    PlaceMarkers();
}

QWidget* TShoot2::BuildLane(int lane) {
    LaneView& view = *m_lanes[static_cast<size_t>(lane)];
    const bool first = lane == 0;
    // Control names end in the shooter's number.
    auto name = [first](const char* one, const char* two) { return first ? one : two; };

    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading =
        Named(new QLabel(first ? QStringLiteral("Стрелок 1") : QStringLiteral("Стрелок 2")),
              name("StaticText1", "StaticText2"));
    ScaleText(heading, kValuePoints, true);
    layout->addWidget(heading, 0, Qt::AlignHCenter);

    // The target takes the largest square its panel gets.
    auto* panel = Named(new QWidget, name("Panel1", "Panel2"));
    panel->setMinimumSize(kMinTargetSize, kMinTargetSize);
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    view.target = AddSquarePicture(panel, name("Target1", "Target2"), kTargetSize);
    layout->addWidget(panel, 1);

    auto marker = [&view](ViewItem item, const char* objectName, std::function<QPixmap(double)> art,
                          QWidget* parent, bool transparent = true) {
        auto* label = Named(new QLabel(parent), objectName);
        if (transparent) {
            label->setAttribute(Qt::WA_TranslucentBackground);
        }
        label->hide();
        view.items[item] = label;
        view.art[item] = std::move(art);
        return label;
    };
    marker(
        ViewItem::Gun2, name("Gun1", "Gun2"),
        [](double s) { return MarkerPixmap(QColor(255, 0, 0), s); }, view.target);
    marker(
        ViewItem::PostGun, name("PostGun1", "PostGun2"),
        [](double s) { return MarkerPixmap(QColor(0, 0, 255), s); }, view.target);
    marker(
        ViewItem::LeftArrow, name("ArrowLeft1", "ArrowLeft2"),
        [](double s) { return ArrowPixmap(0, s); }, view.target);
    marker(
        ViewItem::RightArrow, name("ArrowRight1", "ArrowRight2"),
        [](double s) { return ArrowPixmap(180, s); }, view.target);
    marker(
        ViewItem::UpArrow, name("ArrowUp1", "ArrowUp2"),
        [](double s) { return ArrowPixmap(90, s); }, view.target);
    marker(
        ViewItem::DownArrow, name("ArrowDown1", "ArrowDown2"),
        [](double s) { return ArrowPixmap(270, s); }, view.target);

    auto* signalRow = new QHBoxLayout;
    view.sig = AddScaledPicture(name("Sig1", "Sig2"), QSize(kSignalWidth, kSignalHeight));
    signalRow->addWidget(view.sig);
    auto* sigT = Named(new QLabel(QStringLiteral("Сигнал")), name("SigT1", "SigT2"));
    ScaleText(sigT, kCaptionPoints);
    signalRow->addWidget(sigT);
    signalRow->addStretch(1);
    layout->addLayout(signalRow);

    auto* stat =
        Named(new QGroupBox(QStringLiteral("Статистика")), name("GroupBoxStat1", "GroupBoxStat2"));
    ScaleText(stat, kCaptionPoints);
    auto* grid = new QGridLayout(stat);
    CompactLayout(grid);
    // One pair to a row: two would not fit beside each other on a 1024 pixel wide screen once
    // the values are in. Each value has room for its widest text from the start: a value that
    // comes or widens during a run moves nothing.
    auto pair = [&](const char* captionName, const QString& caption, const char* valueName,
                    ViewText text, const QString& widest = QStringLiteral("0")) {
        auto* label = Named(new QLabel(caption), captionName);
        ScaleText(label, kCaptionPoints);
        auto* value = Named(new QLabel, valueName);
        ScaleText(value, kValuePoints, text == ViewText::FirstTime);
        ReserveRoom(value, widest);
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(value, row, 1);
        view.labels[text] = value;
    };
    pair(name("NumT1", "NumT2"), QStringLiteral("Произведен выстрел N"), name("Num1", "Num2"),
         ViewText::Num);
    pair(name("Ft1", "Ft2"), QStringLiteral("Первый выстрел"), name("FirstTime1", "FirstTime2"),
         ViewText::FirstTime, QStringLiteral("  10.00 сек"));
    pair(name("TimeT1", "TimeT2"), QStringLiteral("Время стрельбы"), name("Time1", "Time2"),
         ViewText::TimeC, QStringLiteral("00.00 сек"));
    pair(name("ResT1", "ResT2"), QStringLiteral("Результат"), name("Res1", "Res2"), ViewText::Res);
    pair(name("SymT1", "SymT2"), QStringLiteral("Сумма"), name("SymE1", "SymE2"), ViewText::SymE);
    pair(name("AverSymT1", "AverSymT2"), QStringLiteral("Средний результат"),
         name("AverSym1", "AverSym2"), ViewText::AverSym);

    auto* misses = new QHBoxLayout;
    // Fail and FailActive share one place.
    auto* words = new QWidget;
    ScaleSize(words, 145, 30);
    marker(
        ViewItem::Fail, name("Fail1", "Fail2"), [](double s) { return MissWord(false, s); }, words);
    marker(
        ViewItem::ImageActive, name("FailActive1", "FailActive2"),
        [](double s) { return MissWord(true, s); }, words, false);
    misses->addWidget(words);
    view.failArrow = AddScaledPicture(name("FailArrow1", "FailArrow2"),
                                      QSize(kFailArrowSize, kFailArrowSize), stat);
    view.failArrow->hide();
    view.items[ViewItem::FailArrow] = view.failArrow;
    KeepPlaceWhenHidden(view.failArrow);
    misses->addWidget(view.failArrow);
    misses->addStretch(1);
    grid->addLayout(misses, grid->rowCount(), 0, 1, 2);
    layout->addWidget(stat);
    return column;
}

void TShoot2::PlaceMarkers() {
    for (const auto& lane : m_lanes) {
        for (const auto& [item, art] : lane->art) {
            auto* label = static_cast<QLabel*>(lane->items.at(item));
            const QPixmap pixmap = art(Scale());
            label->setPixmap(pixmap);
            label->setFixedSize(pixmap.size());
        }
        const int edge = lane->target->width() - lane->items.at(ViewItem::LeftArrow)->width();
        lane->items.at(ViewItem::LeftArrow)->move(0, edge / 2);
        lane->items.at(ViewItem::RightArrow)->move(edge, edge / 2);
        lane->items.at(ViewItem::UpArrow)->move(edge / 2, 0);
        lane->items.at(ViewItem::DownArrow)->move(edge / 2, edge);
    }
}

void TShoot2::PicturesResized() {
    PlaceMarkers();
    m_run->Redraw();
    FlushDisplay();
}

TShoot2::~TShoot2() = default;

void TShoot2::FormActivate() {
    for (const auto& lane : m_lanes) {
        for (ViewText t :
             {ViewText::Num, ViewText::TimeC, ViewText::Res, ViewText::SymE, ViewText::AverSym}) {
            QLabel* label = lane->labels[t];
            QFont font = label->font();
            font.setBold(true);
            label->setFont(font);
        }
    }
    m_run->FormActivate();
    FlushDisplay();
}

void TShoot2::StartClick() {
    m_run->StartClick();
    Ticks().KeepTicking();
}

void TShoot2::ExitClick() {
    m_run->ExitClick();
}

void TShoot2::SaveClick() {
    m_run->SaveClick();
}

void TShoot2::Save2Click() {
    m_run->Save2Click();
}

void TShoot2::PrintClick() {
    m_run->PrintClick();
}

void TShoot2::Print2Click() {
    m_run->Print2Click();
}

PanelView& TShoot2::Lane(int lane) {
    return *m_lanes[static_cast<size_t>(std::clamp(lane, 0, 1))];
}

void TShoot2::SetLampVisible(ViewItem image, bool visible) {
    if (const auto it = m_lamps.find(image); it != m_lamps.end()) {
        it->second->setVisible(visible);
    }
}

void TShoot2::FillLamp(ViewItem image, Color color) {
    if (const auto it = m_lamps.find(image); it != m_lamps.end()) {
        QPixmap pixmap(it->second->size());
        pixmap.fill(ToQColor(color));
        it->second->setPixmap(pixmap);
    }
}

void TShoot2::SetStartCaption(const QString& caption) {
    m_buttons.at(TwoButton::Start)->setText(caption);
}

void TShoot2::SetEnabled(TwoButton button, bool enabled) {
    m_buttons.at(button)->setEnabled(enabled);
}

bool TShoot2::IsEnabled(TwoButton button) const {
    return m_buttons.at(button)->isEnabled();
}

void TShoot2::FocusStart() {
    m_buttons.at(TwoButton::Start)->setFocus();
}

void TShoot2::ActivateWindow(const QString& className) {
    Page::ActivateWindow(className);
}

} // namespace ryvo
