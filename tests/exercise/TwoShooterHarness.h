#pragma once

#include "exercise/TwoShooterRun.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keyboard.h"
#include "platform/Sound.h"
#include "support/ExerciseSettings.h"

#include "DeviceModel.h"
#include "SimulatedPort.h"

#include <QPoint>

#include <map>
#include <memory>
#include <vector>

namespace ryvo::test {

// One shooter's side as the rules see it: texts, visibility, places and the pictures at the
// window's sizes (363 x 363 target, 204 x 20 signal bar).
class RecordingPanel final : public PanelView {
public:
    void SetText(ViewText text, const QString& value) override { texts[text] = value; }
    void SetVisible(ViewItem item, bool v) override { visible[item] = v; }
    void Place(ViewItem item, int left, int top) override { places[item] = QPoint(left, top); }
    QSize ItemSize(ViewItem /*item*/) const override { return {20, 21}; }
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
    int SignalLength() const override { return signal.Width(); }

    bool Visible(ViewItem item) const {
        const auto it = visible.find(item);
        return it != visible.end() && it->second;
    }
    QString Text(ViewText text) const {
        const auto it = texts.find(text);
        return it != texts.end() ? it->second : QString();
    }

    ImageCanvas target{363, 363, kButtonFace};
    ImageCanvas failArrow{30, 30, kButtonFace};
    ImageCanvas signal{204, 20, kButtonFace};
    std::map<ViewText, QString> texts;
    std::map<ViewItem, bool> visible;
    std::map<ViewItem, QPoint> places;
    std::map<ViewPicture, int> repaints;
};

class RecordingTwoView final : public TwoShooterView {
public:
    RecordingTwoView() {
        enabled[TwoButton::Start] = true;
        enabled[TwoButton::Exit] = true;
    }
    PanelView& Lane(int lane) override { return panels[static_cast<size_t>(lane)]; }
    void SetLampVisible(ViewItem item, bool v) override { lamps[item] = v; }
    void FillLamp(ViewItem item, Color color) override { fills[item] = color; }
    void SetStartCaption(const QString& caption) override { captions.push_back(caption); }
    void SetEnabled(TwoButton button, bool e) override { enabled[button] = e; }
    bool IsEnabled(TwoButton button) const override {
        const auto it = enabled.find(button);
        return it != enabled.end() && it->second;
    }
    void FocusStart() override { ++focus; }
    void ActivateWindow(const QString& className) override { activated.push_back(className); }

    std::array<RecordingPanel, 2> panels;
    std::map<ViewItem, bool> lamps;
    std::map<ViewItem, Color> fills;
    std::vector<QString> captions;
    std::map<TwoButton, bool> enabled;
    std::vector<QString> activated;
    int focus = 0;
};

// The two-shooter run against the in-process device model on a manual clock: both lanes
// present at level 4000 (raw 1000 is 25 target units with the default calibration).
struct TwoHarness {
    ProgramState state;
    ManualClock clock{10000};
    ScriptedKeyboard keyboard;
    ScriptedDialogs dialogs;
    sim::DeviceModel model;
    sim::SimulatedPortFactory ports{model, &clock};
    RecordingSound sound;
    Services services{&clock, &keyboard, &dialogs, &ports, &sound};
    RecordingTwoView view;
    std::unique_ptr<TwoShooterRun> run;

    explicit TwoHarness(std::uint32_t shots = 3) {
        UseSingleShooterSettings(state, shots, 2);
        state.settings.Shooter = 3;
        state.settings.Target[1] = 2;
        state.LanePresent = {1, 1, 0, 0, 0};
        state.SoundAvailable = 1;
        state.StartSound = QByteArray("start");
        state.ShotSound = QByteArray("shot");
        state.EndSound = QByteArray("end");
        state.ScriptLines = {QStringLiteral("10")};
        model.Lane(0).level = 4000;
        model.Lane(1).level = 4000;
        run = std::make_unique<TwoShooterRun>(state, services, view);
    }

    RecordingPanel& Panel(int lane) { return view.panels[static_cast<size_t>(lane)]; }

    void Tick(std::uint32_t step = 10) {
        clock.Advance(step);
        run->Tick();
    }
    void TickFor(std::uint32_t ms, std::uint32_t step = 10) {
        for (std::uint32_t t = 0; t < ms; t += step) {
            Tick(step);
        }
    }
    // From the click to the first pass of the series, the start sound heard out.
    void StartSeries() {
        run->FormActivate();
        run->StartClick();
        run->Tick();
        if (run->RunPhase() == RunSequence::Phase::StartSound) {
            clock.Advance(500);
            sound.FinishPlayback();
            run->Tick();
        }
    }
    void Aim(int lane, int x, int y) {
        model.Lane(lane).aim = std::make_unique<sim::FixedAim>(
            sim::Signal{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
    }
    // Aims the lane at (x, y) device units for a while, pulls the trigger once and runs until
    // the shot is in (or 1 s has passed); a last shot's sound is heard out.
    void ShootAt(int lane, int x, int y, int settleMs = 300) {
        Aim(lane, x, y);
        TickFor(static_cast<std::uint32_t>(settleMs));
        const auto before = state.run.ShotCount[static_cast<size_t>(lane)];
        model.Lane(lane).triggers.Pull();
        for (int i = 0; i < 100 && state.run.ShotCount[static_cast<size_t>(lane)] == before; ++i) {
            Tick();
        }
        FinishShotSound();
    }
    void FinishShotSound() {
        if (run->RunPhase() == RunSequence::Phase::LastShotSound) {
            sound.FinishPlayback();
            run->Tick();
        }
    }
};

} // namespace ryvo::test
