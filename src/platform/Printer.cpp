#include "platform/Printer.h"

#include <QDir>
#include <QFileInfo>

namespace ryvo {

QString SafeFileName(const QString& name) {
    static const QString kRefused = QStringLiteral("/\\:*?\"<>|");
    QString safe;
    safe.reserve(name.size());
    for (const QChar c : name) {
        safe += (c.category() == QChar::Other_Control || kRefused.contains(c)) ? QChar(u'_') : c;
    }
    safe = safe.trimmed();
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String("..")) {
        safe = QStringLiteral("_");
    }
    return safe;
}

class ImagePrinter::PageCanvas final : private detail::ImageHolder, public PainterCanvas {
public:
    PageCanvas(int width, int height)
        : detail::ImageHolder(MakeImage(width, height)), PainterCanvas(&heldImage) {}
    void TextOut(int x, int y, const QString& text) override {
        texts.push_back(text);
        PainterCanvas::TextOut(x, y, text);
    }
    QImage Take() {
        Painter().end();
        return heldImage;
    }
    std::vector<QString> texts;

private:
    static QImage MakeImage(int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }
};

ImagePrinter::ImagePrinter(int width, int height, int dpi)
    : m_width(width), m_height(height), m_dpi(dpi) {}

ImagePrinter::~ImagePrinter() = default;

Canvas* ImagePrinter::BeginDocument(const QString& name) {
    if (failBegin) {
        return nullptr;
    }
    documentName = name;
    ++documents;
    pages.clear();
    m_canvas = std::make_unique<PageCanvas>(m_width, m_height);
    return m_canvas.get();
}

void ImagePrinter::FinishPage() {
    if (m_canvas) {
        PageImage page;
        page.texts = std::move(m_canvas->texts);
        page.image = m_canvas->Take();
        pages.push_back(std::move(page));
        m_canvas.reset();
    }
}

Canvas* ImagePrinter::NewPage() {
    FinishPage();
    m_canvas = std::make_unique<PageCanvas>(m_width, m_height);
    return m_canvas.get();
}

PrintOutcome ImagePrinter::EndDocument() {
    PrintOutcome outcome;
    outcome.ok = m_canvas != nullptr;
    FinishPage();
    return outcome;
}

} // namespace ryvo
