#include "device/SerialLink.h"

#include "device/DeviceProtocol.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

namespace ryvo {

namespace {

constexpr std::uint32_t kLampPauseMs = 2;
constexpr int kSteadyOffRepeats = 5;
constexpr int kFlashOffRepeats = 3;

std::uint8_t LaneCommand(std::uint8_t base, int lane) {
    return static_cast<std::uint8_t>(base + lane);
}

} // namespace

int OpenPort(ProgramState& state, const Services& services) {
    const QString name = state.settings.SerialPort;
    // A handle still held (port-card mode keeps the start-up one) is closed first: serial
    // ports open exclusively.
    ClosePort(state);
    state.PortEverOpened = true;
    state.Port = services.ports != nullptr ? services.ports->Open(name) : nullptr;
    state.Polls.Reset(state.Port ? state.Port->LowLatencyMode() : LowLatency::NotApplicable);
    if (!state.Port || !state.Port->IsOpen()) {
        state.LanePresent.fill(0);
        return 0;
    }
    if (!state.Port->SettingsApplied() && services.dialogs != nullptr) {
        services.dialogs->Message(QStringLiteral("Ошибка инициализации последовательного по") +
                                      QChar(u'p') + QStringLiteral("та %1").arg(name),
                                  QStringLiteral("Error"), MessageIcon::Error);
    }
    return 1;
}

void ClosePort(ProgramState& state) {
    if (state.Port) {
        state.Port->Close();
        state.Port.reset();
    }
}

void WriteByte(ProgramState& state, std::uint8_t value) {
    if (state.Port) {
        state.Port->WriteByte(value);
    }
}

int ReadBytes(ProgramState& state, std::uint8_t* buffer, int count) {
    return state.Port ? state.Port->Read(buffer, count) : 0;
}

void DiscardInput(ProgramState& state) {
    if (state.Port) {
        state.Port->DiscardInput();
    }
}

void SteadyLampOn(ProgramState& state, int lane) {
    WriteByte(state, LaneCommand(kSteadyLampOn, lane));
}

void SteadyLampOff(ProgramState& state, Clock& clock, int lane) {
    for (int i = 0; i < kSteadyOffRepeats; ++i) {
        clock.Sleep(kLampPauseMs);
        WriteByte(state, LaneCommand(kSteadyLampOff, lane));
    }
}

void FlashLampOn(ProgramState& state, int lane) {
    WriteByte(state, LaneCommand(kFlashLampOn, lane));
}

void FlashLampOff(ProgramState& state, Clock& clock, int lane) {
    for (int i = 0; i < kFlashOffRepeats; ++i) {
        if (i > 0) {
            clock.Sleep(kLampPauseMs);
        }
        WriteByte(state, LaneCommand(kFlashLampOff, lane));
    }
}

void AllLampsOff(ProgramState& state, Clock& clock) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        SteadyLampOff(state, clock, lane);
    }
}

} // namespace ryvo
