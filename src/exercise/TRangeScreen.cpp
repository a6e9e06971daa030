#include "exercise/TRangeScreen.h"

#include "platform/Canvas.h"
#include "targets/Marks.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

// Lines of text in a tile: the name above the target and three figures below.
constexpr int kLines = 4;
constexpr int kFigureLines = 3;
const QColor kBackground(24, 24, 24);
const QColor kTextColour(255, 255, 255);
const QColor kNameColour(255, 230, 120);

size_t Index(int lane) {
    return static_cast<size_t>(lane);
}

// Draws `text` in `box` at the largest font up to `pixels` that fits its width; a name too
// long even at half that size ends in an ellipsis.
void DrawFitted(QPainter& p, const QRect& box, const QString& text, int pixels) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(std::max(1, pixels));
    const int width = QFontMetrics(font).horizontalAdvance(text);
    if (width > box.width() && width > 0) {
        const int fitted = pixels * box.width() / width;
        font.setPixelSize(std::max({1, fitted, pixels / 2}));
    }
    p.setFont(font);
    const QString shown =
        QFontMetrics(font).elidedText(text, Qt::ElideRight, std::max(1, box.width()));
    p.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, shown);
}

// The last hole's ring: three times the hole's radius (twice the mark radius, in target units).
int RingRadius(int side) {
    return std::max(6,
                    static_cast<int>(6.0F * kShotMarkRadius * static_cast<float>(side) * 0.005F));
}
int RingPen(int side) {
    return std::max(2, side / 120);
}

// The box of the figure line `n` in a tile.
QRect LineBox(const RangeTile& tile, int n) {
    return {tile.figures.left(), tile.figures.top() + n * tile.linePixels, tile.figures.width(),
            tile.linePixels};
}

// Where a hole of the range screen goes on a target `side` pixels wide: an earlier hole, or
// the last one with its ring. Empty for a dark shot or one off the target, which are not drawn.
QRect MarkArea(const ShotPoint& hole, int side, bool last) {
    if (hole.x == kDarkShotPosition || !WithinTarget(hole.x, hole.y)) {
        return {};
    }
    const QRect area = HoleArea(hole, HoleStyle::DoubleRadius, side);
    if (!last) {
        return area;
    }
    const int reach = RingRadius(side) + RingPen(side);
    const QPoint centre = area.center();
    return area.united(QRect(centre - QPoint(reach, reach), centre + QPoint(reach, reach)));
}

// Draws a hole as MarkArea places it; returns the area it covered.
QRect DrawMark(Canvas& picture, const ShotPoint& hole, bool last) {
    const int side = picture.Width();
    const QRect area = MarkArea(hole, side, last);
    if (area.isEmpty()) {
        return area;
    }
    if (!last) {
        DrawHole(picture, hole, HoleStyle::DoubleRadius, kBlack, kWhite);
        return area;
    }
    // The last hole: red, and ringed so it tells itself apart without colour too.
    const QPoint centre = DrawHole(picture, hole, HoleStyle::DoubleRadius, kRed, kRed).center();
    const int radius = RingRadius(side);
    picture.SetPen(kRed, RingPen(side), PenMode::Copy);
    picture.SetBrush(kRed, BrushStyle::Clear);
    picture.Ellipse(centre.x() - radius, centre.y() - radius, centre.x() + radius,
                    centre.y() + radius);
    return area;
}

} // namespace

std::vector<RangeTile> RangeTiles(QSize area, const std::vector<int>& lanes) {
    const int count = static_cast<int>(lanes.size());
    std::vector<RangeTile> tiles;
    if (count == 0 || area.isEmpty()) {
        return tiles;
    }
    // The column count that gives the largest target squares.
    int bestColumns = 1;
    int bestSide = -1;
    auto measure = [&area, count](int columns, int& line) {
        const int rows = (count + columns - 1) / columns;
        const int tileW = area.width() / columns;
        const int tileH = area.height() / rows;
        line = std::max(1, std::min(tileH / 11, tileW / 8));
        const int gap = std::max(2, line / 4);
        return std::min(tileW - 2 * gap, tileH - kLines * line - 3 * gap);
    };
    for (int columns = 1; columns <= count; ++columns) {
        int line = 0;
        const int side = measure(columns, line);
        if (side > bestSide) {
            bestSide = side;
            bestColumns = columns;
        }
    }
    int line = 0;
    const int side = std::max(1, measure(bestColumns, line));
    const int rows = (count + bestColumns - 1) / bestColumns;
    const int tileW = area.width() / bestColumns;
    const int tileH = area.height() / rows;
    const int gap = std::max(2, line / 4);
    const int block = kLines * line + side + 2 * gap;
    for (int n = 0; n < count; ++n) {
        const int column = n % bestColumns;
        const int row = n / bestColumns;
        const int left = column * tileW;
        const int top = row * tileH + std::max(0, (tileH - block) / 2);
        RangeTile tile;
        tile.lane = lanes[Index(n)];
        tile.linePixels = line;
        tile.name = QRect(left + gap, top, tileW - 2 * gap, line);
        tile.target = QRect(left + (tileW - side) / 2, top + line + gap, side, side);
        tile.figures =
            QRect(left + gap, tile.target.bottom() + 1 + gap, tileW - 2 * gap, kFigureLines * line);
        tiles.push_back(tile);
    }
    return tiles;
}

TRangeScreen::TRangeScreen(ProgramState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state) {
    setObjectName(QStringLiteral("TRangeScreen"));
    setWindowTitle(QStringLiteral("Экран рубежа"));
    // The keys belong to the exercise window: this one never takes the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 240);
    m_follow.setInterval(kFollowMs);
    connect(&m_follow, &QTimer::timeout, this, [this] { Follow(); });
}

TRangeScreen::~TRangeScreen() {
    m_state.RangeScreen.SetOpen(false);
}

void TRangeScreen::Toggle(const QWidget* mainWindow) {
    if (isVisible()) {
        CloseScreen();
    } else {
        OpenBeside(mainWindow);
    }
}

void TRangeScreen::OpenBeside(const QWidget* mainWindow) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<QRect> areas;
    int mainScreen = 0;
    for (int i = 0; i < screens.size(); ++i) {
        areas.push_back(screens[i]->geometry());
        if (mainWindow != nullptr && screens[i] == mainWindow->screen()) {
            mainScreen = i;
        }
    }
    const RangeScreenPlacement place = PlaceRangeScreen(areas, mainScreen);
    m_state.RangeScreen.SetOpen(true);
    m_state.RangeScreen.Refresh(m_state);
    m_seen = m_state.RangeScreen.Changes();
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_drawn[Index(lane)] = m_state.RangeScreen.Lane(lane);
    }
    if (place.fullScreen && place.screen < screens.size()) {
        if (windowHandle() == nullptr) {
            create();
        }
        windowHandle()->setScreen(screens[place.screen]);
        setGeometry(place.geometry);
        showFullScreen();
    } else {
        setGeometry(place.geometry);
        showNormal();
    }
    m_follow.start();
    update();
}

void TRangeScreen::CloseScreen() {
    close();
}

void TRangeScreen::hideEvent(QHideEvent* event) {
    // Closed: the runs' reports cost nothing again.
    m_follow.stop();
    m_state.RangeScreen.SetOpen(false);
    QWidget::hideEvent(event);
}

bool TRangeScreen::Follow() {
    const std::uint64_t changes = m_state.RangeScreen.Changes();
    if (changes == m_seen) {
        return false;
    }
    m_seen = changes;
    ++m_repaints;
    m_pending = QRegion();
    bool sameLanes = true;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        sameLanes = sameLanes && m_drawn[Index(lane)].shown == m_state.RangeScreen.Lane(lane).shown;
    }
    if (!sameLanes) {
        // Other lanes, other tiles: everything anew.
        m_pending = QRegion(rect());
    } else {
        for (const RangeTile& tile : Tiles()) {
            m_pending +=
                ChangedArea(tile, m_drawn[Index(tile.lane)], m_state.RangeScreen.Lane(tile.lane));
        }
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_drawn[Index(lane)] = m_state.RangeScreen.Lane(lane);
    }
    update(m_pending);
    return true;
}

QRegion TRangeScreen::ChangedArea(const RangeTile& tile, const RangeLane& was,
                                  const RangeLane& now) const {
    QRegion area;
    if (was == now) {
        return area;
    }
    if (NameLine(tile.lane, was) != NameLine(tile.lane, now)) {
        area += tile.name;
    }
    const QStringList wasLines = FigureLines(was);
    const QStringList nowLines = FigureLines(now);
    for (int n = 0; n < nowLines.size(); ++n) {
        if (wasLines[n] != nowLines[n]) {
            area += LineBox(tile, n);
        }
    }
    if (was.target != now.target) {
        return area + tile.target;
    }
    if (was.holes == now.holes) {
        return area;
    }
    const size_t before = was.holes.size();
    if (now.holes.size() < before ||
        !std::equal(was.holes.begin(), was.holes.end(), now.holes.begin())) {
        // A new series: the whole target.
        return area + tile.target;
    }
    // New holes: where they go, each marked as the last (the screen may have shown any of
    // them so), and the hole marked before them.
    const int side = tile.target.width();
    QRegion holes;
    for (size_t s = before == 0 ? 0 : before - 1; s < now.holes.size(); ++s) {
        holes += MarkArea(now.holes[s], side, true);
    }
    holes.translate(tile.target.topLeft());
    return area + (holes & tile.target);
}

QString TRangeScreen::NameLine(int lane) const {
    return NameLine(lane, m_state.RangeScreen.Lane(lane));
}

QString TRangeScreen::NameLine(int lane, const RangeLane& figures) {
    if (figures.shooter.isEmpty()) {
        return QStringLiteral("Направление %1").arg(lane + 1);
    }
    return QStringLiteral("%1. %2").arg(lane + 1).arg(figures.shooter);
}

QStringList TRangeScreen::FigureLines(int lane) const {
    return FigureLines(m_state.RangeScreen.Lane(lane));
}

QStringList TRangeScreen::FigureLines(const RangeLane& figures) {
    return {QStringLiteral("Выстрелы: %1 из %2").arg(figures.shots).arg(figures.planned),
            QStringLiteral("Сумма: %1").arg(figures.sum),
            figures.timeLimited ? QStringLiteral("Осталось: %1 с").arg(figures.seconds)
                                : QStringLiteral("Время: %1 с").arg(figures.seconds)};
}

std::vector<RangeTile> TRangeScreen::Tiles() const {
    std::vector<int> lanes;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if (m_state.RangeScreen.Lane(lane).shown) {
            lanes.push_back(lane);
        }
    }
    return RangeTiles(size(), lanes);
}

const QImage& TRangeScreen::TargetImage(int lane, int side, const RangeLane& figures) {
    CachedTarget& cached = m_targets[Index(lane)];
    const std::int32_t type = figures.target;
    if (cached.type != type || cached.side != side || cached.background.isNull()) {
        ImageCanvas picture(side, side, kWhite);
        if (type == kTargetN4) {
            DrawN4Target(picture);
        } else if (type == kTargetSport) {
            DrawSportTarget(picture);
        } else if (type != kTargetUnused) {
            // A missing picture leaves the square white; the exercise window says so.
            DrawLibraryTarget(picture, m_state, type);
        }
        cached.type = type;
        cached.side = side;
        cached.background = picture.Image();
        cached.marked.reset();
    }
    const std::vector<ShotPoint>& holes = figures.holes;
    const size_t before = cached.holes.size();
    if (cached.marked == nullptr || holes.size() < before ||
        !std::equal(cached.holes.begin(), cached.holes.end(), holes.begin())) {
        // Another target, size or series: the bare target again.
        for (auto* canvas : {&cached.plain, &cached.marked}) {
            *canvas = std::make_unique<ImageCanvas>(side, side, kWhite);
            (*canvas)->StretchDraw(0, 0, side, side, cached.background);
        }
        cached.holes.clear();
    }
    if (holes.size() == cached.holes.size()) {
        return cached.marked->Image();
    }
    // The holes before the last join the plain picture (the one marked so far among them);
    // the marked picture takes them from there and marks the new last hole.
    QRegion changed;
    for (size_t s = cached.holes.empty() ? 0 : cached.holes.size() - 1; s + 1 < holes.size(); ++s) {
        changed += DrawMark(*cached.plain, holes[s], false);
        changed += MarkArea(holes[s], side, true);
    }
    QPainter& marked = cached.marked->Painter();
    for (const QRect& r : changed& QRect(0, 0, side, side)) {
        marked.drawImage(r.topLeft(), cached.plain->Image(), r);
    }
    DrawMark(*cached.marked, holes.back(), true);
    cached.holes = holes;
    return cached.marked->Image();
}

void TRangeScreen::paintEvent(QPaintEvent* event) {
    QElapsedTimer timer;
    timer.start();
    QPainter p(this);
    const QRegion& area = event->region();
    const std::vector<RangeTile> tiles = Tiles();
    QRegion background = area;
    for (const RangeTile& tile : tiles) {
        background -= tile.target;
    }
    for (const QRect& r : background) {
        p.fillRect(r, kBackground);
    }
    for (const RangeTile& tile : tiles) {
        if (!area.intersects(tile.Whole())) {
            continue;
        }
        const RangeLane& figures = m_state.RangeScreen.Lane(tile.lane);
        const QRegion target = area & tile.target;
        if (!target.isEmpty()) {
            const QImage& image = TargetImage(tile.lane, tile.target.width(), figures);
            for (const QRect& r : target) {
                p.drawImage(r.topLeft(), image, r.translated(-tile.target.topLeft()));
            }
        }
        if (area.intersects(tile.name)) {
            p.setPen(kNameColour);
            DrawFitted(p, tile.name, NameLine(tile.lane, figures), tile.linePixels * 4 / 5);
        }
        p.setPen(kTextColour);
        const QStringList lines = FigureLines(figures);
        for (int n = 0; n < lines.size(); ++n) {
            const QRect box = LineBox(tile, n);
            if (area.intersects(box)) {
                DrawFitted(p, box, lines[n], tile.linePixels * 4 / 5);
            }
        }
    }
    m_paintNs += timer.nsecsElapsed();
}

} // namespace ryvo
