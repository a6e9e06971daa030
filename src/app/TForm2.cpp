#include "app/TForm2.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ryvo {

QString ProductCaption() {
    return QStringLiteral("%1    %2")
        .arg(QString::fromUtf8(kProductName), QString::fromUtf8(kContactLine));
}

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(ProductCaption());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The frame takes the screen it is given (ShowFillingScreen); what the pages ask for never
    // makes it larger, so nothing is pushed below a low screen.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("Pages"));
    layout->addWidget(m_stack, 1);
    m_contact = new QLabel(ProductCaption(), this);
    m_contact->setObjectName(QStringLiteral("ContactLine"));
    m_contact->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_contact->setContentsMargins(8, 2, 8, 2);
    layout->addWidget(m_contact);
    qApp->installEventFilter(this);
}

TForm2::~TForm2() {
    qApp->removeEventFilter(this);
}

void TForm2::AddPage(Page* page) {
    page->SetNavigator(this);
    m_stack->addWidget(page);
    m_pages.insert(page->ClassName(), page);
}

int TForm2::PageCount() const {
    return m_stack->count();
}

Page* TForm2::PageAt(int index) const {
    return qobject_cast<Page*>(m_stack->widget(index));
}

void TForm2::Activate(const QString& className) {
    Page* page = Find(className);
    if (page == nullptr) {
        return;
    }
    m_stack->setCurrentWidget(page);
    page->setFocus();
    page->FormActivate();
}

Page* TForm2::Find(const QString& className) const {
    return m_pages.value(className, nullptr);
}

Page* TForm2::ActivePage() const {
    return qobject_cast<Page*>(m_stack->currentWidget());
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    // Key preview: the active window sees a key before the control that has the focus, once
    // per press. A held key's repeats go to the controls: a held Shift in the replay must
    // not step on, a held Esc must not leave one window and then the next.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        auto* widget = static_cast<QWidget*>(watched);
        Page* page = ActivePage();
        if (page != nullptr && widget->window() == this &&
            (widget == page || page->isAncestorOf(widget))) {
            const auto* keyEvent = static_cast<QKeyEvent*>(event);
            // An unhandled key travels up to the parents; preview it only once.
            if (event == m_previewedEvent && m_previewedReceiver != nullptr &&
                widget != m_previewedReceiver && widget->isAncestorOf(m_previewedReceiver)) {
                return QWidget::eventFilter(watched, event);
            }
            m_previewedEvent = event;
            m_previewedReceiver = widget;
            // Help is the frame's, whatever the window does with its keys.
            if (keyEvent->key() == Qt::Key_F1 && onHelp) {
                onHelp(page->ClassName());
                return true;
            }
            if (page->PreviewKey(keyEvent->key(), keyEvent->text())) {
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ryvo
