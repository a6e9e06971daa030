#include "platform/Canvas.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ryvo {

QColor ToQColor(Color color) {
    if (color == kButtonFace) {
        return {0xF0, 0xF0, 0xF0};
    }
    return {static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
            static_cast<int>((color >> 16) & 0xFF)};
}

Color FromQColor(const QColor& color) {
    return static_cast<Color>(color.red()) | (static_cast<Color>(color.green()) << 8) |
           (static_cast<Color>(color.blue()) << 16);
}

QFont MakeFont(const FontSpec& wanted) {
    QFont font(wanted.name);
    // Metric-compatible faces first, so layouts keep their widths without Arial.
    font.setFamilies({wanted.name, QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, wanted.pixelHeight));
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    return font;
}

PainterCanvas::PainterCanvas(QPaintDevice* device)
    : m_device(device), m_image(dynamic_cast<QImage*>(device)) {
    m_painter.begin(device);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    ApplyPen();
    ApplyBrush();
    m_painter.setFont(MakeFont(m_font));
}

PainterCanvas::~PainterCanvas() {
    if (m_painter.isActive()) {
        m_painter.end();
    }
}

int PainterCanvas::Width() const {
    return m_device->width();
}
int PainterCanvas::Height() const {
    return m_device->height();
}

void PainterCanvas::ApplyPen() {
    m_penPending = false;
    if (m_penWidth <= 0) {
        m_painter.setPen(Qt::NoPen);
    } else {
        QPen pen(ToQColor(m_penColor));
        pen.setWidth(m_penWidth);
        pen.setCapStyle(m_penWidth > 1 ? Qt::RoundCap : Qt::SquareCap);
        pen.setJoinStyle(Qt::RoundJoin);
        m_painter.setPen(pen);
    }
    m_painter.setCompositionMode(m_penMode == PenMode::Xor && m_image != nullptr
                                     ? QPainter::RasterOp_SourceXorDestination
                                     : QPainter::CompositionMode_SourceOver);
}

void PainterCanvas::ApplyBrush() {
    m_brushPending = false;
    switch (m_brushStyle) {
    case BrushStyle::Solid:
        m_painter.setBrush(QBrush(ToQColor(m_brushColor), Qt::SolidPattern));
        break;
    case BrushStyle::Clear:
        m_painter.setBrush(Qt::NoBrush);
        break;
    case BrushStyle::Cross:
        m_painter.setBrush(QBrush(ToQColor(m_brushColor), Qt::CrossPattern));
        break;
    case BrushStyle::DiagCross:
        m_painter.setBrush(QBrush(ToQColor(m_brushColor), Qt::DiagCrossPattern));
        break;
    }
}

void PainterCanvas::SetPen(Color color, int width, PenMode mode) {
    m_penColor = color;
    m_penWidth = width;
    m_penMode = mode;
    // The painter takes pen and brush when something is drawn with them: the XOR trace and
    // copied ellipses are not.
    m_penPending = true;
}

void PainterCanvas::SetBrush(Color color, BrushStyle style) {
    m_brushColor = color;
    m_brushStyle = style;
    m_brushPending = true;
}

void PainterCanvas::SetFont(const FontSpec& font) {
    m_font = font;
    m_painter.setFont(MakeFont(font));
}

void PainterCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) {
        return;
    }
    if (m_penWidth <= 0) {
        FillRect(x1, y1, x2, y2);
        return;
    }
    UseTools();
    // A stroked QRect covers its size plus the pen: w - 1 gives the exclusive right edge.
    m_painter.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void PainterCanvas::FillRect(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1 || m_brushStyle == BrushStyle::Clear) {
        return;
    }
    UseTools(); // its raster operation
    m_painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), m_painter.brush());
}

void PainterCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) {
        return;
    }
    if (m_penWidth > 0 && m_penMode == PenMode::Copy && XorDirectly() &&
        (m_brushStyle == BrushStyle::Solid || m_brushStyle == BrushStyle::Clear)) {
        // Holes are drawn again whenever the trace passes over them: an ellipse of a size
        // and look drawn before is copied from its first drawing.
        if (const EllipseStamp* stamp = Stamp(x2 - x1, y2 - y1); stamp != nullptr) {
            PutStamp(*stamp, x1, y1);
            return;
        }
    }
    UseTools();
    if (m_penWidth <= 0) {
        m_painter.drawEllipse(QRect(x1, y1, x2 - x1, y2 - y1));
        return;
    }
    m_painter.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void PainterCanvas::MoveTo(int x, int y) {
    m_current = QPoint(x, y);
}

void PainterCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    DrawSegment(m_current, to);
    m_current = to;
}

void PainterCanvas::Polyline(const std::vector<QPoint>& points) {
    if (points.empty()) {
        return;
    }
    // Each vertex once: the end point of every segment is left to the next one.
    for (size_t i = 1; i < points.size(); ++i) {
        DrawSegment(points[i - 1], points[i]);
    }
    m_current = points.back();
}

void PainterCanvas::DrawSegment(QPoint from, QPoint to) {
    if (m_penWidth <= 0 || from == to) {
        return;
    }
    const bool thinOnImage = m_penWidth == 1 && m_image != nullptr;
    // The 2-pixel XOR trace is the hot path: stroking it as a wide line costs microseconds
    // per segment, so it is rasterised here like the 1-pixel line, doubled across its axis.
    const bool xorPair = m_penWidth == 2 && m_penMode == PenMode::Xor && m_image != nullptr;
    if (!thinOnImage && !xorPair) {
        UseTools();
        m_painter.drawLine(from, to);
        return;
    }
    // Bresenham without the last point, so joined segments and XOR redraws stay exact.
    int x = from.x();
    int y = from.y();
    const int dx = std::abs(to.x() - x);
    const int dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1;
    const int sy = y < to.y() ? 1 : -1;
    const QPoint across = dx >= -dy ? QPoint(0, 1) : QPoint(1, 0);
    int err = dx + dy;
    m_points.clear();
    while (x != to.x() || y != to.y()) {
        m_points.emplace_back(x, y);
        if (xorPair) {
            m_points.push_back(QPoint(x, y) + across);
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    if (m_penMode == PenMode::Xor && XorDirectly()) {
        // What the raster engine's XOR of a solid pen does, without a pen change and a
        // span per point: the colour's RGB flips the pixel, alpha stays.
        const auto flip = static_cast<QRgb>(ToQColor(m_penColor).rgb()) & 0x00FFFFFFU;
        const QRect bounds = m_image->rect();
        uchar* bits = m_image->bits();
        const qsizetype stride = m_image->bytesPerLine();
        for (const QPoint& p : m_points) {
            if (bounds.contains(p)) {
                reinterpret_cast<QRgb*>(bits + p.y() * stride)[p.x()] ^= flip;
            }
        }
        return;
    }
    UseTools();
    if (xorPair) {
        QPen thin = m_painter.pen();
        thin.setWidth(1);
        thin.setCapStyle(Qt::SquareCap);
        m_painter.setPen(thin);
        m_painter.drawPoints(m_points.data(), static_cast<int>(m_points.size()));
        ApplyPen();
    } else {
        m_painter.drawPoints(m_points.data(), static_cast<int>(m_points.size()));
    }
}

const PainterCanvas::EllipseStamp* PainterCanvas::Stamp(int width, int height) {
    const EllipseKey key{width, height, m_penColor, m_penWidth, m_brushColor, m_brushStyle};
    for (const EllipseStamp& stamp : m_stamps) {
        if (stamp.key == key) {
            return stamp.usable ? &stamp : nullptr;
        }
    }
    if (m_stamps.size() >= kMaxStamps) {
        m_stamps.clear();
    }
    EllipseStamp& stamp = m_stamps.emplace_back();
    stamp.key = key;
    // Drawn once the way the painter draws it on the image, on a clear picture.
    const int pad = m_penWidth + 2;
    QImage picture(width + 2 * pad, height + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        PainterCanvas probe(&picture);
        probe.SetPen(m_penColor, m_penWidth, PenMode::Copy);
        probe.SetBrush(m_brushColor, m_brushStyle);
        probe.UseTools();
        probe.m_painter.drawEllipse(QRect(pad, pad, width - 1, height - 1));
    }
    stamp.origin = QPoint(-pad, -pad);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width();) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0) {
                ++x;
                continue;
            }
            if (alpha != 255) {
                return nullptr; // blended pixels: left to the painter
            }
            const int start = x;
            while (x < picture.width() && qAlpha(line[x]) == 255) {
                stamp.pixels.push_back(line[x]);
                ++x;
            }
            stamp.runs.push_back({y, start, x - start});
        }
    }
    stamp.usable = true;
    return &stamp;
}

void PainterCanvas::PutStamp(const EllipseStamp& stamp, int x1, int y1) {
    uchar* bits = m_image->bits();
    const qsizetype stride = m_image->bytesPerLine();
    const QPoint at = QPoint(x1, y1) + stamp.origin;
    const QRgb* pixels = stamp.pixels.data();
    for (const EllipseStamp::Run& run : stamp.runs) {
        const int y = at.y() + run.y;
        const int from = std::max(at.x() + run.x, 0);
        const int to = std::min(at.x() + run.x + run.count, m_image->width());
        if (y >= 0 && y < m_image->height() && from < to) {
            std::memcpy(reinterpret_cast<QRgb*>(bits + y * stride) + from,
                        pixels + (from - at.x() - run.x),
                        sizeof(QRgb) * static_cast<size_t>(to - from));
        }
        pixels += run.count;
    }
}

bool PainterCanvas::XorDirectly() const {
    return m_image != nullptr && m_image->format() == QImage::Format_RGB32 &&
           !m_painter.hasClipping() && m_painter.transform().isIdentity();
}

void PainterCanvas::TextOut(int x, int y, const QString& text) {
    const QFontMetrics metrics(m_painter.font(), m_device);
    const QRect box(x, y, metrics.horizontalAdvance(text), metrics.height());
    m_painter.save();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (m_brushStyle == BrushStyle::Solid) {
        m_painter.fillRect(box, ToQColor(m_brushColor));
    }
    m_painter.setPen(ToQColor(m_font.color));
    m_painter.drawText(QPoint(x, y + metrics.ascent()), text);
    m_painter.restore();
}

int PainterCanvas::TextWidth(const QString& text) {
    return QFontMetrics(m_painter.font(), m_device).horizontalAdvance(text);
}

int PainterCanvas::TextHeight(const QString&) {
    return QFontMetrics(m_painter.font(), m_device).height();
}

void PainterCanvas::StretchDraw(int x1, int y1, int x2, int y2, const QImage& picture) {
    if (picture.isNull() || x2 <= x1 || y2 <= y1) {
        return;
    }
    m_painter.save();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.drawImage(QRect(x1, y1, x2 - x1, y2 - y1), picture);
    m_painter.restore();
}

void PainterCanvas::SetPixel(int x, int y, Color color) {
    m_painter.save();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setPen(QPen(ToQColor(color), 1));
    m_painter.drawPoint(x, y);
    m_painter.restore();
}

Color PainterCanvas::Pixel(int x, int y) const {
    if (m_image == nullptr || !m_image->valid(x, y)) {
        return 0xFFFFFFFF;
    }
    return FromQColor(m_image->pixelColor(x, y));
}

ImageCanvas::ImageCanvas(int width, int height, Color fill)
    : detail::ImageHolder([&] {
          QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
          image.fill(ToQColor(fill));
          return image;
      }()),
      PainterCanvas(&heldImage) {}

} // namespace ryvo
