#pragma once

#include "app/TForm2.h"
#include "core/ProgramState.h"
#include "platform/Services.h"

#include <array>
#include <functional>
#include <memory>

class QCoreApplication;
class QTranslator;
class QWidget;

namespace ryvo {

struct WindowSpec {
    const char* className;
    const char* caption;
};

// The windows in creation order; the backdrop frame is the first.
inline constexpr std::array<WindowSpec, 15> kWindowOrder = {{
    {"TForm2", kProductName},
    {"TInitial", "Инициализация"},
    {"TGroupsForm", "Groups"},
    {"TArchiv1", "Выбор группы"},
    {"TArchiv2", "Выбранная группа"},
    {"TArchiv3", "Мишень"},
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
class TInitial;

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

    void CreateWindows();
    void Start();

    TForm2& Frame() { return *m_frame; }
    ProgramState& State() { return m_state; }
    TInitial* Initial() { return m_initial; }

private:
    Page* CreatePage(const WindowSpec& window);
    void DeviceInitialisation();

    ProgramState& m_state;
    Services m_services;
    std::unique_ptr<TForm2> m_frame;
    class TForm3* m_form3 = nullptr;
    class TMainForm2* m_main = nullptr;
    TInitial* m_initial = nullptr;
    std::shared_ptr<ArchiveBrowser> m_archive;
    std::function<void()> m_readCalibration;
};

} // namespace ryvo
