#pragma once

#include "exercise/TShoot1.h"

#include "support/ExerciseSettings.h"
#include "support/RecordingNavigator.h"
#include "support/SimRig.h"

#include <QLabel>
#include <QPushButton>

// The single-shooter window over the in-process simulator, a manual clock and scripted keys.
namespace ryvo::test {

struct Window : SimRig {
    RecordingNavigator navigator;
    TShoot1 page{state, services};

    Window() : SimRig(1000) {
        test::UseSingleShooterSettings(state, 2, 1);
        state.SoundAvailable = 0;
        page.SetNavigator(&navigator);
        model.Lane(0).level = 3000;
    }
    QPushButton* Button(const char* name) { return page.findChild<QPushButton*>(name); }
    QString Label(const char* name) { return page.findChild<QLabel*>(name)->text(); }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            clock.Advance(10);
            page.Run().Tick();
        }
    }
};

} // namespace ryvo::test
