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
            const RangeLane& now = m_state.RangeScreen.Lane(tile.lane);
            RangeLane& drawn = m_drawn[Index(tile.lane)];
            if (now == drawn) {
                continue;
            }
            drawn.seconds = now.seconds;
            m_pending += now == drawn ? tile.TimeLine() : tile.Whole();
        }
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        m_drawn[Index(lane)] = m_state.RangeScreen.Lane(lane);
    }
    update(m_pending);
    return true;
}

QString TRangeScreen::NameLine(int lane) const {
    const QString& name = m_state.RangeScreen.Lane(lane).shooter;
    if (name.isEmpty()) {
        return QStringLiteral("Направление %1").arg(lane + 1);
    }
    return QStringLiteral("%1. %2").arg(lane + 1).arg(name);
}

QStringList TRangeScreen::FigureLines(int lane) const {
    const RangeLane& figures = m_state.RangeScreen.Lane(lane);
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

const QImage& TRangeScreen::TargetPicture(int lane, int side) {
    CachedTarget& cached = m_targets[Index(lane)];
    const std::int32_t type = m_state.RangeScreen.Lane(lane).target;
    if (cached.type != type || cached.side != side || cached.image.isNull()) {
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
        cached.image = picture.Image();
    }
    return cached.image;
}

void TRangeScreen::DrawTarget(QPainter& painter, const RangeTile& tile, const RangeLane& figures) {
    const int side = tile.target.width();
    ImageCanvas picture(side, side, kWhite);
    picture.StretchDraw(0, 0, side, side, TargetPicture(tile.lane, side));
    const size_t count = figures.holes.size();
    for (size_t s = 0; s < count; ++s) {
        const ShotPoint& hole = figures.holes[s];
        if (hole.x == kDarkShotPosition || !WithinTarget(hole.x, hole.y)) {
            continue;
        }
        if (s + 1 < count) {
            DrawHole(picture, hole, HoleStyle::DoubleRadius, kBlack, kWhite);
            continue;
        }
        // The last hole: red, and ringed so it tells itself apart without colour too.
        const QPoint centre = DrawHole(picture, hole, HoleStyle::DoubleRadius, kRed, kRed).center();
        // Three times the hole's radius (twice the mark radius, in target units).
        const int radius = std::max(
            6, static_cast<int>(6.0F * kShotMarkRadius * static_cast<float>(side) * 0.005F));
        picture.SetPen(kRed, std::max(2, side / 120), PenMode::Copy);
        picture.SetBrush(kRed, BrushStyle::Clear);
        picture.Ellipse(centre.x() - radius, centre.y() - radius, centre.x() + radius,
                        centre.y() + radius);
    }
    painter.drawImage(tile.target.topLeft(), picture.Image());
}

void TRangeScreen::paintEvent(QPaintEvent* event) {
    QElapsedTimer timer;
    timer.start();
    QPainter p(this);
    const QRegion& area = event->region();
    for (const QRect& r : area) {
        p.fillRect(r, kBackground);
    }
    for (const RangeTile& tile : Tiles()) {
        if (!area.intersects(tile.Whole())) {
            continue;
        }
        const RangeLane& figures = m_state.RangeScreen.Lane(tile.lane);
        if (area.intersects(tile.target)) {
            DrawTarget(p, tile, figures);
        }
        p.setPen(kNameColour);
        DrawFitted(p, tile.name, NameLine(tile.lane), tile.linePixels * 4 / 5);
        p.setPen(kTextColour);
        const QStringList lines = FigureLines(tile.lane);
        for (int n = 0; n < lines.size(); ++n) {
            const QRect box(tile.figures.left(), tile.figures.top() + n * tile.linePixels,
                            tile.figures.width(), tile.linePixels);
            if (area.intersects(box)) {
                DrawFitted(p, box, lines[n], tile.linePixels * 4 / 5);
            }
        }
    }
    m_paintNs += timer.nsecsElapsed();
}

} // namespace ryvo
