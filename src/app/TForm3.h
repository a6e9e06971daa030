#pragma once

#include "core/ProgramState.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ryvo {

// The additional settings: calibration of one lane at a time, the four times, the redraw
// interval, the serial port, the sounds, active targets and the automatic-weapon switch.
class TForm3 final : public Page {
    Q_OBJECT
public:
    TForm3(ProgramState& state, const Services& services, QWidget* parent = nullptr);

    // After the settings file was read: show the times, the redraw interval, the port mode
    // and the chosen sounds (a sound index beyond its list selects nothing).
    void SettingsLoaded();

    void FormActivate() override;
    bool PreviewKey(int qtKey, const QString& text) override;

    void Button1Click();
    void UpDown1Click(int step);
    // Apply, reload sounds, back to the main window; stays when a number did not convert or
    // the lane number is out of range.
    void ExitClick();
    // Apply, reload sounds, write the calibration file; the window stays. Nothing is written
    // when the apply stopped.
    void Button2Click();
    void Button3Click();
    // "Найти прибор" beside the port field: every serial port is searched; a device found
    // and taken goes into the port field and serial mode, and `onUseDevice` has the lanes
    // checked again.
    void FindDeviceClick();
    [[nodiscard]] bool Searching() const;
    std::function<void(const QString& port)> onUseDevice;
    // True while the device is being checked elsewhere: the search then waits.
    std::function<bool()> deviceBusy;

    [[nodiscard]] std::int32_t ShownLane() const { return m_shownLane; }

private:
    enum class Outcome { Done, Stopped };
    Outcome Apply();
    void ReloadChosenSounds();
    // False (with a message naming the field) when an edit holds no number.
    bool StoreCalibrationEdits();
    void ShowCalibration();
    void ShowTimes();
    void ShowError(const QString& text);
    void ShowBadLane();
    void FillSoundList(int list);
    void SelectSound(int list, std::uint32_t index);
    // The serial port group, built and wired in a file of its own.
    QGroupBox* BuildPortGroup();
    void ConnectPortGroup();
    void RefreshPortList();
    void SearchFinished();
    void ShowPortField(const QString& port);

    static constexpr qsizetype kMaxPortText = 53;

    ProgramState& m_state;
    Services m_services;
    std::int32_t m_shownLane = 0;
    int m_upDown1Position = 1;

    QLineEdit* m_edit1;
    QSpinBox* m_timeShoot;
    QSpinBox* m_timeGun;
    QSpinBox* m_timePost;
    QSpinBox* m_timeTrace;
    std::array<QLineEdit*, 6> m_calibration{}; // CentX, CentY, ScaleL, ScaleR, ScaleU, ScaleD
    QLineEdit* m_numRepDraw;
    QCheckBox* m_checkBox1;
    QLineEdit* m_editCom;
    QComboBox* m_portList;
    QPushButton* m_findDevice;
    QLabel* m_searchStatus;
    class SearchRunner* m_search;
    std::array<QComboBox*, 3> m_sounds{};
    QCheckBox* m_smartTarget;
    QCheckBox* m_automat;
};

} // namespace ryvo
