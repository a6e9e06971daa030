#include "device/TInitialCheck.h"

#include "device/SerialLink.h"

#include <QFileInfo>
#include <QStringList>

#include <cmath>

namespace ryvo {

namespace {

constexpr int kPollsSerial = 50;
constexpr int kPollsPortCard = 200;

} // namespace

DeviceCheck::DeviceCheck(ProgramState& state, const Services& services, TFormShoot& poller)
    : m_state(state), m_services(services), m_poller(poller) {}

void DeviceCheck::BeginBurst() {
    m_shooter = m_state.settings.Shooter;
    const bool serial = m_state.settings.IO_Serial == 1;
    m_state.NoData = 1;
    m_remaining = 0;
    if (!serial) {
        if (ProbePortCard(m_state, 0x300) != 0) {
            m_state.CurrentLane = 0;
            m_state.settings.Shooter = 1;
        } else if (ProbePortCard(m_state, 0x308) != 0) {
            m_state.CurrentLane = 1;
            m_state.settings.Shooter = 2;
        } else {
            return;
        }
    }
    m_remaining = serial ? kPollsSerial : kPollsPortCard;
}

bool DeviceCheck::Step() {
    if (m_remaining <= 0) {
        return false;
    }
    if (m_poller.PollLane(0) != -1) {
        m_state.NoData = 0;
    }
    --m_remaining;
    return m_remaining > 0;
}

int DeviceCheck::EndBurst() {
    m_remaining = 0;
    m_state.settings.Shooter = m_shooter;
    return m_state.NoData == 0 ? 1 : 0;
}

QString DeviceCheck::SettleLanes() {
    if (m_state.settings.IO_Serial != 1) {
        m_state.LanePresent[0] = ProbePortCard(m_state, 0x300);
        m_state.LanePresent[1] = ProbePortCard(m_state, 0x308);
        for (int lane = 2; lane < kLaneCount; ++lane) {
            m_state.LanePresent[static_cast<size_t>(lane)] = 0;
        }
        return {};
    }
    ClosePort(m_state); // each exercise opens the port again
    if (m_state.NoData != 0) {
        m_state.LanePresent.fill(0);
        return QStringLiteral("Не поступают данные через последовательный порт %1")
            .arg(m_state.settings.SerialPort);
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        m_state.LanePresent[i] = m_state.settings.Target[i] != -1 ? 1 : 0;
    }
    return {};
}

QString PortCardStatusText() {
    return QStringLiteral("Режим платы ввода: прибор не проверяется");
}

QString OfferSearchText() {
    return QStringLiteral("\n\nИскать прибор на всех последовательных портах?");
}

HostSystem ThisSystem() {
#if defined(Q_OS_WIN)
    return HostSystem::Windows;
#elif defined(Q_OS_LINUX)
    return HostSystem::Linux;
#else
    return HostSystem::Other;
#endif
}

bool LinkSlow(const PollMeter& meter) {
    const auto rate = meter.Rate();
    return rate && *rate < kSlowPollRate;
}

QString PollRateText(const PollMeter& meter, const QString& port, HostSystem host) {
    const auto rate = meter.Rate();
    if (!rate) {
        return {};
    }
    QString line = QStringLiteral("Опрос: %1 в с").arg(std::lround(*rate));
    if (*rate >= kSlowPollRate) {
        return line;
    }
    const QString slow =
        line + QStringLiteral(" — связь с прибором медленная (нужно не меньше %1 в с). ")
                   .arg(static_cast<int>(kSlowPollRate));
    const QString device = host == HostSystem::Windows ? port : SystemPortName(port);
    if (host == HostSystem::Linux && meter.lowLatency == LowLatency::Failed) {
        return slow + QStringLiteral("Режим малой задержки для %1 включить не удалось. Включите "
                                     "его с правами администратора: setserial %1 low_latency, или "
                                     "для USB-переходника: echo 1 > "
                                     "/sys/bus/usb-serial/devices/%2/latency_timer")
                          .arg(device, QFileInfo(device).fileName());
    }
    if (host == HostSystem::Linux && meter.lowLatency == LowLatency::On) {
        return slow + QStringLiteral("Режим малой задержки для %1 включен, но ответы всё равно "
                                     "запаздывают: проверьте переходник и кабель.")
                          .arg(device);
    }
    if (host == HostSystem::Windows) {
        return slow + QStringLiteral("Для USB-переходника уменьшите время задержки до 1 мс: "
                                     "Диспетчер устройств → Порты → %1 → Свойства → Параметры "
                                     "порта → Дополнительно → Время задержки (Latency Timer).")
                          .arg(device);
    }
    return slow + QStringLiteral("Для USB-переходника уменьшите его время задержки (latency "
                                 "timer) до 1 мс.");
}

QString DeviceCheck::Summary() const {
    // The port-card probe reports a card without reading anything: nothing is known of a
    // device, whatever the polls on the serial port did.
    if (m_state.settings.IO_Serial != 1) {
        return PortCardStatusText();
    }
    if (m_state.NoData != 0) {
        return QStringLiteral("Не поступают данные через последовательный порт %1")
            .arg(m_state.settings.SerialPort);
    }
    QStringList lanes;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        if (m_state.LanePresent[static_cast<size_t>(lane)] == 1) {
            lanes << QString::number(lane + 1);
        }
    }
    if (lanes.isEmpty()) {
        return QStringLiteral("Прибор отвечает, но ни одному стрелку не назначена мишень");
    }
    return QStringLiteral("Прибор отвечает: %1 %2")
        .arg(lanes.size() == 1 ? QStringLiteral("стрелок") : QStringLiteral("стрелки"),
             lanes.join(QStringLiteral(", ")));
}

void DeviceCheck::BeginRecheck() {
    // Port-card mode keeps the start-up handle open; the port cannot be opened twice.
    ClosePort(m_state);
    if (OpenPort(m_state, m_services) == 0) {
        m_state.LanePresent.fill(0);
    }
    BeginBurst();
}

QString DeviceCheck::FinishRecheck() {
    EndBurst();
    SettleLanes();
    return Summary();
}

} // namespace ryvo
