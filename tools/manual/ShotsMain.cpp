// ryvo-shots DATA_DIR OUT_DIR: pictures of the real windows for the manual. The whole program
// runs offscreen against the in-process device model on a manual clock, in a start
// directory of its own with a group and a few months of results, so the pictures show what
// an instructor sees and stay current with the windows.
#include "app/Startup.h"
#include "app/TMainForm2.h"
#include "archive/ArchiveStore.h"
#include "exercise/RelayDialog.h"
#include "exercise/TShoot1.h"
#include "exercise/TShoots5.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "platform/TextFile.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

using namespace ryvo;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
// Device signal per unit of the made-up aims below: holes across the inner rings.
constexpr int kSpread = 12;

bool g_failed = false;

void Fail(const char* what) {
    std::fprintf(stderr, "ryvo-shots: %s\n", what);
    g_failed = true;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Lines(const QString& text) {
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return ToCp1251(crlf);
}

// A few months of one platoon on the sport target: each shooter's groups tighten slowly.
void PrepareArchive(const QString& dir) {
    const QString shooters[] = {QStringLiteral("Иванов Пётр"), QStringLiteral("Сидоров Олег"),
                                QStringLiteral("Ковалёв Андрей")};
    std::uint32_t noise = 12345;
    auto next = [&noise] {
        noise = noise * 1103515245U + 12345U;
        return static_cast<float>((noise >> 16) % 2001) / 1000.0F - 1.0F; // -1..1
    };
    for (int week = 0; week < 10; ++week) {
        const int month = 9 + week / 4;
        const int day = 3 + 7 * (week % 4);
        for (int s = 0; s < 3; ++s) {
            NewResult r;
            r.shooter = shooters[s];
            r.targetType = 2;
            r.plannedShots = 10;
            r.shootTime = 40.0F + 3.0F * static_cast<float>(s);
            const float spread =
                45.0F - 2.5F * static_cast<float>(week) + 6.0F * static_cast<float>(s);
            for (int i = 0; i < 10; ++i) {
                r.shots.push_back({spread * next() + 3.0F, spread * next() - 2.0F});
            }
            AppendResult(dir, QStringLiteral("Взвод 1"), SaveTime{2026, month, day, 10, 5 + s}, r);
        }
    }
}

class Shooter {
public:
    Shooter(QString out) : m_out(std::move(out)) {}

    int Run(const QString& dataDir) {
        QTemporaryDir start;
        const QString dir = start.path();
        WriteFile(dir + QStringLiteral("/ryvw.cfg"),
                  Lines(QStringLiteral("SerialPort = COM1\nIO_Serial = 1\nShooter = 1\n"
                                       "Target = 2 2 2 2 2\nShootsNumber = 10\nTime = 0\n"
                                       "EnableTrace = 1\nEnableGun = 1\n")));
        WriteFile(dir + QStringLiteral("/Взвод 1.grp"),
                  Lines(QStringLiteral("Иванов Пётр\nСидоров Олег\nКовалёв Андрей\n"
                                       "Морозов Илья\nЗайцев Денис\nБелов Артём\n")));
        PrepareArchive(dir);
        QDir::setCurrent(dir);

        ProgramState state;
        state.StartDir = dir;
        state.DataDir = dataDir;
        ManualClock clock(1000);
        ScriptedKeyboard keyboard;
        ScriptedDialogs dialogs;
        for (int lane = 0; lane < 5; ++lane) {
            m_model.Lane(lane).level = 4000;
        }
        sim::SimulatedPortFactory ports(m_model, &clock);
        RecordingSound sound;
        sound.available = false;
        Services services{&clock, &keyboard, &dialogs, &ports, &sound};
        RyvoApplication app(state, services);
        app.CreateWindows();
        app.Start();
        TForm2& frame = app.Frame();
        frame.setWindowState(Qt::WindowNoState);
        frame.setGeometry(0, 0, kWidth, kHeight);
        m_frame = &frame;
        m_clock = &clock;

        // The in-process device answers in no time; the picture shows what a real line at
        // 57600 baud gives (about 530 polls a second).
        state.Polls.Reset(LowLatency::NotApplicable);
        for (int i = 0; i < 100; ++i) {
            state.Polls.Add(i % 9 == 0 ? 1 : 2);
        }
        auto* main = dynamic_cast<TMainForm2*>(frame.ActivePage());
        if (main == nullptr) {
            Fail("the main window is not in front");
            return 1;
        }
        main->ShowPollRate();
        Grab(QStringLiteral("main"));
        frame.Activate(QStringLiteral("TForm3"));
        Grab(QStringLiteral("settings"));
        frame.Activate(QStringLiteral("TMainForm2"));

        Series(state);
        Relay(main, state);
        Click(main, "PreShooting");
        Grab(QStringLiteral("zeroing"));
        Click(frame.ActivePage(), "Exit1");
        Archive(main);
        frame.close();
        return g_failed ? 1 : 0;
    }

private:
    void Series(ProgramState& state) {
        Click(m_frame->ActivePage(), "BeginShooting");
        auto* shoot = dynamic_cast<TShoot1*>(m_frame->ActivePage());
        if (shoot == nullptr) {
            Fail("the single-shooter window did not open");
            return;
        }
        Click(shoot, "Start");
        const auto tick = [&](int times) {
            for (int i = 0; i < times; ++i) {
                m_clock->Advance(10);
                shoot->Run().Tick();
            }
        };
        tick(20);
        const std::int16_t aims[][2] = {{40, -30}, {-60, 20}, {10, 70},   {90, 10},  {-20, -80},
                                        {0, 0},    {60, 60},  {-90, -10}, {30, -60}, {-40, 50}};
        for (const auto& aim : aims) {
            const auto x = static_cast<std::int16_t>(aim[0] * kSpread);
            const auto y = static_cast<std::int16_t>(aim[1] * kSpread);
            m_model.Lane(0).aim = std::make_unique<sim::FixedAim>(sim::Signal{x, y});
            m_model.Lane(0).triggers.Pull();
            tick(30);
        }
        tick(100);
        if (!shoot->Run().Idle() || state.run.ShotCount[0] == 0) {
            Fail("the series did not end");
        }
        Grab(QStringLiteral("series"));
        Click(shoot, "Save");
        Grab(QStringLiteral("save"));
        Click(m_frame->ActivePage(), "Abort");
        Click(shoot, "Exit");
    }

    void Relay(Page* main, ProgramState& state) {
        Click(main, "Groups");
        Page* groups = m_frame->ActivePage();
        if (auto* list = groups->findChild<QListWidget*>(QStringLiteral("ListBox1"))) {
            list->setCurrentRow(0);
        }
        Click(groups, "Load");
        Grab(QStringLiteral("groups"));
        Click(groups, "Exit");
        Click(main, "Relay");
        auto* relay = main->findChild<RelayDialog*>();
        if (relay == nullptr) {
            Fail("the relay dialog did not open");
            return;
        }
        Click(relay, "ByList");
        Save(relay->grab(), QStringLiteral("relay"));
        Click(relay, "Assign");

        if (auto* five = main->findChild<QRadioButton*>(QStringLiteral("OtherShooter"))) {
            five->setChecked(true);
        }
        Click(main, "BeginShooting");
        auto* page = dynamic_cast<TShoots5*>(m_frame->ActivePage());
        if (page == nullptr) {
            Fail("the five-lane window did not open");
            return;
        }
        Click(page, "Start");
        const auto tick = [&](int times) {
            for (int i = 0; i < times; ++i) {
                m_clock->Advance(10);
                page->Run().Tick();
            }
        };
        tick(30);
        for (int shot = 0; shot < 10; ++shot) {
            for (int lane = 0; lane < 5; ++lane) {
                const auto x =
                    static_cast<std::int16_t>((((shot * 37 + lane * 53) % 150) - 75) * kSpread);
                const auto y =
                    static_cast<std::int16_t>((((shot * 71 + lane * 29) % 150) - 75) * kSpread);
                m_model.Lane(lane).aim = std::make_unique<sim::FixedAim>(sim::Signal{x, y});
                m_model.Lane(lane).triggers.Pull();
                tick(30);
            }
        }
        tick(200);
        page->Ticks().KeepTicking();
        Click(page, "SaveAll");
        if (state.LastSavedFile.isEmpty()) {
            Fail("the five lanes were not saved");
        }
        Grab(QStringLiteral("five"));
        Click(page, "Exit");
    }

    void Archive(Page* main) {
        Click(main, "Archive");
        Page* select = m_frame->ActivePage();
        // The autumn's month with the most results: the year, November, the group.
        for (const char* name : {"ListBox1", "ListBox2", "ListBox3"}) {
            auto* list = select->findChild<QListWidget*>(QString::fromLatin1(name));
            if (list == nullptr || list->count() == 0) {
                Fail("an archive list is empty");
                return;
            }
            const bool months = QLatin1String(name) == QLatin1String("ListBox2");
            int row = 0;
            for (int i = 0; months && i < list->count(); ++i) {
                if (list->item(i)->text() == QStringLiteral("Ноябрь")) {
                    row = i;
                }
            }
            list->setCurrentRow(row);
        }
        Grab(QStringLiteral("archive"));
        if (auto* dates = select->findChild<QListWidget*>(QStringLiteral("ListBox4"))) {
            dates->setCurrentRow(dates->count() - 1);
        }
        Page* day = m_frame->ActivePage();
        Grab(QStringLiteral("day"));
        if (auto* table = day->findChild<QTableView*>()) {
            table->selectRow(0);
        }
        Click(day, "ShowTarget");
        Grab(QStringLiteral("result"));
        Click(m_frame->ActivePage(), "Exit");
        Click(day, "ShooterCard");
        Page* card = m_frame->ActivePage();
        // The autumn the archive was given, without the series fired today: the same
        // pictures on any day.
        if (auto* whole = card->findChild<QCheckBox*>(QStringLiteral("WholeTime"))) {
            whole->setChecked(false);
        }
        for (const auto& [name, date] :
             {std::pair{"From", QDate(2026, 9, 1)}, std::pair{"To", QDate(2026, 11, 30)}}) {
            if (auto* edit = card->findChild<QDateEdit*>(QString::fromLatin1(name))) {
                edit->setDate(date);
            }
        }
        Grab(QStringLiteral("card"));
        if (auto* tabs = card->findChild<QTabWidget*>()) {
            tabs->setCurrentIndex(1);
            Grab(QStringLiteral("chart"));
        }
        Click(card, "Exit");
    }

    void Click(QWidget* window, const char* name) {
        auto* button = window != nullptr
                           ? window->findChild<QPushButton*>(QString::fromLatin1(name))
                           : nullptr;
        if (button == nullptr) {
            std::fprintf(stderr, "ryvo-shots: no button %s\n", name);
            g_failed = true;
            return;
        }
        button->click();
    }

    void Grab(const QString& name) {
        QCoreApplication::processEvents();
        Save(m_frame->grab(), name);
    }

    void Save(const QPixmap& picture, const QString& name) {
        const QString path = QDir(m_out).filePath(name + QStringLiteral(".png"));
        if (!picture.save(path)) {
            std::fprintf(stderr, "ryvo-shots: cannot write %s\n", qPrintable(path));
            g_failed = true;
        }
    }

    QString m_out;
    sim::DeviceModel m_model;
    TForm2* m_frame = nullptr;
    ManualClock* m_clock = nullptr;
};

} // namespace

int main(int argc, char* argv[]) {
    // Offscreen, and the archive index in a cache of its own, whatever the caller's setting.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QApplication app(argc, argv);
    PrepareApplication(app);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: ryvo-shots DATA_DIR OUT_DIR\n");
        return 2;
    }
    QDir().mkpath(args[2]);
    Shooter shooter(QDir(args[2]).absolutePath());
    return shooter.Run(QDir(args[1]).absolutePath());
}
