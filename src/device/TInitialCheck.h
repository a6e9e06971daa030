#pragma once

#include "core/ProgramState.h"
#include "device/TFormShoot.h"
#include "platform/Services.h"

#include <QString>

namespace ryvo {

// The status line in port-card mode, which has no input path to check.
QString PortCardStatusText();
// Follows the start-up message about missing data: the question whether to search.
QString OfferSearchText();

// Below this many polls a second a device that answers is on a slow link.
inline constexpr double kSlowPollRate = 200.0;
enum class HostSystem { Windows, Linux, Other };
HostSystem ThisSystem();
// "Опрос: 530 в с", with what to do when the link is slow (USB adapter latency: the timer
// setting on Windows, the low-latency mode on Linux); empty while too few polls were answered.
QString PollRateText(const PollMeter& meter, const QString& port, HostSystem host = ThisSystem());
[[nodiscard]] bool LinkSlow(const PollMeter& meter);

// The device check of start-up: a burst of polls on lane 0, then which lanes may take part.
// It runs once at start-up and again whenever the user asks, one poll per Step, so a window
// can keep its event loop going between polls.
class DeviceCheck {
public:
    DeviceCheck(ProgramState& state, const Services& services, TFormShoot& poller);

    // The poll burst (50 polls, 200 in port-card mode). Shooter is put back at its end.
    void BeginBurst();
    // One poll; false once the burst is over.
    bool Step();
    [[nodiscard]] bool Running() const { return m_remaining > 0; }
    // 1 when at least one poll was answered, else 0; NoData says the same.
    int EndBurst();

    // With the serial port: closes it and takes the lanes from Target, or none when no poll
    // was answered. Port-card mode: lanes 0 and 1, the port stays open. Returns the message
    // about missing data, or an empty text.
    QString SettleLanes();
    // One line for the user on what the last check found.
    [[nodiscard]] QString Summary() const;

    // A check run again: the port is opened afresh (one left open is closed first).
    void BeginRecheck();
    // Ends a recheck started with BeginRecheck (after Step returned false); the summary.
    QString FinishRecheck();

private:
    ProgramState& m_state;
    Services m_services;
    TFormShoot& m_poller;
    std::uint32_t m_shooter = 0;
    int m_remaining = 0;
};

} // namespace ryvo
