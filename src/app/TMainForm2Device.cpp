#include "app/TMainForm2.h"

#include "app/SearchRunner.h"
#include "device/TFormShoot.h"
#include "device/TInitialCheck.h"
#include "platform/Dialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace ryvo {

// The device row of the main window: the check, the search, the demonstration and the poll
// rate they report.
void TMainForm2::ConnectDevice() {
    m_checkTimer = new QTimer(this);
    m_checkTimer->setInterval(0);
    connect(m_checkTimer, &QTimer::timeout, this, &TMainForm2::CheckDeviceStep);
    connect(m_checkDevice, &QPushButton::clicked, this, &TMainForm2::CheckDeviceClick);
    m_search = new SearchRunner(m_state, m_services, this);
    m_search->onProgress = [this] { ShowDeviceStatus(m_search->Text()); };
    m_search->onFinished = [this] { SearchFinished(); };
    connect(m_findDevice, &QPushButton::clicked, this, &TMainForm2::FindDeviceClick);
    connect(m_demo, &QPushButton::clicked, this, [this] {
        if (onDemo && !m_check && !Searching()) {
            onDemo();
        }
    });
}

bool TMainForm2::CheckingDevice() const {
    return m_check != nullptr;
}

void TMainForm2::ShowDeviceStatus(const QString& text) {
    m_deviceStatus->setText(text);
}

void TMainForm2::ShowPollRate() {
    const bool serial = m_state.settings.IO_Serial == 1;
    m_pollRate->setText(serial ? PollRateText(m_state.Polls, m_state.settings.SerialPort)
                               : QString());
    m_pollRate->setStyleSheet(serial && LinkSlow(m_state.Polls) ? QStringLiteral("color: #B00000;")
                                                                : QString());
}

void TMainForm2::SetDeviceBusy(bool busy) {
    m_checkDevice->setEnabled(!busy);
    m_findDevice->setEnabled(!busy);
    m_beginShooting->setEnabled(!busy);
    m_preShooting->setEnabled(!busy);
}

bool TMainForm2::Searching() const {
    return m_search->Running();
}

void TMainForm2::FindDeviceClick() {
    if (m_check || Searching()) {
        return;
    }
    m_statusBeforeSearch = m_deviceStatus->text();
    SetDeviceBusy(true);
    m_search->Start();
}

void TMainForm2::SearchFinished() {
    SetDeviceBusy(false);
    const DeviceSearch* search = m_search->Search();
    if (search == nullptr || !search->Found()) {
        ShowDeviceStatus(m_search->Text());
        return;
    }
    ShowDeviceStatus(m_search->Text());
    if (OfferFoundDevice(m_services.dialogs, *search->Found())) {
        UseFoundDevice(*search->Found());
    } else {
        ShowDeviceStatus(m_statusBeforeSearch);
    }
}

void TMainForm2::UseFoundDevice(const QString& port) {
    m_state.settings.SerialPort = port;
    m_state.settings.IO_Serial = 1;
    // The serial device's levels are judged against its own nominal level.
    ApplySignalLimits(m_state);
    CheckDeviceClick();
}

void TMainForm2::SetDemoAvailable(bool available) {
    m_demo->setVisible(available);
}

void TMainForm2::KeepSavedPort(const QString& demoLink, const QString& port,
                               std::uint32_t ioSerial) {
    if (m_savedPort) {
        m_savedPort->demoLink = demoLink; // a demonstration started again
    } else {
        m_savedPort = SavedPort{demoLink, port, ioSerial};
    }
}

void TMainForm2::UseDemoDevice(const QString& port) {
    KeepSavedPort(port, m_state.settings.SerialPort, m_state.settings.IO_Serial);
    auto& target = m_state.settings.Target;
    if (std::none_of(target.begin(), target.begin() + kLaneCount, [](auto t) { return t > 0; })) {
        target[0] = 1;
        target[1] = 1;
        ShowSettings();
    }
    UseFoundDevice(port);
}

void TMainForm2::ShowSettings() {
    ShowChoice(ChoiceFromSettings(
        m_state.settings, m_state.TargetLibrary ? m_state.OtherTargetCount : 0, CurrentChoice()));
}

void TMainForm2::CheckDeviceClick() {
    if (m_check || Searching()) {
        return;
    }
    if (!m_poller) {
        m_poller = std::make_unique<TFormShoot>(m_state, m_services);
    }
    // A run would open the port the check holds: launching waits for the check to end.
    SetDeviceBusy(true);
    ShowDeviceStatus(QStringLiteral("Идет проверка прибора..."));
    m_check = std::make_unique<DeviceCheck>(m_state, m_services, *m_poller);
    m_check->BeginRecheck();
    m_checkTimer->start();
}

void TMainForm2::CheckDeviceStep() {
    if (m_check && m_check->Step()) {
        return;
    }
    m_checkTimer->stop();
    if (m_check) {
        ShowDeviceStatus(m_check->FinishRecheck());
        m_check.reset();
        ShowPollRate();
    }
    SetDeviceBusy(false);
}

} // namespace ryvo
