#pragma once

#include <QAbstractScrollArea>
#include <QRect>
#include <QStringList>
#include <QWidget>

namespace ryvo::test {

inline QRect GlobalRect(const QWidget& w) {
    return {w.mapToGlobal(QPoint(0, 0)), w.size()};
}

// The visible controls below `root` that are not wholly inside `area` (global coordinates)
// or that a parent cuts off, each with where it is. The insides of scrolled views are left
// out: they are cut on purpose.
inline QStringList ControlsOffArea(const QWidget& root, const QRect& area) {
    QStringList off;
    for (const QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        const QRect r = GlobalRect(*w);
        bool cut = !area.contains(r);
        bool scrolled = false;
        for (const QWidget* a = w->parentWidget(); a != nullptr && a != &root;
             a = a->parentWidget()) {
            if (qobject_cast<const QAbstractScrollArea*>(a) != nullptr) {
                scrolled = true;
                break;
            }
            cut = cut || !GlobalRect(*a).contains(r);
        }
        if (cut && !scrolled) {
            off << QStringLiteral("%1 %2 (%3,%4 %5x%6)")
                       .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
                       .arg(r.x())
                       .arg(r.y())
                       .arg(r.width())
                       .arg(r.height());
        }
    }
    return off;
}

// True when `inner` fits within `outer` both ways.
inline bool FitsIn(QSize inner, QSize outer) {
    return inner.width() <= outer.width() && inner.height() <= outer.height();
}

} // namespace ryvo::test
