#include "exercise/LampRunner.h"

#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "platform/Clock.h"
#include "targets/LightScript.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

constexpr std::uint32_t kBusyRetryMs = 20;
constexpr std::uint32_t kFlashOnMs = 150;
constexpr std::uint32_t kFlashOffMs = 250;
constexpr std::uint32_t kLampPauseMs = 2;
// A pause longer than this in a script is taken as this (about 24 days).
constexpr float kLongestPauseMs = 2.0e9F;

} // namespace

LampRunner::LampRunner(ProgramState& state, Clock& clock, const int* portFree, LampRules rules,
                       LampHooks hooks)
    : m_state(state), m_clock(clock), m_portFree(portFree), m_rules(rules),
      m_hooks(std::move(hooks)) {}

void LampRunner::AddTo(TimerSet& timers) {
    timers.Add(script, [this] { ScriptStep(m_clock.TickCount()); });
    for (int lane = 0; lane < kLaneCount; ++lane) {
        timers.Add(flash[static_cast<size_t>(lane)],
                   [this, lane] { FlashStep(lane, m_clock.TickCount()); });
    }
}

void LampRunner::Start(std::uint32_t now) {
    scriptPos = 0;
    script.interval = kBusyRetryMs;
    script.Start(now);
}

void LampRunner::StartAtOnce(std::uint32_t now) {
    scriptPos = 0;
    script.interval = 0;
    script.Start(now);
}

void LampRunner::Stop() {
    script.Stop();
    for (LogicalTimer& t : flash) {
        t.Stop();
    }
}

bool LampRunner::Obeys(std::uint32_t target) const {
    return target < static_cast<std::uint32_t>(kLaneCount) &&
           (m_rules.lanes & LaneBit(static_cast<int>(target))) != 0;
}

void LampRunner::Send(std::uint8_t base, int lane, LampSend how) {
    for (int i = 0; i < how.times; ++i) {
        if (how.pauseFirst || i > 0) {
            m_clock.Sleep(kLampPauseMs);
        }
        WriteByte(m_state, static_cast<std::uint8_t>(base + lane));
    }
}

void LampRunner::ScriptStep(std::uint32_t now) {
    if (m_portFree != nullptr && *m_portFree == 0) {
        script.SetInterval(kBusyRetryMs, now);
        return;
    }
    const std::vector<QString>& lines = m_state.ScriptLines;
    if (scriptPos < 0 || static_cast<size_t>(scriptPos) >= lines.size()) {
        // A script without its stop line ends where its lines end.
        script.Stop();
        return;
    }
    const auto command = ParseScriptLine(lines[static_cast<size_t>(scriptPos)]);
    if (command) {
        const bool own = Obeys(command->target);
        const int lane = static_cast<int>(command->target);
        switch (command->code) {
        case kLampOn:
        case kLampOff: {
            const bool on = command->code == kLampOn;
            if (own) {
                Send(on ? kSteadyLampOn : kSteadyLampOff, lane,
                     on ? m_rules.sends.steadyOn : m_rules.sends.steadyOff);
                m_state.run.LaneLit[static_cast<size_t>(lane)] = on ? 1 : 0;
                if (m_hooks.steady) {
                    m_hooks.steady(lane, on);
                }
            }
            script.SetInterval(on ? m_rules.steps.lampOn : m_rules.steps.lampOff, now);
            break;
        }
        case kPause: {
            const float ms =
                std::clamp(std::trunc(command->seconds * 1000.0F), 0.0F, kLongestPauseMs);
            script.SetInterval(static_cast<std::uint32_t>(ms), now);
            break;
        }
        case kFlashes:
            if (own) {
                // Read as "%u": a count of -1 comes as 2^32 - 1 and is -1 again here.
                FlashCount[static_cast<size_t>(lane)] = static_cast<std::int32_t>(command->count);
                LogicalTimer& t = flash[static_cast<size_t>(lane)];
                t.SetInterval(m_rules.steps.flash, now);
                t.Start(now);
                script.SetInterval(m_rules.steps.flash, now);
            } else if (m_rules.steps.foreignFlash) {
                script.SetInterval(*m_rules.steps.foreignFlash, now);
            }
            break;
        case kStop:
            script.Stop();
            break;
        default:
            break;
        }
    }
    ++scriptPos;
}

void LampRunner::FlashStep(int lane, std::uint32_t now) {
    const auto i = static_cast<size_t>(lane);
    LogicalTimer& t = flash[i];
    if (t.interval == m_rules.steps.flash || t.interval == kFlashOffMs) {
        if (FlashCount[i] > 0) {
            FlashLampOn(m_state, lane);
            if (m_hooks.flashSound) {
                m_hooks.flashSound();
            }
            --FlashCount[i];
            if (m_hooks.flash) {
                m_hooks.flash(lane, true);
            }
            t.SetInterval(kFlashOnMs, now);
        } else {
            t.Stop();
        }
    } else {
        Send(kFlashLampOff, lane, m_rules.sends.flashOff);
        if (m_hooks.flash) {
            m_hooks.flash(lane, false);
        }
        t.SetInterval(kFlashOffMs, now);
    }
}

} // namespace ryvo
