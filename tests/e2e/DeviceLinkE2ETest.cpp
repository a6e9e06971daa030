#include "app/Startup.h"
#include "device/DeviceSearch.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "device/TInitial.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/SerialPort.h"
#include "platform/Sound.h"

#include "SimRange.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <algorithm>

using namespace ryvo;

namespace {

struct Link {
    ProgramState state;
    SteadyClock clock;
    QtSerialPortFactory ports;
    ScriptedDialogs dialogs;
    Services services{&clock, nullptr, &dialogs, &ports, nullptr};
    TFormShoot window{state, services};

    explicit Link(const QString& port) {
        state.settings.SerialPort = port;
        state.settings.IO_Serial = 1;
        ApplySignalLimits(state);
    }
};

} // namespace

TEST(DeviceLinkE2E, PollsAndAcknowledgesTriggersThroughThePseudoTerminal) {
    test::SimProcess sim("aim 0 fixed 100 -200\n"
                         "level 0 1000\n"
                         "trigger 0 0\n"
                         "aim 2 fixed 900 300\n"
                         "level 2 3000\n"
                         "trigger 2 0\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    Link link(sim.Link());
    ASSERT_EQ(OpenPort(link.state, link.services), 1);
    EXPECT_TRUE(link.dialogs.messages.empty());

    // Lane 0 carries a trigger report and names lane 2 as pending.
    ASSERT_EQ(link.window.PollLane(0), 0);
    const DeviceValues& d = link.state.Device;
    EXPECT_EQ(d.Trigger[0], 1);
    EXPECT_EQ(d.Level[0], 1000);
    EXPECT_EQ(d.Trigger[2], 1);
    EXPECT_EQ(d.Level[2], 3000);
    EXPECT_FLOAT_EQ(d.PosX[2], 0.3F);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(link.window.PollLane(0), 0);
    }
    EXPECT_EQ(d.Trigger[0], 0);
    EXPECT_EQ(d.RawX[0], 100);
    EXPECT_EQ(d.RawY[0], -200);
    AllLampsOff(link.state, link.clock);
    ClosePort(link.state);

    const std::vector<std::uint8_t> log = sim.StopAndReadLog();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(log.begin(), log.begin() + 5),
              (std::vector<std::uint8_t>{0x70, 0x80, 0x72, 0x82, 0x80}));
    EXPECT_EQ(std::count(log.begin(), log.end(), 0x80), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), 0x70), 21);
    ASSERT_GE(log.size(), 25u);
    std::vector<std::uint8_t> lampsOff;
    for (int lane = 0; lane < 5; ++lane) {
        lampsOff.insert(lampsOff.end(), 5, static_cast<std::uint8_t>(0x20 + lane));
    }
    EXPECT_EQ(std::vector<std::uint8_t>(log.end() - 25, log.end()), lampsOff);
}

TEST(DeviceLinkE2E, AnswersLeftUnreadByAnEarlierRunAreNotTakenForNewOnes) {
    test::SimProcess sim("aim 0 fixed 11 11\naim 1 fixed 22 22\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    Link link(sim.Link());
    ASSERT_EQ(OpenPort(link.state, link.services), 1);
    // Opening again while the handle is held (ports open exclusively) still works.
    ASSERT_EQ(OpenPort(link.state, link.services), 1);
    WriteByte(link.state, 0x70); // a run ends before its answer is read
    link.clock.Sleep(20);
    ClosePort(link.state);

    ASSERT_EQ(OpenPort(link.state, link.services), 1);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(link.window.PollLane(1), 1);
        EXPECT_EQ(link.state.Device.RawX[1], 22);
        EXPECT_EQ(link.state.Device.RawX[0], 0);
    }
}

TEST(DeviceLinkE2E, PacedSimulatorNeverAnswersFasterThanTheLine) {
    test::SimProcess sim("level 0 2000\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    Link link(sim.Link());
    ASSERT_EQ(OpenPort(link.state, link.services), 1);
    // One request and a nine-byte answer are ten bytes of ten bits at 57600 baud.
    constexpr qint64 kTransactionNs = 1736111;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(link.window.PollLane(0), 0);
        EXPECT_GE(timer.nsecsElapsed(), kTransactionNs);
    }
}

TEST(DeviceLinkE2E, SilentDeviceTimesOut) {
    test::SimProcess sim("fault silence\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    Link link(sim.Link());
    ASSERT_EQ(OpenPort(link.state, link.services), 1);
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(link.window.PollLane(1), -1);
        const qint64 ms = timer.elapsed();
        // 59 ms is the bound; allow for a loaded machine, but not for a hang.
        EXPECT_GE(ms, 50);
        EXPECT_LT(ms, 500);
    }
}

TEST(DeviceLinkE2E, UnpluggedDeviceGivesMinusOneWithoutACrash) {
    for (const bool kill : {false, true}) {
        test::SimProcess sim(kill ? "" : "fault unplug from=300\n");
        ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
        Link link(sim.Link());
        ASSERT_EQ(OpenPort(link.state, link.services), 1);
        ASSERT_EQ(link.window.PollLane(0), 0);
        if (kill) {
            sim.Kill();
        }
        QElapsedTimer timer;
        timer.start();
        int answered = 0;
        int failed = 0;
        while (timer.elapsed() < 1500) {
            if (link.window.PollLane(0) == -1) {
                ++failed;
            } else {
                EXPECT_EQ(failed, 0) << "answers after the device went away";
                ++answered;
            }
        }
        EXPECT_GT(failed, 0);
        if (!kill) {
            EXPECT_GT(answered, 10);
        }
        AllLampsOff(link.state, link.clock);
        ClosePort(link.state);
    }
}

namespace {

// The program started against `port` in serial mode, lanes 1 and 3 with targets.
struct App : test::SimRange {
    explicit App(const QString& port) {
        WriteSettings(QStringLiteral("Target = 1 -1 2 -1 -1\n"), port);
        Start();
    }
};

const QString kNoData = QString::fromUtf8("Не поступают данные через последовательный порт %1");
const QString kOfferSearch =
    QString::fromUtf8("\n\nИскать прибор на всех последовательных портах?");

} // namespace

TEST(StartupE2E, LiveDevice) {
    test::SimProcess sim("level 0 2000\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    App a(sim.Link());
    EXPECT_EQ(a.state.NoData, 0);
    EXPECT_EQ(a.state.LanePresent, (std::array<std::int32_t, 5>{1, 0, 1, 0, 0}));
    EXPECT_TRUE(a.dialogs.messages.empty());
    EXPECT_EQ(a.app->Frame().ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
    const auto log = sim.StopAndReadLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), 0x70), 50);
}

TEST(StartupE2E, SilentAndMissingDevices) {
    test::SimProcess sim("fault silence\n");
    ASSERT_TRUE(sim.Started()) << sim.Error().toStdString();
    // The settings file keeps at most 53 characters of the port name.
    const QString missing = QStringLiteral("/dev/ryvo-no-such-tty");
    for (const QString& port : {sim.Link(), missing}) {
        QElapsedTimer timer;
        timer.start();
        App a(port);
        EXPECT_EQ(a.state.NoData, 1);
        EXPECT_EQ(a.state.LanePresent, (std::array<std::int32_t, 5>{}));
        ASSERT_EQ(a.dialogs.messages.size(), 1u);
        EXPECT_EQ(a.state.settings.SerialPort, port);
        EXPECT_EQ(a.dialogs.messages[0].text, kNoData.arg(port) + kOfferSearch);
        EXPECT_EQ(a.dialogs.messages[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(a.dialogs.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(a.app->Frame().ActivePage()->ClassName(), QStringLiteral("TMainForm2"));
        if (port == missing) {
            EXPECT_LT(timer.elapsed(), 2000); // nothing to wait for
        }
    }
}

// Over pseudo-terminals through the real serial code: a silent device, one answering
// garbage, a path with nothing behind it and the simulator. Only the simulator is taken, each
// port is sent polls only, and the whole search stays well within a second or so.
TEST(DeviceSearchE2E, FindsOnlyTheSimulatorAmongPseudoTerminals) {
    test::SimProcess silent("fault silence\n");
    test::SimProcess garbage("fault garbage\n");
    test::SimProcess sim("level 0 3000\ntrigger 0 0\nfault silence lane=4\n");
    for (const test::SimProcess* p : {&silent, &garbage, &sim}) {
        ASSERT_TRUE(p->Started()) << p->Error().toStdString();
    }
    const QString missing = QStringLiteral("/dev/ryvo-no-such-tty");
    qputenv("RYVO_EXTRA_PORTS",
            QStringList{silent.Link(), garbage.Link(), missing, sim.Link()}.join(u':').toUtf8());
    QtSerialPortFactory ports;
    const QStringList candidates = SearchCandidates(ports, QString());
    qunsetenv("RYVO_EXTRA_PORTS");
    ASSERT_GE(candidates.size(), 4);
    EXPECT_EQ(candidates.mid(0, 4),
              (QStringList{silent.Link(), garbage.Link(), missing, sim.Link()}));

    QElapsedTimer timer;
    timer.start();
    DeviceSearch search(&ports, candidates);
    while (search.Step()) {
    }
    const qint64 ms = timer.elapsed();
    ASSERT_TRUE(search.Found().has_value());
    EXPECT_EQ(*search.Found(), sim.Link());
    EXPECT_EQ(search.Lanes(), (std::array<bool, 5>{true, true, true, true, false}));
    ASSERT_EQ(search.Results().size(), 4u);
    EXPECT_EQ(search.Results()[0].verdict, PortVerdict::Silent);
    EXPECT_EQ(search.Results()[1].verdict, PortVerdict::NotTheDevice);
    EXPECT_EQ(search.Results()[2].verdict, PortVerdict::NotOpened);
    // Two read time-outs for the silent port and one for the silent lane; the rest answer at
    // once. A loaded machine adds to that, a hang would not fit.
    EXPECT_GE(ms, 3 * 59);
    EXPECT_LT(ms, 1500);

    const auto polls = [](std::vector<std::uint8_t> bytes) {
        return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0x70; });
    };
    EXPECT_TRUE(polls(silent.StopAndReadLog()));
    EXPECT_TRUE(polls(garbage.StopAndReadLog()));
    EXPECT_EQ(sim.StopAndReadLog(),
              (std::vector<std::uint8_t>{0x70, 0x70, 0x71, 0x72, 0x73, 0x74}));
}
