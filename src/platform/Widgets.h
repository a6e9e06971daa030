#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QString>

namespace ryvo {

// Gives a control the name it is known by, so tests and accessibility tools find it.
// Controls without a caption of their own (edits, lists, pictures) also take it as their
// accessible name; buttons, labels and groups are announced by their captions.
template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    const QWidget* w = widget;
    if (qobject_cast<const QAbstractButton*>(w) == nullptr &&
        qobject_cast<const QLabel*>(w) == nullptr && qobject_cast<const QGroupBox*>(w) == nullptr) {
        widget->setAccessibleName(QString::fromLatin1(name));
    }
    return widget;
}

} // namespace ryvo
