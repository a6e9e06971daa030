#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace ryvo {

// The manual's section that explains a window, by the window's class name; "" (the
// manual's beginning) for a window it has no section for.
QString HelpSection(const QString& className);
// The manual as the build and the package put it: manual/index.html of the data directory.
QString ManualPath(const QString& dataDir);

// The manual in a window of its own beside the program: works offline, keeps its place
// while the instructor goes on in the window it explains.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QString manualPath, QWidget* parent = nullptr);

    // Shows the manual at a section's anchor ("" = its beginning), or says it is missing.
    void ShowSection(const QString& anchor);
    [[nodiscard]] QTextBrowser* Browser() const { return m_browser; }

private:
    QString m_manualPath;
    QTextBrowser* m_browser;
};

} // namespace ryvo
