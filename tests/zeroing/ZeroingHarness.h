#pragma once

#include "support/ExerciseSettings.h"
#include "support/SimRig.h"
#include "zeroing/ZeroingRun.h"

#include <QStringList>

#include <map>
#include <optional>
#include <vector>

namespace ryvo::test {

// Keeps what a zeroing measurement asks of its window.
class ZeroingRecordingView final : public ZeroingView {
public:
    void SetText(ViewText text, const QString& value) override { texts[text] = value; }
    void SetVisible(ViewItem item, bool v) override { visible[item] = v; }
    void Place(ViewItem item, int left, int top) override { places[item] = QPoint(left, top); }
    QSize ItemSize(ViewItem) const override { return {20, 20}; }
    Canvas& Picture(ViewPicture picture) override {
        switch (picture) {
        case ViewPicture::SignalI:
            return signal;
        case ViewPicture::FailArrow:
            return failArrow;
        case ViewPicture::Target:
            break;
        }
        return target;
    }
    void Repaint(ViewPicture) override {}
    int SignalLength() const override { return signal.Width(); }
    void ActivateWindow(const QString& className) override { activated << className; }

    void SetInfo(const QString& text) override { info = text; }
    void SetControlEnabled(ZeroingControl control, bool e) override { enabled[control] = e; }
    bool IsControlEnabled(ZeroingControl control) const override {
        const auto it = enabled.find(control);
        return it == enabled.end() ? control != ZeroingControl::ButShoot : it->second;
    }
    void ShowPointer(QPoint topLeft) override { pointer = topLeft; }
    void HidePointer() override { pointer.reset(); }
    int PointerSize() const override { return 31; }
    void ShowMeanPoint(QPoint centre) override {
        meanPoint = centre;
        meanPoints.push_back(centre);
    }
    void HideMeanPoint() override { meanPoint.reset(); }
    QString LaneNumberText() const override { return laneNumber; }
    QString ShooterNameText() const override { return shooterName; }
    void SetShooterName(const QString& name) override { shooterName = name; }
    void SetShooterNote(const QString& text) override { shooterNote = text; }
    void FocusButtons() override { ++focusButtons; }

    ImageCanvas target{505, 505, kButtonFace};
    ImageCanvas signal{254, 30, kButtonFace};
    ImageCanvas failArrow{30, 30, kButtonFace};
    std::map<ViewText, QString> texts;
    std::map<ViewItem, bool> visible;
    std::map<ViewItem, QPoint> places;
    std::map<ZeroingControl, bool> enabled;
    std::optional<QPoint> pointer;
    std::optional<QPoint> meanPoint; // the cross as shown now
    std::vector<QPoint> meanPoints;  // every place it was shown at, in order
    QString info;
    QString laneNumber = QStringLiteral("1");
    QString shooterName;
    QString shooterNote;
    QStringList activated;
    int focusButtons = 0;
};

// A zeroing window's logic against the in-process device model, on a manual clock.
struct ZeroingHarness : SimRig {
    ZeroingRecordingView view;
    ZeroingRun run{state, services, view};

    explicit ZeroingHarness(const QString& startDir) : SimRig(10000) {
        UseSingleShooterSettings(state, 10, 2);
        state.StartDir = startDir;
        state.SoundAvailable = 1;
        state.ShotSound = QByteArray("shot");
        for (int lane = 0; lane < kLaneCount; ++lane) {
            model.Lane(lane).level = 4000;
        }
    }

    void Tick(int times = 1) {
        for (int n = 0; n < times; ++n) {
            clock.Advance(5);
            run.Tick();
        }
    }
    // Aims lane `lane` at (x, y) device units and lets the smoothing settle.
    void Aim(int lane, int x, int y) {
        model.Lane(lane).aim = std::make_unique<sim::FixedAim>(
            sim::Signal{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
        Tick(40);
    }
    // Pulls the trigger and runs until the device was acknowledged.
    void Shoot(int lane) {
        const int before = model.Lane(lane).triggers.Acknowledged();
        model.Lane(lane).triggers.Pull();
        for (int n = 0; n < 20 && model.Lane(lane).triggers.Acknowledged() == before; ++n) {
            Tick();
        }
        Tick(2);
    }
    // Holds a key for one pass.
    void Press(Key key) {
        keyboard.Set(key, true);
        Tick();
        keyboard.Set(key, false);
    }
    void RunToIdle() {
        for (int n = 0; n < 1000 && !run.Idle(); ++n) {
            Tick();
        }
    }
};

} // namespace ryvo::test
