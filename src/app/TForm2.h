#pragma once

#include "core/Product.h"
#include "platform/Page.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QStackedWidget;

namespace ryvo {

// The product name and the maker's contact line, as the frame and the main window show it.
QString ProductCaption();

// The backdrop: the one top-level frame. It holds every window as a page of its stack,
// shows exactly one of them, and never takes input itself.
class TForm2 final : public QWidget, public Navigator {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Takes ownership; pages are kept in creation order until the program ends.
    void AddPage(Page* page);
    [[nodiscard]] int PageCount() const;
    [[nodiscard]] Page* PageAt(int index) const;

    void Activate(const QString& className) override;
    [[nodiscard]] Page* Find(const QString& className) const override;
    [[nodiscard]] Page* ActivePage() const override;

    // F1 in any window: asks for the manual at that window's section (its class name).
    std::function<void(const QString& className)> onHelp;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStackedWidget* m_stack;
    QLabel* m_contact;
    QHash<QString, Page*> m_pages;
    const QEvent* m_previewedEvent = nullptr;
    QPointer<QWidget> m_previewedReceiver;
};

} // namespace ryvo
