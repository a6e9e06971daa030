#pragma once

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Printer.h"
#include "platform/Sound.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <QString>

#include <cstdint>
#include <random>
#include <vector>

namespace ryvo::monkey {

// Message boxes are the program's own (modal, answered by the monkey's clicks); file
// choosers never open: they answer at once with a cancel or a path inside the start
// directory, so nothing is ever written outside it.
class MonkeyDialogs final : public Dialogs {
public:
    MonkeyDialogs(QString startDir, std::uint32_t seed)
        : m_startDir(std::move(startDir)), m_rng(seed) {}
    void SetParent(QWidget* parent) { m_boxes.SetParent(parent); }

    MessageAnswer Message(const QString& text, const QString& caption, MessageIcon icon,
                          MessageButtons buttons) override;
    std::optional<QString> OpenFile(const QString& filter, const QString& directory) override;
    std::optional<QString> SaveFile(const QString& filter, const QString& directory) override;

    int messages = 0;
    int fileDialogs = 0;

private:
    std::optional<QString> Choose(const QString& filter, bool forSaving);

    QString m_startDir;
    QtDialogs m_boxes;
    std::mt19937 m_rng;
};

// Sounds "play" for a random short while and end from the event loop, or now and then find
// no output device, as the real output does.
class MonkeySound final : public Sound {
public:
    explicit MonkeySound(std::uint32_t seed) : m_rng(seed) {}
    bool PlayAsync(const QByteArray& wav) override;
    bool PlayToCompletion(const QByteArray& wav, Finished finished) override;
    void Beep() override {}

private:
    void EndPending();

    std::mt19937 m_rng;
    Finished m_pending;
    std::uint64_t m_generation = 0;
};

// The five-lane device in the process: every lane aims somewhere that moves now and then
// and pulls its trigger at random; faults switch on for a while now and then.
class MonkeyRange {
public:
    MonkeyRange(Clock& clock, std::uint32_t seed);

    // One step of the range; called from the monkey's tick.
    void Step();

    sim::DeviceModel model;
    sim::SimulatedPortFactory ports;
    int triggers = 0;
    int faults = 0;

private:
    void Aim(int lane);

    Clock& m_clock;
    std::mt19937 m_rng;
    std::vector<sim::Faults::Entry> m_faults;
};

} // namespace ryvo::monkey
