#pragma once

#include <QString>
#include <QWidget>

namespace ryvo {

class Page;

// Brings a window to the front by its class name and runs its FormActivate.
class Navigator {
public:
    virtual ~Navigator() = default;
    virtual void Activate(const QString& className) = 0;
    [[nodiscard]] virtual Page* Find(const QString& className) const = 0;
    [[nodiscard]] virtual Page* ActivePage() const = 0;
};

// One window of the program: a page of the frame's stack, named after its class
// ("TMainForm2") with its caption kept as the page's window title.
class Page : public QWidget {
    Q_OBJECT
public:
    Page(const QString& className, const QString& caption, QWidget* parent = nullptr);

    [[nodiscard]] const QString& ClassName() const { return m_className; }
    [[nodiscard]] QString Caption() const { return windowTitle(); }

    void SetNavigator(Navigator* navigator) { m_navigator = navigator; }
    [[nodiscard]] Navigator* GetNavigator() const { return m_navigator; }

    // Runs when the page comes to the front; a window starts its work here.
    virtual void FormActivate() {}
    // Key presses reach a page with key preview before its controls, once per press (not
    // a held key's repeats); true = consumed.
    virtual bool PreviewKey(int /*qtKey*/, const QString& /*text*/) { return false; }

protected:
    void ActivateWindow(const QString& className);

private:
    QString m_className;
    Navigator* m_navigator = nullptr;
};

// Stand-in for a window whose work is not built yet: shows its class name and caption.
class PlaceholderPage final : public Page {
    Q_OBJECT
public:
    PlaceholderPage(const QString& className, const QString& caption, QWidget* parent = nullptr);
};

} // namespace ryvo
