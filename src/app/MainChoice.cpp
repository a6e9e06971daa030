#include "app/MainChoice.h"

#include <algorithm>

namespace ryvo {

namespace {

int ClampUpDown(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, kUpDownMax));
}

bool AllOf(const Settings& s, std::int32_t type) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const std::int32_t t = s.Target[static_cast<size_t>(lane)];
        if (t != type && t != -1) {
            return false;
        }
    }
    return true;
}

bool NeighboursAgree(const Settings& s) {
    for (int lane = 0; lane + 1 < kLaneCount; ++lane) {
        const std::int32_t a = s.Target[static_cast<size_t>(lane)];
        // NOLINTNEXTLINE(bugprone-misplaced-widening-cast): lane + 1 < kLaneCount, no overflow
        const std::int32_t b = s.Target[static_cast<size_t>(lane + 1)];
        if (a != -1 && b != -1 && a != b) {
            return false;
        }
    }
    return true;
}

} // namespace

MainChoice ChoiceFromSettings(const Settings& s, std::int32_t otherTargetCount,
                              const MainChoice& previous) {
    MainChoice c = previous;
    c.otherTargetEnabled = otherTargetCount > 0;
    c.comboEnabled = false;
    // All-N4 and the final fallback both choose N4; the fallback must stay last.
    if (AllOf(s, 1)) { // NOLINT(bugprone-branch-clone)
        c.target = MainChoice::TargetKind::N4;
    } else if (AllOf(s, 2)) {
        c.target = MainChoice::TargetKind::Sport;
    } else if (otherTargetCount > 0) {
        c.target = MainChoice::TargetKind::Other;
        c.comboEnabled = true;
        if (!NeighboursAgree(s)) {
            c.comboItem = 0;
        } else if (s.Target[0] > 2) {
            c.comboItem = s.Target[0] - 2;
            if (c.comboItem > otherTargetCount) {
                c.comboItem = -1; // beyond the list: nothing selected
            }
        }
    } else {
        c.target = MainChoice::TargetKind::N4;
    }

    switch (s.Time) {
    case 0:
        c.time = MainChoice::TimeKind::Unlimited;
        break;
    case 3:
        c.time = MainChoice::TimeKind::Three;
        break;
    case 10:
        c.time = MainChoice::TimeKind::Ten;
        break;
    default:
        c.time = MainChoice::TimeKind::Other;
        break;
    }
    c.timeValue = ClampUpDown(s.Time);

    switch (s.ShootsNumber) {
    case 3:
        c.shoots = MainChoice::ShootsKind::Three;
        break;
    case 8:
        c.shoots = MainChoice::ShootsKind::Eight;
        break;
    case 10:
        c.shoots = MainChoice::ShootsKind::Ten;
        break;
    default:
        c.shoots = MainChoice::ShootsKind::Other;
        c.shootsValue = ClampUpDown(s.ShootsNumber);
        break;
    }

    switch (s.Shooter) {
    case 1:
        c.shooter = MainChoice::ShooterKind::One;
        break;
    case 2:
        c.shooter = MainChoice::ShooterKind::Two;
        break;
    case 3:
        c.shooter = MainChoice::ShooterKind::Both;
        break;
    default:
        c.shooter = MainChoice::ShooterKind::UpToFive;
        break;
    }

    c.trace = s.EnableTrace != 0;
    c.aimPoint = s.FlagGunEnable != 0;
    c.triggerJerk = s.FlagPostGunEnable != 0;
    c.fireTransfer = s.TargetsChange != 0;
    if (s.RepeatEnabled != 0) {
        c.repeat = true;
        c.repeatValue = ClampUpDown(s.RepeatTime);
    }
    return c;
}

void ApplyChoice(const MainChoice& c, ProgramState& state) {
    Settings& s = state.settings;
    if (c.repeat) {
        s.RepeatTime = c.repeatValue;
    }
    if (c.shoots == MainChoice::ShootsKind::Other) {
        s.ShootsNumber = static_cast<std::uint32_t>(c.shootsValue);
    }
    if (c.time == MainChoice::TimeKind::Other) {
        s.Time = static_cast<std::uint32_t>(c.timeValue);
    }

    std::int32_t common = 0;
    if (c.target == MainChoice::TargetKind::N4) {
        common = 1;
    } else if (c.target == MainChoice::TargetKind::Sport) {
        common = 2;
    } else if (c.comboItem > 0) {
        common = c.comboItem + 2;
    }
    if (common > 0) {
        for (std::int32_t& t : s.Target) {
            if (t > 0) {
                t = common;
            }
        }
    }

    switch (c.time) {
    case MainChoice::TimeKind::Three:
        s.Time = 3;
        break;
    case MainChoice::TimeKind::Ten:
        s.Time = 10;
        break;
    case MainChoice::TimeKind::Unlimited:
        s.Time = 0;
        break;
    case MainChoice::TimeKind::Other:
        break;
    }
    switch (c.shoots) {
    case MainChoice::ShootsKind::Three:
        s.ShootsNumber = 3;
        break;
    case MainChoice::ShootsKind::Eight:
        s.ShootsNumber = 8;
        break;
    case MainChoice::ShootsKind::Ten:
        s.ShootsNumber = 10;
        break;
    case MainChoice::ShootsKind::Other:
        break;
    }
    switch (c.shooter) {
    case MainChoice::ShooterKind::One:
        s.Shooter = 1;
        break;
    case MainChoice::ShooterKind::Two:
        s.Shooter = 2;
        break;
    case MainChoice::ShooterKind::Both:
        s.Shooter = 3;
        break;
    case MainChoice::ShooterKind::UpToFive:
        s.Shooter = 31;
        break;
    }
    s.EnableTrace = c.trace ? 1 : 0;
    s.FlagGunEnable = c.aimPoint ? 1 : 0;
    s.FlagPostGunEnable = c.triggerJerk ? 1 : 0;
    state.TraceLength = ComputeTraceLength(s);
}

} // namespace ryvo
