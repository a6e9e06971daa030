#pragma once

#include "core/ProgramState.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace ryvo {

class SearchRunner;

// The first start, without a settings file: the device is looked for on every serial port,
// the dialog says what was found, which lanes to use with which target, and offers three
// ways on: use the device found, the demonstration, or the settings. Its choices go into
// Settings as the main window's do; nothing is written unless the user asks for it.
class TFirstStart final : public Page {
    Q_OBJECT
public:
    TFirstStart(ProgramState& state, const Services& services, QWidget* parent = nullptr);
    ~TFirstStart() override;

    // The search starts when the dialog first comes up.
    void FormActivate() override;
    bool PreviewKey(int qtKey, const QString& text) override;

    void SetDemoAvailable(bool available);
    [[nodiscard]] bool Searching() const;

    // The device found, the lanes ticked with the target chosen: `onUseDevice(port, save)`.
    void UseDeviceClick();
    // The lanes ticked (lanes 1 and 2 when none is) with the target chosen: `onDemo(save)`.
    void DemoClick();
    // The additional settings window, Settings left as they are.
    void SettingsClick();
    void SearchAgainClick();

    std::function<void(const QString& port, bool save)> onUseDevice;
    std::function<void(bool save)> onDemo;

private:
    void SearchFinished();
    void ApplyLanes();

    ProgramState& m_state;
    Services m_services;
    SearchRunner* m_search;
    bool m_searched = false;
    QLabel* m_found;
    std::array<QCheckBox*, kLaneCount> m_lanes{};
    QComboBox* m_target;
    QCheckBox* m_save;
    QPushButton* m_use;
    QPushButton* m_demo;
    QPushButton* m_again;
};

} // namespace ryvo
