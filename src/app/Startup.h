#pragma once

#include "app/TForm2.h"
#include "core/ProgramState.h"
#include "platform/Services.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QCoreApplication;
class QTranslator;
class QWidget;

namespace ryvo {

struct WindowSpec {
    const char* className;
    const char* caption;
};

// The windows in creation order; the backdrop frame is the first.
inline constexpr std::array<WindowSpec, 16> kWindowOrder = {{
    {"TForm2", kProductName},
    {"TInitial", "Инициализация"},
    {"TGroupsForm", "Groups"},
    {"TArchiv1", "Выбор группы"},
    {"TArchiv2", "Выбранная группа"},
    {"TArchiv3", "Мишень"},
    {"TShooterCard", "Стрелок"},
    {"TForm3", "Дополнительные параметры"},
    {"TSave_Print", "Запись / Печать"},
    {"TShoot1", "Стрельба"},
    {"TPreShoot", "Пристрелка"},
    {"TShoot2", "Стрельба: два стрелка"},
    {"TShoots5", "Стрельба: до пяти стрелков"},
    {"TMainForm2", kProductName},
    {"TTargsType", "Установить мишени"},
    {"TFormTarLight", "Управление мишенями"},
}};

class ArchiveBrowser;
class DemoDevice;
class HelpWindow;
class TFirstStart;
class TInitial;
class TRangeScreen;

// The application object as the program runs it: its name, and Qt's own Russian texts for
// standard buttons and file dialogs (the translator, or nullptr without one). No display
// name: platforms append it to every title.
QTranslator* PrepareApplication(QCoreApplication& app);
// Installs Qt's Russian translation of its standard texts (owned by app); nullptr when no
// translation file is found.
QTranslator* InstallQtRussian(QCoreApplication& app);
// Shows a top-level window over the whole available screen: maximised where a window
// manager is running, and at that size where none is.
void ShowFillingScreen(QWidget& window);

// The composition root: builds the frame and every window in order, runs the device
// initialisation while the main window is created, then activates the main window.
class RyvoApplication {
public:
    RyvoApplication(ProgramState& state, const Services& services);
    ~RyvoApplication();

    // Reads the calibration file during the device check; set before CreateWindows.
    void SetReadCalibration(std::function<void()> readCalibration) {
        m_readCalibration = std::move(readCalibration);
    }

    // The simulator the demonstration runs (ryvo-sim beside the program); without one the
    // demonstration is not offered. Set before CreateWindows.
    void SetSimulator(const QString& program);
    // Start in the demonstration: the simulator serves this session's port from the device
    // check on, and the first-start dialog is skipped. Set before CreateWindows.
    void SetDemoAtStart(bool demo) { m_demoAtStart = demo; }

    // Builds the windows; without a settings file in the start directory this is the first
    // start, whose dialog Start shows instead of the main window.
    void CreateWindows();
    void Start();
    // Starts the demonstration (or points the session at it again when it runs).
    void StartDemo();

    TForm2& Frame() { return *m_frame; }
    ProgramState& State() { return m_state; }
    TInitial* Initial() { return m_initial; }
    DemoDevice* Demo() { return m_demo.get(); }
    // Opens the range screen beside the frame, or closes it; made on first use.
    void ToggleRangeScreen();
    [[nodiscard]] TRangeScreen* RangeScreen() const { return m_rangeScreen.get(); }
    // Opens the manual at the section of a window (F1 there); made on first use.
    void ShowHelp(const QString& className);
    [[nodiscard]] HelpWindow* Help() const { return m_help.get(); }

private:
    Page* CreatePage(const WindowSpec& window);
    void DeviceInitialisation();
    void DemoAtStart();
    void ShowFirstStart();

    ProgramState& m_state;
    Services m_services;
    std::unique_ptr<TForm2> m_frame;
    class TForm3* m_form3 = nullptr;
    class TMainForm2* m_main = nullptr;
    TInitial* m_initial = nullptr;
    std::shared_ptr<ArchiveBrowser> m_archive;
    std::function<void()> m_readCalibration;
    std::unique_ptr<DemoDevice> m_demo;
    bool m_demoAtStart = false;
    bool m_firstStart = false;
    // The port and mode the settings had before the demonstration took over the session.
    std::optional<std::pair<QString, std::uint32_t>> m_portBeforeDemo;
    QString m_demoLinkAtStart;
    TFirstStart* m_firstStartPage = nullptr;
    std::unique_ptr<TRangeScreen> m_rangeScreen;
    std::unique_ptr<HelpWindow> m_help;
};

} // namespace ryvo
