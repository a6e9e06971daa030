#pragma once

#include <QString>

namespace ryvo {

// Gives a control the name it is known by, so tests and accessibility tools find it.
template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace ryvo
