#include "MonkeyWidgets.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabBar>
#include <QTextEdit>

namespace ryvo::monkey {

bool Interactive(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) != nullptr ||
           qobject_cast<const QComboBox*>(w) != nullptr ||
           qobject_cast<const QAbstractItemView*>(w) != nullptr ||
           qobject_cast<const QLineEdit*>(w) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
           qobject_cast<const QAbstractSlider*>(w) != nullptr ||
           qobject_cast<const QTabBar*>(w) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(w) != nullptr ||
           qobject_cast<const QTextEdit*>(w) != nullptr;
}

bool Editable(const QWidget* w) {
    if (const auto* line = qobject_cast<const QLineEdit*>(w)) {
        return !line->isReadOnly();
    }
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(w)) {
        return !spin->isReadOnly();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w)) {
        return !plain->isReadOnly();
    }
    if (const auto* rich = qobject_cast<const QTextEdit*>(w)) {
        return !rich->isReadOnly();
    }
    return false;
}

bool InsideItemView(const QWidget* w, const QWidget* root) {
    for (const QWidget* p = w->parentWidget(); p != nullptr && p != root; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractItemView*>(p) != nullptr) {
            return true;
        }
    }
    return false;
}

QString Describe(const QWidget* w) {
    QString text = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty()) {
        text += QStringLiteral(" '") + w->objectName() + QLatin1Char('\'');
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        text += QStringLiteral(" \"") + button->text() + QLatin1Char('"');
    }
    return text;
}

QString WindowName(const QWidget* w) {
    if (qobject_cast<const QMessageBox*>(w) != nullptr) {
        return QStringLiteral("QMessageBox");
    }
    QString name = QString::fromLatin1(w->metaObject()->className());
    name.remove(QStringLiteral("ryvo::"));
    return name;
}

void SendChar(QWidget* w, QChar ch) {
    const int key = ch.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
    QPointer<QWidget> guard(w);
    QApplication::sendEvent(w, &press);
    if (guard) {
        QApplication::sendEvent(w, &release);
    }
}

} // namespace ryvo::monkey
