#pragma once

#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace ryvo {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Modal message boxes and file choosers.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer Message(const QString& text, const QString& caption, MessageIcon icon,
                                  MessageButtons buttons = MessageButtons::Ok) = 0;
    // filter in the "Description|*.ext" form; nullopt when the user cancels.
    virtual std::optional<QString> OpenFile(const QString& filter, const QString& directory) = 0;
    virtual std::optional<QString> SaveFile(const QString& filter, const QString& directory) = 0;
};

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    MessageAnswer Message(const QString& text, const QString& caption, MessageIcon icon,
                          MessageButtons buttons) override;
    std::optional<QString> OpenFile(const QString& filter, const QString& directory) override;
    std::optional<QString> SaveFile(const QString& filter, const QString& directory) override;

private:
    QWidget* m_parent;
};

// Converts "Description|*.ext|Other|*.x" to Qt's "Description (*.ext);;Other (*.x)".
QString ToQtFilter(const QString& filter);

// Test double: records every message and answers from queues the test fills.
class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        QString text;
        QString caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer Message(const QString& text, const QString& caption, MessageIcon icon,
                          MessageButtons buttons) override;
    std::optional<QString> OpenFile(const QString& filter, const QString& directory) override;
    std::optional<QString> SaveFile(const QString& filter, const QString& directory) override;

    std::vector<Shown> messages;
    std::deque<MessageAnswer> answers;              // default: Ok
    std::deque<std::optional<QString>> fileAnswers; // default: cancelled
    std::vector<QString> fileFilters;
};

} // namespace ryvo
