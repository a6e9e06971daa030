#include "platform/Keyboard.h"

#include <QEvent>
#include <QKeyEvent>

#include <optional>

namespace ryvo {

namespace {

std::optional<Key> MapKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Space:
        return Key::Space;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Return;
    case Qt::Key_Escape:
        return Key::Escape;
    case Qt::Key_Up:
        return Key::Up;
    case Qt::Key_Shift:
        return Key::Shift;
    default:
        return std::nullopt;
    }
}

} // namespace

QtKeyboard::QtKeyboard(QObject* parent) : QObject(parent) {}

bool QtKeyboard::IsHeld(Key key) const {
    return m_held[static_cast<int>(key)];
}

bool QtKeyboard::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (!keyEvent->isAutoRepeat()) {
            if (auto key = MapKey(keyEvent->key())) {
                m_held[static_cast<int>(*key)] = type == QEvent::KeyPress;
            }
        }
    } else if (type == QEvent::ApplicationDeactivate) {
        // Releases are not delivered to an inactive application.
        m_held = {};
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ryvo
