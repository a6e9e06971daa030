#pragma once

#include "Watchdog.h"

#include "app/Startup.h"
#include "core/ProgramState.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <vector>

class QWidget;

namespace ryvo::monkey {

class MonkeyRange;

// Sends random clicks, keys and text to whatever window of the program is in front, for a
// given time; the program is started again in the same directory whenever it ends.
class Monkey final : public QObject {
    Q_OBJECT
public:
    // One start of the program: its state and the application built over it.
    struct Session {
        ProgramState state;
        std::unique_ptr<RyvoApplication> app;
    };
    struct Program {
        std::function<std::unique_ptr<Session>()> start;
        MonkeyRange* range = nullptr;
    };

    Monkey(std::uint32_t seed, std::chrono::seconds duration, Program program, ActionLog& log,
           Watchdog& watchdog);
    ~Monkey() override;

    // Runs the event loop until the time is up and the program has ended.
    void Run();

    [[nodiscard]] const std::set<QString>& WindowsReached() const { return m_windows; }
    [[nodiscard]] int Starts() const { return m_starts; }
    // Characters typed, one event each beside the actions.
    [[nodiscard]] std::uint64_t Typed() const { return m_typed; }
    // Prints every action as it is sent.
    bool trace = false;

private:
    void Tick();
    void Act();
    void ActOnModal(QWidget* modal);
    void ActOnPage(QWidget* root, const QString& window);
    void Click(QWidget* widget, const QString& window);
    void ClickItem(QWidget* view, const QString& window);
    void PressKey(QWidget* root, const QString& window);
    void TypeText(QWidget* root, const QString& window);
    // Sends the next character of the text being typed; false when none is being typed.
    bool TypeNext();
    void OpenFromMain(QWidget* root);
    void EndProgram();
    void StartProgram();
    void Note(const QString& action);
    void ReleaseHeldKeys(bool all);
    QWidget* PickWidget(QWidget* root, bool interactiveOnly);
    int Below(int n);
    bool Chance(int percent) { return Below(100) < percent; }

    std::mt19937 m_rng;
    std::chrono::steady_clock::time_point m_deadline;
    Program m_program;
    ActionLog& m_log;
    Watchdog& m_watchdog;
    std::unique_ptr<Session> m_session;
    std::set<QString> m_windows;
    struct HeldKey {
        QPointer<QWidget> widget;
        int key;
        int ticks;
    };
    std::vector<HeldKey> m_heldKeys;
    struct Typing {
        QPointer<QWidget> widget;
        QString rest;
        bool enter = false;
    };
    Typing m_typing;
    int m_starts = 0;
    std::uint64_t m_typed = 0;
    bool m_ending = false;
    int m_depth = 0; // ticks running, one inside another while a modal window is up
    bool m_done = false;
    bool m_starting = false;
};

} // namespace ryvo::monkey
