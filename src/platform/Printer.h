#pragma once

#include "platform/Canvas.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;

namespace ryvo {

struct PrintOutcome {
    bool ok = false;
    // Set when the document went to a PDF file instead of a printer.
    QString pdfPath;
    QString error;
};

// Documents drawn page by page on a Canvas. Coordinates are device units of the page's
// printable area; Dpi() converts point sizes.
class Printer {
public:
    virtual ~Printer() = default;
    // Starts a document; `name` names it (and its PDF file when there is no printer).
    // nullptr when no document can be started.
    virtual Canvas* BeginDocument(const QString& name) = 0;
    // Finishes the current page and returns the canvas of the next one.
    virtual Canvas* NewPage() = 0;
    virtual PrintOutcome EndDocument() = 0;
    [[nodiscard]] virtual int Dpi() const = 0;
};

// The default printer at once, without a dialog. A system without printers gets a PDF in
// the folder "Печать" of the start directory instead.
class QtPrinter final : public Printer {
public:
    using PrinterNames = std::function<QStringList()>;
    explicit QtPrinter(QString startDir, PrinterNames names = {});
    ~QtPrinter() override;

    Canvas* BeginDocument(const QString& name) override;
    Canvas* NewPage() override;
    PrintOutcome EndDocument() override;
    [[nodiscard]] int Dpi() const override;

private:
    QString m_startDir;
    PrinterNames m_names;
    std::unique_ptr<QPagedPaintDevice> m_device;
    std::unique_ptr<PainterCanvas> m_canvas;
    QString m_pdfPath;
};

// Test double: every page becomes a QImage of a fixed size; the texts drawn on each page
// are kept too.
class ImagePrinter final : public Printer {
public:
    explicit ImagePrinter(int width = 1240, int height = 1754, int dpi = 150);
    ~ImagePrinter() override;

    Canvas* BeginDocument(const QString& name) override;
    Canvas* NewPage() override;
    PrintOutcome EndDocument() override;
    [[nodiscard]] int Dpi() const override { return m_dpi; }

    struct PageImage {
        QImage image;
        std::vector<QString> texts;
    };
    std::vector<PageImage> pages;
    QString documentName;
    int documents = 0;
    bool failBegin = false;

private:
    class PageCanvas;
    void FinishPage();

    int m_width;
    int m_height;
    int m_dpi;
    std::unique_ptr<PageCanvas> m_canvas;
};

// A file name made safe for any file system: path separators, control characters and the
// characters Windows refuses become "_".
QString SafeFileName(const QString& name);

} // namespace ryvo
