#pragma once

#include "core/ProgramState.h"

#include <cstdint>

namespace ryvo {

// What the main window's controls show, without the widgets: built from Settings when the
// window is created and copied back into Settings by GetSettings.
struct MainChoice {
    enum class TargetKind { N4, Sport, Other };
    enum class TimeKind { Three, Ten, Unlimited, Other };
    enum class ShootsKind { Three, Eight, Ten, Other };
    enum class ShooterKind { One, Two, Both, UpToFive };

    TargetKind target = TargetKind::N4;
    int comboItem = -1; // ComboBoxTarget: 0 = individual settings, i = library target i
    bool comboEnabled = false;
    bool otherTargetEnabled = false;

    TimeKind time = TimeKind::Three;
    int timeValue = 50; // UpDownTime position
    ShootsKind shoots = ShootsKind::Three;
    int shootsValue = 50;
    ShooterKind shooter = ShooterKind::UpToFive;

    bool trace = false;
    bool aimPoint = false;
    bool triggerJerk = false;
    bool repeat = false;
    int repeatValue = 10; // UpDownSeries position
    bool fireTransfer = false;
};

inline constexpr int kUpDownMax = 1000;

// The construction rules: target radio by the Target entries (with the uniformity rule for
// library targets), time, shots, shooter, the check boxes and the repeat pause.
// previous carries the controls' state before (the combo selection and edit positions that
// the rules leave as they are).
MainChoice ChoiceFromSettings(const Settings& settings, std::int32_t otherTargetCount,
                              const MainChoice& previous = MainChoice{});

// GetSettings: the controls into Settings in the fixed order, then the trace length.
void ApplyChoice(const MainChoice& choice, ProgramState& state);

} // namespace ryvo
