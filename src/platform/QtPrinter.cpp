#include "platform/Printer.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

namespace ryvo {

QtPrinter::QtPrinter(QString startDir, PrinterNames names)
    : m_startDir(std::move(startDir)), m_names(std::move(names)) {
    if (!m_names) {
        m_names = [] { return QPrinterInfo::availablePrinterNames(); };
    }
}

QtPrinter::~QtPrinter() {
    m_canvas.reset();
}

Canvas* QtPrinter::BeginDocument(const QString& name) {
    m_canvas.reset();
    m_device.reset();
    m_pdfPath.clear();
    std::unique_ptr<QPrinter> printer;
    if (m_names().isEmpty()) {
        const QDir folder(QDir(m_startDir).filePath(QStringLiteral("Печать")));
        if (!QDir().mkpath(folder.path())) {
            return nullptr;
        }
        const QString base = SafeFileName(name);
        QString path = folder.filePath(base + QStringLiteral(".pdf"));
        for (int n = 2; QFileInfo::exists(path); ++n) {
            path = folder.filePath(QStringLiteral("%1 (%2).pdf").arg(base).arg(n));
        }
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        printer->setPageSize(QPageSize(QPageSize::A4));
        m_pdfPath = path;
    } else {
        QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            info = QPrinterInfo::printerInfo(m_names().constFirst());
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    printer->setDocName(name);
    // A real printer keeps its own paper; the sheet is laid out on whatever width it has.
    printer->setPageOrientation(QPageLayout::Portrait);
    m_device = std::move(printer);
    m_canvas = std::make_unique<PainterCanvas>(m_device.get());
    if (!m_canvas->Painter().isActive()) {
        m_canvas.reset();
        m_device.reset();
        return nullptr;
    }
    return m_canvas.get();
}

Canvas* QtPrinter::NewPage() {
    if (!m_device || !m_device->newPage()) {
        return nullptr;
    }
    return m_canvas.get();
}

PrintOutcome QtPrinter::EndDocument() {
    PrintOutcome outcome;
    if (!m_canvas) {
        outcome.error = QStringLiteral("Печать не начата");
        return outcome;
    }
    outcome.ok = m_canvas->Painter().end();
    m_canvas.reset();
    m_device.reset();
    if (!m_pdfPath.isEmpty()) {
        outcome.ok = outcome.ok && QFileInfo::exists(m_pdfPath);
        outcome.pdfPath = m_pdfPath;
    }
    if (!outcome.ok) {
        outcome.error = QStringLiteral("Не удалось завершить печать");
    }
    return outcome;
}

int QtPrinter::Dpi() const {
    return m_device ? m_device->logicalDpiY() : 600;
}

} // namespace ryvo
