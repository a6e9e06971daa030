#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace ryvo {

// Colours as stored and quoted everywhere: 0x00BBGGRR.
using Color = std::uint32_t;
inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x008000;
inline constexpr Color kLime = 0x00FF00;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kYellow = 0x00FFFF;
inline constexpr Color kAqua = 0xFFFF00;
inline constexpr Color kGray = 0x808080;
inline constexpr Color kSilver = 0xC0C0C0;
// The system button-face colour.
inline constexpr Color kButtonFace = 0x8000000F;

QColor ToQColor(Color color);
Color FromQColor(const QColor& color);

enum class PenMode { Copy, Xor };
enum class BrushStyle { Solid, Clear, Cross, DiagCross };

struct FontSpec {
    QString name = QStringLiteral("Arial");
    int pixelHeight = 13;
    bool bold = false;
    bool italic = false;
    Color color = kBlack;
};

// Drawing with the semantics the windows and printouts are written against: boxes are
// given by corners with the right and bottom edge excluded, lines leave out their end
// point, XOR lines vanish when drawn twice, text is drawn from its top-left corner on the
// brush colour unless the brush is clear. Whole-number pixel coordinates throughout.
class Canvas {
public:
    virtual ~Canvas() = default;

    [[nodiscard]] virtual int Width() const = 0;
    [[nodiscard]] virtual int Height() const = 0;

    virtual void SetPen(Color color, int width = 1, PenMode mode = PenMode::Copy) = 0;
    virtual void SetBrush(Color color, BrushStyle style = BrushStyle::Solid) = 0;
    virtual void SetFont(const FontSpec& font) = 0;

    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void FillRect(int x1, int y1, int x2, int y2) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(const std::vector<QPoint>& points) = 0;
    virtual void TextOut(int x, int y, const QString& text) = 0;
    virtual int TextWidth(const QString& text) = 0;
    virtual int TextHeight(const QString& text) = 0;
    virtual void StretchDraw(int x1, int y1, int x2, int y2, const QImage& picture) = 0;
    virtual void SetPixel(int x, int y, Color color) = 0;
    // 0xFFFFFFFF where the surface cannot be read back (printer) or outside it.
    [[nodiscard]] virtual Color Pixel(int x, int y) const = 0;
};

// Canvas over QPainter on any paint device: an image, a widget's backing image, a printer.
class PainterCanvas : public Canvas {
public:
    // The device must outlive the canvas. XOR needs a raster device (QImage).
    explicit PainterCanvas(QPaintDevice* device);
    ~PainterCanvas() override;

    [[nodiscard]] int Width() const override;
    [[nodiscard]] int Height() const override;
    void SetPen(Color color, int width, PenMode mode) override;
    void SetBrush(Color color, BrushStyle style) override;
    void SetFont(const FontSpec& font) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const std::vector<QPoint>& points) override;
    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;
    void StretchDraw(int x1, int y1, int x2, int y2, const QImage& picture) override;
    void SetPixel(int x, int y, Color color) override;
    [[nodiscard]] Color Pixel(int x, int y) const override;

    QPainter& Painter() {
        UseTools();
        return m_painter;
    }

private:
    void ApplyPen();
    void UseTools() {
        if (m_penPending) {
            ApplyPen();
        }
        if (m_brushPending) {
            ApplyBrush();
        }
    }
    void ApplyBrush();
    // Line without its end point, as the 1-pixel device line is drawn.
    void DrawSegment(QPoint from, QPoint to);
    // XOR lines may be written into the image's pixels (a plain RGB image, no clip or
    // transform on the painter).
    [[nodiscard]] bool XorDirectly() const;
    // An ellipse as the painter draws it, as runs of opaque pixels from the box's corner.
    struct EllipseKey {
        int width = 0;
        int height = 0;
        Color pen = 0;
        int penWidth = 0;
        Color brush = 0;
        BrushStyle brushStyle = BrushStyle::Solid;
        bool operator==(const EllipseKey&) const = default;
    };
    struct EllipseStamp {
        struct Run {
            int y;
            int x;
            int count;
        };
        EllipseKey key;
        bool usable = false;
        QPoint origin;
        std::vector<Run> runs;
        std::vector<QRgb> pixels;
    };
    static constexpr size_t kMaxStamps = 16;
    // Null when the ellipse does not come out as whole pixels.
    const EllipseStamp* Stamp(int width, int height);
    void PutStamp(const EllipseStamp& stamp, int x1, int y1);

    QPaintDevice* m_device;
    QImage* m_image; // set when the device is a QImage, for read-back
    QPainter m_painter;
    Color m_penColor = kBlack;
    int m_penWidth = 1;
    PenMode m_penMode = PenMode::Copy;
    // Set but not yet given to the painter.
    bool m_penPending = false;
    bool m_brushPending = false;
    Color m_brushColor = kWhite;
    BrushStyle m_brushStyle = BrushStyle::Solid;
    FontSpec m_font;
    QPoint m_current;
    std::vector<QPoint> m_points; // scratch for rasterised lines
    std::vector<EllipseStamp> m_stamps;
};

namespace detail {
struct ImageHolder {
    explicit ImageHolder(QImage image) : heldImage(std::move(image)) {}
    QImage heldImage;
};
} // namespace detail

// A canvas that owns its picture: the target images of the windows and the test double.
class ImageCanvas final : private detail::ImageHolder, public PainterCanvas {
public:
    ImageCanvas(int width, int height, Color fill = kWhite);
    [[nodiscard]] const QImage& Image() const { return heldImage; }
};

// "Arial" when installed, else the closest sans-serif face the system offers.
QFont MakeFont(const FontSpec& wanted);

} // namespace ryvo
