#pragma once

#include <QAbstractButton>
#include <QBoxLayout>
#include <QGridLayout>
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

// Narrow margins and rows inside a group box of a side column that must fit a low screen.
inline void CompactLayout(QBoxLayout* layout) {
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);
}
inline void CompactLayout(QGridLayout* layout) {
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setVerticalSpacing(2);
}

// The widget keeps its place in the layout while hidden, so showing it moves nothing.
inline void KeepPlaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace ryvo
