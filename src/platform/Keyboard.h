#pragma once

#include <QObject>

#include <array>

namespace ryvo {

enum class Key { Space, Return, Escape, Up, Shift };
inline constexpr int kKeyCount = 5;

// "Is this key held right now", as the exercise loops ask it.
class Keyboard {
public:
    virtual ~Keyboard() = default;
    [[nodiscard]] virtual bool IsHeld(Key key) const = 0;
};

// Tracks key state from the application's key events; install once on the QApplication.
class QtKeyboard final : public QObject, public Keyboard {
    Q_OBJECT
public:
    explicit QtKeyboard(QObject* parent = nullptr);
    [[nodiscard]] bool IsHeld(Key key) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<bool, kKeyCount> m_held{};
};

// Test double: the test sets which keys are held.
class ScriptedKeyboard final : public Keyboard {
public:
    [[nodiscard]] bool IsHeld(Key key) const override { return m_held[static_cast<int>(key)]; }
    void Set(Key key, bool held) { m_held[static_cast<int>(key)] = held; }
    void ReleaseAll() { m_held = {}; }

private:
    std::array<bool, kKeyCount> m_held{};
};

} // namespace ryvo
