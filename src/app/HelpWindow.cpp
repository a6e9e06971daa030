#include "app/HelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace ryvo {

namespace {

struct WindowSection {
    const char* className;
    const char* anchor;
};

// Each window's section of the manual, in one place.
constexpr std::array<WindowSection, 17> kSections = {{
    {"TInitial", "device"},
    {"TForm3", "device"},
    {"TFirstStart", "first-start"},
    {"TMainForm2", "first-start"},
    {"TShoot1", "series"},
    {"TSave_Print", "series"},
    {"TTargsType", "series"},
    {"TShoot2", "relays"},
    {"TShoots5", "relays"},
    {"TGroupsForm", "relays"},
    {"TFormTarLight", "relays"},
    {"TPreShoot", "zeroing"},
    {"TArchiv1", "archive"},
    {"TArchiv2", "archive"},
    {"TArchiv3", "archive"},
    {"TShooterCard", "card"},
    {"TForm2", ""},
}};

// Pictures of the windows fit the help window's width when the page loads them, as a web
// browser fits them by the page's style.
class ManualBrowser final : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override {
        QVariant resource = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::ImageResource || resource.typeId() != QMetaType::QByteArray) {
            return resource;
        }
        const QImage image = QImage::fromData(resource.toByteArray());
        const int room = qMax(320, viewport()->width() - 100);
        if (image.isNull() || image.width() <= room) {
            return resource;
        }
        return image.scaledToWidth(room, Qt::SmoothTransformation);
    }
};

} // namespace

QString HelpSection(const QString& className) {
    for (const WindowSection& s : kSections) {
        if (className == QLatin1String(s.className)) {
            return QString::fromLatin1(s.anchor);
        }
    }
    return {};
}

QString ManualPath(const QString& dataDir) {
    return QDir(dataDir).filePath(QStringLiteral("manual/index.html"));
}

HelpWindow::HelpWindow(QString manualPath, QWidget* parent)
    : QWidget(parent, Qt::Window), m_manualPath(std::move(manualPath)),
      m_browser(new ManualBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Руководство инструктора"));
    m_browser->setObjectName(QStringLiteral("HelpText"));
    // Links inside the manual stay here; anything else goes to the system's browser.
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize room = screen != nullptr ? screen->availableSize() : QSize(1024, 768);
    resize(qMin(900, room.width() * 3 / 4), qMin(800, room.height() * 9 / 10));
}

void HelpWindow::ShowSection(const QString& anchor) {
    // Shown first, so the pictures are fitted to the width the window has.
    show();
    raise();
    activateWindow();
    if (QFileInfo::exists(m_manualPath)) {
        QUrl url = QUrl::fromLocalFile(QFileInfo(m_manualPath).absoluteFilePath());
        if (!anchor.isEmpty()) {
            url.setFragment(anchor);
        }
        m_browser->setSource(url);
        if (anchor.isEmpty()) {
            m_browser->moveCursor(QTextCursor::Start);
        }
    } else {
        m_browser->setHtml(
            QStringLiteral("<h2>Руководство не найдено</h2><p>Нет файла %1.</p>"
                           "<p>Руководство устанавливается вместе с программой: установите "
                           "пакет ryvo заново или соберите программу со всеми целями.</p>")
                .arg(QDir::toNativeSeparators(m_manualPath).toHtmlEscaped()));
    }
}

} // namespace ryvo
