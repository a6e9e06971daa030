#pragma once

#include "exercise/MultiShooterRun.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "support/ExerciseSettings.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <QStringList>

#include <array>
#include <map>
#include <memory>

namespace ryvo::test {

// Keeps what the five-lane rules ask of the window, with pictures of the window's sizes.
class FiveLaneView final : public MultiShooterView {
public:
    FiveLaneView() {
        for (ViewButton b :
             {ViewButton::Start, ViewButton::Save, ViewButton::Print, ViewButton::Exit}) {
            enabled[b] = true;
        }
        for (int lane = 0; lane < kLaneCount; ++lane) {
            small[static_cast<size_t>(lane)] = std::make_unique<ImageCanvas>(126, 126, kButtonFace);
            bars[static_cast<size_t>(lane)] = std::make_unique<ImageCanvas>(11, 126, kButtonFace);
        }
        laneEnabled.fill(true);
    }

    void SetText(ViewText text, const QString& value) override { texts[text] = value; }
    void SetVisible(ViewItem item, bool v) override { visible[item] = v; }
    void Place(ViewItem item, int left, int top) override {
        places[item] = QPoint(left, top);
        ++placeCount[item];
    }
    QSize ItemSize(ViewItem item) const override {
        return item == ViewItem::Gun2 || item == ViewItem::PostGun ? QSize(20, 21) : QSize(30, 30);
    }
    void Fill(ViewItem /*item*/, Color /*color*/) override {}
    void SetEnabled(ViewButton button, bool e) override { enabled[button] = e; }
    bool IsEnabled(ViewButton button) const override {
        const auto it = enabled.find(button);
        return it != enabled.end() && it->second;
    }
    void FocusStart() override { ++focus; }
    Canvas& Picture(ViewPicture picture) override {
        switch (picture) {
        case ViewPicture::FailArrow:
            return failArrow;
        case ViewPicture::SignalI:
            return signal;
        case ViewPicture::Target:
            break;
        }
        return target;
    }
    void Repaint(ViewPicture picture) override { ++repaints[picture]; }
    int SignalLength() const override { return 254; }
    void ActivateWindow(const QString& className) override { activated << className; }

    Canvas& SmallTarget(int lane) override { return *small[static_cast<size_t>(lane)]; }
    Canvas& LaneSignal(int lane) override { return *bars[static_cast<size_t>(lane)]; }
    void RepaintSmallTarget(int lane) override { ++smallRepaints[static_cast<size_t>(lane)]; }
    void RepaintLaneSignal(int /*lane*/) override {}
    void SetLaneEnabled(int lane, bool e) override { laneEnabled[static_cast<size_t>(lane)] = e; }
    void SetLamp(int lane, Lamp lamp, bool v) override { lamps[{lane, lamp}] = v; }
    void FillLamp(int lane, Lamp lamp, Color color) override { lampColors[{lane, lamp}] = color; }

    bool Visible(ViewItem item) const {
        const auto it = visible.find(item);
        return it != visible.end() && it->second;
    }
    QString Text(ViewText text) const {
        const auto it = texts.find(text);
        return it != texts.end() ? it->second : QString();
    }
    bool LampOn(int lane, Lamp lamp) const {
        const auto it = lamps.find({lane, lamp});
        return it != lamps.end() && it->second;
    }
    Color SmallPixel(int lane, int x, int y) const {
        return small[static_cast<size_t>(lane)]->Pixel(x, y);
    }

    ImageCanvas target{421, 421, kButtonFace};
    ImageCanvas failArrow{30, 30, kButtonFace};
    ImageCanvas signal{235, 36, kButtonFace};
    std::array<std::unique_ptr<ImageCanvas>, kLaneCount> small;
    std::array<std::unique_ptr<ImageCanvas>, kLaneCount> bars;
    std::array<bool, kLaneCount> laneEnabled{};
    std::array<int, kLaneCount> smallRepaints{};
    std::map<ViewText, QString> texts;
    std::map<ViewItem, bool> visible;
    std::map<ViewItem, QPoint> places;
    std::map<ViewItem, int> placeCount;
    std::map<ViewButton, bool> enabled;
    std::map<ViewPicture, int> repaints;
    std::map<std::pair<int, Lamp>, bool> lamps;
    std::map<std::pair<int, Lamp>, Color> lampColors;
    QStringList activated;
    int focus = 0;
};

// A five-lane run against the in-process device model, on a manual clock: sport targets,
// ten shots, the first `lanes` lanes present, each aiming at the centre with level 4000.
struct FiveLaneHarness {
    using Phase = RunSequence::Phase;

    ProgramState state;
    ManualClock clock{10000};
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    FiveLaneView view;
    MultiShooterRun run{state, services, view};

    explicit FiveLaneHarness(int lanes = 5) {
        UseSingleShooterSettings(state, 10, 2);
        state.settings.Shooter = 31;
        for (int lane = 0; lane < kLaneCount; ++lane) {
            state.settings.Target[static_cast<size_t>(lane)] = 2;
            state.LanePresent[static_cast<size_t>(lane)] = lane < lanes ? 1 : 0;
            model.Lane(lane).level = 4000;
        }
        state.SoundAvailable = 1;
        state.StartSound = QByteArray("start");
        state.ShotSound = QByteArray("shot");
        state.EndSound = QByteArray("end");
        state.ScriptLines = {QStringLiteral("10")};
        // The start-up device check opened the port once.
        state.PortEverOpened = true;
    }

    Phase RunPhase() const { return run.RunPhase(); }

    void TickFor(std::uint32_t ms, std::uint32_t step = 10) {
        for (std::uint32_t t = 0; t < ms; t += step) {
            clock.Advance(step);
            run.Tick();
        }
    }
    int TickWhile(Phase phase, std::uint32_t step = 10, int limit = 100000) {
        int n = 0;
        while (run.RunPhase() == phase && n < limit) {
            clock.Advance(step);
            run.Tick();
            ++n;
        }
        return n;
    }
    // From the click to the first pass of the series, the start sound heard out.
    void StartSeries() {
        run.FormActivate();
        run.StartClick();
        run.Tick();
        if (run.RunPhase() == Phase::StartSound) {
            clock.Advance(500);
            sound.FinishPlayback();
            run.Tick();
        }
    }
    void Aim(int lane, int x, int y) {
        model.Lane(lane).aim = std::make_unique<sim::FixedAim>(
            sim::Signal{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
    }
    // Pulls the lane's trigger and runs until its shot is in (a last shot's sound heard out),
    // then lets the lock-out run out.
    void Fire(int lane, std::uint32_t settleMs = 250) {
        const auto before = state.run.ShotCount[static_cast<size_t>(lane)];
        model.Lane(lane).triggers.Pull();
        for (int i = 0; i < 100 && state.run.ShotCount[static_cast<size_t>(lane)] == before; ++i) {
            clock.Advance(10);
            run.Tick();
        }
        if (run.RunPhase() == Phase::LastShotSound) {
            sound.FinishPlayback();
            run.Tick();
        }
        if (!run.Idle()) {
            TickFor(settleMs);
        }
    }
    bool Running() const {
        const Phase p = run.RunPhase();
        return p == Phase::Series || p == Phase::LastShotSound;
    }
};

} // namespace ryvo::test
