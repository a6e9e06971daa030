#pragma once

#include "platform/Page.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QLabel;
class QStackedWidget;

namespace ryvo {

inline constexpr const char* kProductName = "Ryvo for Windows";
inline constexpr const char* kContactLine = "Разработка и поддержка: команда Ryvo";

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
    int PageCount() const;
    Page* PageAt(int index) const;

    void Activate(const QString& className) override;
    Page* Find(const QString& className) const override;
    Page* ActivePage() const override;

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
