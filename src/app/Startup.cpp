#include "app/Startup.h"

#include "app/DemoDevice.h"
#include "app/HelpWindow.h"
#include "app/TFirstStart.h"
#include "app/TForm3.h"
#include "app/TMainForm2.h"
#include "archive/LaneSaves.h"
#include "archive/RelaySheet.h"
#include "archive/TArchiv1.h"
#include "archive/TArchiv2.h"
#include "archive/TArchiv3.h"
#include "archive/TGroupsForm.h"
#include "archive/TSave_Print.h"
#include "archive/TShooterCard.h"
#include "calibration/Calibration.h"
#include "calibration/ShooterZero.h"
#include "core/SettingsFile.h"
#include "device/TInitial.h"
#include "exercise/RelayControls.h"
#include "exercise/TRangeScreen.h"
#include "exercise/TShoot1.h"
#include "exercise/TShoot2.h"
#include "exercise/TShoots5.h"
#include "targets/LightScript.h"
#include "targets/TFormTarLight.h"
#include "targets/TTargsType.h"
#include "zeroing/TPreShoot.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QString>
#include <QTranslator>
#include <QWidget>

namespace ryvo {

QTranslator* PrepareApplication(QCoreApplication& app) {
    QCoreApplication::setApplicationName(QString::fromUtf8(kProductName));
    return InstallQtRussian(app);
}

QTranslator* InstallQtRussian(QCoreApplication& app) {
    // Qt's own folder first; beside the program where a deployment copies the files.
    const QStringList folders = {
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
    for (const QString& folder : folders) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QStringLiteral("qtbase_ru"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            return translator;
        }
        delete translator;
    }
    return nullptr;
}

void ShowFillingScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    // Without a window manager nobody maximises the window: it takes the size itself.
    if (screen != nullptr && !window.isMaximized()) {
        window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
}

RyvoApplication::RyvoApplication(ProgramState& state, const Services& services)
    : m_state(state), m_services(services) {}

RyvoApplication::~RyvoApplication() = default;

void RyvoApplication::SetSimulator(const QString& program) {
    m_demo = std::make_unique<DemoDevice>(program);
}

void RyvoApplication::CreateWindows() {
    m_firstStart = !m_demoAtStart &&
                   !QFileInfo::exists(m_state.PathFor(QString::fromLatin1(kSettingsFileName)));
    m_frame = std::make_unique<TForm2>();
    m_frame->onHelp = [this](const QString& className) { ShowHelp(className); };
    for (size_t i = 1; i < kWindowOrder.size(); ++i) {
        m_frame->AddPage(CreatePage(kWindowOrder[i]));
    }
}

Page* RyvoApplication::CreatePage(const WindowSpec& window) {
    const QString className = QString::fromUtf8(window.className);
    if (className == QLatin1String("TInitial")) {
        m_initial = new TInitial(m_state, m_services);
        // Tests may hand in their own reader; the program reads ryvw.dat of the start directory.
        std::function<void()> readCalibration = m_readCalibration;
        if (!readCalibration) {
            readCalibration = [this] {
                ReadCalibration(m_state.settings,
                                m_state.PathFor(QString::fromLatin1(kCalibrationFileName)), true);
                m_state.TraceLength = ComputeTraceLength(m_state.settings);
            };
        }
        // The demonstration's port replaces the configured one after the settings are read,
        // before the port is opened.
        m_initial->SetReadCalibration([this, read = std::move(readCalibration)] {
            read();
            // Shooters remembered at their lanes bring their own zeros.
            ApplyShooterZeros(m_state);
            if (m_demoAtStart) {
                DemoAtStart();
            }
        });
        return m_initial;
    }
    if (className == QLatin1String("TForm3")) {
        LoadSoundLibrary(m_state);
        m_form3 = new TForm3(m_state, m_services);
        return m_form3;
    }
    if (className == QLatin1String("TMainForm2")) {
        DeviceInitialisation();
        if (m_form3 != nullptr) {
            m_form3->SettingsLoaded();
        }
        LoadTargetLibrary(m_state);
        auto* main = new TMainForm2(m_state, m_services);
        main->onExit = [this] { m_frame->close(); };
        main->Construct();
        main->ShowDeviceStatus(m_initial != nullptr ? m_initial->Summary() : QString());
        m_main = main;
        main->SetDemoAvailable(m_demo && m_demo->Available());
        main->onDemo = [this] { StartDemo(); };
        main->onRangeScreen = [this] { ToggleRangeScreen(); };
        if (m_portBeforeDemo) {
            main->KeepSavedPort(m_demoLinkAtStart, m_portBeforeDemo->first,
                                m_portBeforeDemo->second);
        }
        if (m_form3 != nullptr) {
            m_form3->onUseDevice = [main](const QString& port) { main->UseFoundDevice(port); };
            m_form3->deviceBusy = [main] { return main->CheckingDevice() || main->Searching(); };
        }
        return main;
    }
    if (className == QLatin1String("TTargsType")) {
        auto* targets = new TTargsType(m_state, m_services);
        targets->FillLists();
        targets->onIndividualChoice = [this] {
            if (m_main != nullptr) {
                m_main->SelectIndividualTargets();
            }
        };
        return targets;
    }
    if (className == QLatin1String("TFormTarLight")) {
        // The editor loads Targets.act when it first comes up, so a run started before it
        // was ever opened still has a script (a lone stop line when the file is missing).
        auto* editor = new TFormTarLight(m_state, m_services);
        editor->GetTargetFile(m_state.PathFor(QString::fromLatin1(kDefaultScriptFile)));
        return editor;
    }
    if (className == QLatin1String("TArchiv1") || className == QLatin1String("TArchiv2")) {
        // The selection and the table windows share the browser's lists and choices.
        if (!m_archive) {
            m_archive = std::make_shared<ArchiveBrowser>(m_state);
        }
        if (className == QLatin1String("TArchiv1")) {
            return new TArchiv1(m_state, m_services, m_archive);
        }
        return new TArchiv2(m_state, m_services, m_archive);
    }
    if (className == QLatin1String("TArchiv3")) {
        return new TArchiv3(m_state, m_services);
    }
    if (className == QLatin1String("TShooterCard")) {
        return new TShooterCard(m_state, m_services);
    }
    if (className == QLatin1String("TGroupsForm")) {
        return new TGroupsForm(m_state, m_services);
    }
    if (className == QLatin1String("TShoot1")) {
        auto* window = new TShoot1(m_state, m_services);
        window->onRangeScreen = [this] { ToggleRangeScreen(); };
        return window;
    }
    if (className == QLatin1String("TPreShoot")) {
        return new TPreShoot(m_state, m_services);
    }
    // The exercise windows know nothing of printing; their relay sheet is made here.
    auto relaySheet = [this](int laneCount) {
        MakeRelaySheet(m_state, m_services, laneCount, QDateTime::currentDateTime());
    };
    if (className == QLatin1String("TShoot2")) {
        auto* two = new TShoot2(m_state, m_services);
        two->Relay().SetSaving(std::make_unique<ArchiveRelaySaving>(two->Relay().Lanes()));
        two->onRelaySheet = relaySheet;
        two->onRangeScreen = [this] { ToggleRangeScreen(); };
        return two;
    }
    if (className == QLatin1String("TShoots5")) {
        auto* five = new TShoots5(m_state, m_services);
        five->Relay().SetSaving(std::make_unique<ArchiveRelaySaving>(five->Relay().Lanes()));
        five->onRelaySheet = relaySheet;
        five->onRangeScreen = [this] { ToggleRangeScreen(); };
        return five;
    }
    if (className == QLatin1String("TSave_Print")) {
        return new TSave_Print(m_state, m_services);
    }
    return new PlaceholderPage(className, QString::fromUtf8(window.caption));
}

void RyvoApplication::ToggleRangeScreen() {
    if (!m_rangeScreen) {
        m_rangeScreen = std::make_unique<TRangeScreen>(m_state);
        // The program ends with its frame, whether or not the range screen is open.
        m_rangeScreen->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_rangeScreen->Toggle(m_frame.get());
}

void RyvoApplication::ShowHelp(const QString& className) {
    if (!m_help) {
        m_help = std::make_unique<HelpWindow>(ManualPath(m_state.DataDir));
        m_help->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_help->ShowSection(HelpSection(className));
}

void RyvoApplication::DeviceInitialisation() {
    // The initialisation window is on screen while the device check blocks start-up.
    ShowFillingScreen(*m_frame);
    m_frame->Activate(QStringLiteral("TInitial"));
    // The check blocks for up to seconds: let the window system map and paint the frame
    // first. This runs once during start-up, before any input is taken.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_frame->repaint();
    m_initial->Calibrate();
}

void RyvoApplication::DemoAtStart() {
    if (!m_demo || !m_demo->Available()) {
        return;
    }
    QString why;
    const QString link = m_demo->StartAndWait(10000, &why);
    if (link.isEmpty()) {
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->Message(QStringLiteral("Демонстрация не запустилась: %1").arg(why),
                                        QStringLiteral("Error"), MessageIcon::Error);
        }
        return;
    }
    Settings& s = m_state.settings;
    m_portBeforeDemo.emplace(s.SerialPort, s.IO_Serial);
    m_demoLinkAtStart = link;
    s.SerialPort = link;
    s.IO_Serial = 1;
    if (std::none_of(s.Target.begin(), s.Target.begin() + kLaneCount,
                     [](std::int32_t t) { return t > 0; })) {
        s.Target[0] = 1;
        s.Target[1] = 1;
    }
    ApplySignalLimits(m_state);
}

void RyvoApplication::StartDemo() {
    if (!m_demo || !m_demo->Available() || m_main == nullptr) {
        return;
    }
    if (m_demo->Running() && !m_demo->Link().isEmpty()) {
        m_main->UseDemoDevice(m_demo->Link());
        return;
    }
    m_main->ShowDeviceStatus(QStringLiteral("Запуск демонстрации..."));
    m_demo->Start(
        [this](const QString& link) { m_main->UseDemoDevice(link); },
        [this](const QString& why) {
            const QString text = QStringLiteral("Демонстрация не запустилась: %1").arg(why);
            m_main->ShowDeviceStatus(text);
            if (m_services.dialogs != nullptr) {
                m_services.dialogs->Message(text, QStringLiteral("Error"), MessageIcon::Error);
            }
        });
}

void RyvoApplication::ShowFirstStart() {
    m_firstStartPage = new TFirstStart(m_state, m_services);
    m_firstStartPage->SetDemoAvailable(m_demo && m_demo->Available());
    // The choices reach the main window's controls as if made there; a save is the main
    // window's own.
    auto toMain = [this](bool save) {
        m_main->ShowSettings();
        m_frame->Activate(QStringLiteral("TMainForm2"));
        if (save) {
            m_main->SaveSettingsClick();
        }
    };
    m_firstStartPage->onUseDevice = [this, toMain](const QString& port, bool save) {
        toMain(false);
        m_main->UseFoundDevice(port);
        if (save) {
            m_main->SaveSettingsClick();
        }
    };
    m_firstStartPage->onDemo = [this, toMain](bool save) {
        toMain(save);
        StartDemo();
    };
    m_frame->AddPage(m_firstStartPage);
    m_frame->Activate(QStringLiteral("TFirstStart"));
}

void RyvoApplication::Start() {
    ShowFillingScreen(*m_frame);
    if (m_firstStart && m_main != nullptr && m_firstStartPage == nullptr) {
        ShowFirstStart();
        return;
    }
    m_frame->Activate(QStringLiteral("TMainForm2"));
    // Asked for in the start-up message about missing data.
    if (m_initial != nullptr && m_initial->SearchRequested() && m_main != nullptr) {
        m_main->FindDeviceClick();
    }
}

} // namespace ryvo
