#include "platform/Page.h"

#include <QLabel>
#include <QVBoxLayout>

namespace ryvo {

Page::Page(const QString& className, const QString& caption, QWidget* parent)
    : QWidget(parent), m_className(className) {
    setObjectName(className);
    setWindowTitle(caption);
}

void Page::ActivateWindow(const QString& className) {
    if (m_navigator != nullptr) {
        m_navigator->Activate(className);
    }
}

PlaceholderPage::PlaceholderPage(const QString& className, const QString& caption, QWidget* parent)
    : Page(className, caption, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("%1\n%2").arg(className, caption), this);
    label->setObjectName(QStringLiteral("PlaceholderText"));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

} // namespace ryvo
