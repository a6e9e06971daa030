#pragma once

#include "app/MainChoice.h"
#include "core/Course.h"
#include "core/ProgramState.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace ryvo {

class DeviceCheck;
class SearchRunner;
class TFormShoot;

// The main window: the instructor sets up an exercise here and launches everything else.
class TMainForm2 final : public Page {
    Q_OBJECT
public:
    TMainForm2(ProgramState& state, const Services& services, QWidget* parent = nullptr);

    // Builds the target list and sets the controls from Settings (after the device check).
    void Construct();

    void FormActivate() override;
    bool PreviewKey(int qtKey, const QString& text) override;

    [[nodiscard]] MainChoice CurrentChoice() const;
    void ShowChoice(const MainChoice& choice);
    void GetSettings();

    void BeginShootingClick();
    void PreShootingClick();
    void ArchiveClick();
    void GroupsClick();
    // "Смена": who stands at which lane.
    void RelayClick();
    void TargsClick();
    void BAdditionalSettingsClick();
    void SaveSettingsClick();
    void ExitClick();
    void RepeatSeriesClick();
    // Per-lane targets were chosen: keep them by selecting "individual settings".
    void SelectIndividualTargets();
    // "Проверить прибор" and F5: the start-up device check again, one poll per turn of the
    // event loop; the status line then says what it found.
    void CheckDeviceClick();
    [[nodiscard]] bool CheckingDevice() const;
    void ShowDeviceStatus(const QString& text);
    // The poll rate of the last check or run, with a warning when the link is slow.
    void ShowPollRate();
    // "Найти прибор": every serial port is searched for the device on the event loop; a
    // device found is offered and, if taken, checked as "Проверить прибор" does.
    void FindDeviceClick();
    [[nodiscard]] bool Searching() const;
    // Serial mode on `port` for this session (written only by "Сохранить настройки"), then
    // the lanes are checked again.
    void UseFoundDevice(const QString& port);
    // The controls show Settings again, after another window changed them.
    void ShowSettings();
    // "Демонстрация": shown only where the simulator exists; `onDemo` starts it.
    void SetDemoAvailable(bool available);
    std::function<void()> onDemo;
    // The simulator serves `port`: this session uses it (lanes 1 and 2 get the N4 target when
    // no lane has one), and saving keeps the port the settings had before.
    void UseDemoDevice(const QString& port);
    // While the session uses the demonstration's `demoLink`, saving writes `port` and
    // `ioSerial` (the settings from before the first demonstration) instead.
    void KeepSavedPort(const QString& demoLink, const QString& port, std::uint32_t ioSerial);

    // Ends the program; the composition root sets it (tests watch it).
    std::function<void()> onExit;
    // Opens or closes the range screen.
    std::function<void()> onRangeScreen;

    ~TMainForm2() override;

private:
    void UpdateEnabling();
    // The courses found anew, the one kept beside the settings chosen.
    void LoadCourses();
    void CourseChosen(int index);
    // The device handlers live in a file of their own.
    void ConnectDevice();
    void CheckDeviceStep();
    void SearchFinished();
    // Launching and the device buttons wait while a check or a search holds ports.
    void SetDeviceBusy(bool busy);

    ProgramState& m_state;
    Services m_services;

    QRadioButton* m_n4;
    QRadioButton* m_sport;
    QRadioButton* m_otherTarget;
    QComboBox* m_comboBoxTarget;
    // "Упражнение": the plain series, then the courses found.
    QComboBox* m_comboBoxCourse;
    std::vector<Course> m_courses;
    QRadioButton* m_time[4];
    QSpinBox* m_upDownTime;
    QRadioButton* m_shoots[4];
    QSpinBox* m_upDownShoots;
    QCheckBox* m_changeTargets;
    QRadioButton* m_shooter[4];
    QCheckBox* m_taleEnable;
    QCheckBox* m_gunEnable;
    QCheckBox* m_postGunEnable;
    // Kept beside the settings as soon as it changes, as the course is.
    QCheckBox* m_tracePhases;
    QCheckBox* m_repeatSeries;
    QSpinBox* m_upDownSeries;
    QPushButton* m_beginShooting;
    QPushButton* m_preShooting;
    QPushButton* m_checkDevice;
    QPushButton* m_findDevice;
    QPushButton* m_demo;
    struct SavedPort {
        QString demoLink;
        QString port;
        std::uint32_t ioSerial = 0;
    };
    std::optional<SavedPort> m_savedPort;
    QLabel* m_deviceStatus;
    QLabel* m_pollRate;
    SearchRunner* m_search;
    QString m_statusBeforeSearch;
    QTimer* m_checkTimer;
    std::unique_ptr<TFormShoot> m_poller;
    std::unique_ptr<DeviceCheck> m_check;
};

} // namespace ryvo
