#include "calibration/ShooterZero.h"

#include "calibration/Calibration.h"

#include <QDir>

#include <cmath>
#include <limits>

namespace ryvo {

namespace {

constexpr qsizetype kMaxBaseLength = 100;

bool ForbiddenInFileName(QChar c) {
    return c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c);
}

bool ReservedDeviceName(const QString& base) {
    const QString upper = base.toUpper();
    if (upper == QLatin1String("CON") || upper == QLatin1String("PRN") ||
        upper == QLatin1String("AUX") || upper == QLatin1String("NUL")) {
        return true;
    }
    return upper.size() == 4 &&
           (upper.startsWith(QLatin1String("COM")) || upper.startsWith(QLatin1String("LPT"))) &&
           upper[3] >= u'1' && upper[3] <= u'9';
}

void DropTrailingDotsAndBlanks(QString& name) {
    while (!name.isEmpty() && (name.back() == u'.' || name.back() == u' ')) {
        name.chop(1);
    }
}

bool Finite(const LaneCalibration& c) {
    for (float value : {c.CentX, c.CentY, c.ScaleL, c.ScaleR, c.ScaleU, c.ScaleD}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

} // namespace

QString ShooterZeroFolder() {
    return QStringLiteral("Пристрелка");
}

QString ShooterZeroFileName(const QString& shooter) {
    QString name = shooter.trimmed();
    if (name.isEmpty()) {
        return {};
    }
    for (QChar& c : name) {
        if (ForbiddenInFileName(c)) {
            c = u'_';
        }
    }
    DropTrailingDotsAndBlanks(name);
    if (name.size() > kMaxBaseLength) {
        name.truncate(kMaxBaseLength);
        DropTrailingDotsAndBlanks(name);
    }
    if (name.isEmpty()) {
        name = QStringLiteral("_");
    }
    // Windows opens the device, not a file, for these names whatever extension follows.
    const qsizetype dot = name.indexOf(u'.');
    if (ReservedDeviceName(dot < 0 ? name : name.left(dot))) {
        name.insert(dot < 0 ? name.size() : dot, u'_');
    }
    return name + QStringLiteral(".dat");
}

QString ShooterZeroPath(const ProgramState& state, const QString& shooter) {
    const QString file = ShooterZeroFileName(shooter);
    if (file.isEmpty()) {
        return {};
    }
    return state.PathFor(ShooterZeroFolder() + u'/' + file);
}

ShooterZero ReadShooterZero(const ProgramState& state, const QString& shooter, int lane) {
    ShooterZero zero;
    const QString path = ShooterZeroPath(state, shooter);
    if (path.isEmpty() || lane < 0 || lane >= kLaneCount) {
        return zero;
    }
    // Whatever the file does not give stays "not a number" and marks it damaged.
    Settings read = state.settings;
    const float unset = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < kLaneCount; ++i) {
        SetLaneCalibration(read, i, {unset, unset, unset, unset, unset, unset});
    }
    if (!ReadCalibration(read, path, false)) {
        return zero;
    }
    for (int i = 0; i < kLaneCount; ++i) {
        if (!Finite(LaneCalibrationOf(read, i))) {
            zero.status = ShooterZeroStatus::Damaged;
            return zero;
        }
    }
    zero.status = ShooterZeroStatus::Valid;
    zero.calibration = LaneCalibrationOf(read, lane);
    return zero;
}

bool WriteShooterZero(const ProgramState& state, const QString& shooter,
                      const LaneCalibration& calibration) {
    const QString path = ShooterZeroPath(state, shooter);
    if (path.isEmpty() || !QDir(state.StartDir.isEmpty() ? QStringLiteral(".") : state.StartDir)
                               .mkpath(ShooterZeroFolder())) {
        return false;
    }
    Settings s = state.settings;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        SetLaneCalibration(s, lane, calibration);
    }
    return WriteCalibration(s, path);
}

LaneCalibration OwnLaneCalibration(const ProgramState& state, int lane) {
    const auto i = static_cast<size_t>(lane);
    return state.LaneZeroShooter[i].isEmpty() ? LaneCalibrationOf(state.settings, lane)
                                              : state.LaneOwnCalibration[i];
}

Settings OwnCalibrationSettings(const ProgramState& state) {
    Settings s = state.settings;
    for (int lane = 0; lane < kLaneCount; ++lane) {
        SetLaneCalibration(s, lane, OwnLaneCalibration(state, lane));
    }
    return s;
}

void SetLaneZero(ProgramState& state, int lane, const QString& shooter,
                 const LaneCalibration& calibration) {
    const auto i = static_cast<size_t>(lane);
    if (shooter.trimmed().isEmpty()) {
        UseOwnLaneZero(state, lane);
        return;
    }
    if (state.LaneZeroShooter[i].isEmpty()) {
        state.LaneOwnCalibration[i] = LaneCalibrationOf(state.settings, lane);
    }
    state.LaneZeroShooter[i] = shooter.trimmed();
    SetLaneCalibration(state.settings, lane, calibration);
}

void UseOwnLaneZero(ProgramState& state, int lane) {
    const auto i = static_cast<size_t>(lane);
    if (state.LaneZeroShooter[i].isEmpty()) {
        return;
    }
    SetLaneCalibration(state.settings, lane, state.LaneOwnCalibration[i]);
    state.LaneZeroShooter[i].clear();
}

void SetOwnLaneCalibration(ProgramState& state, int lane, const LaneCalibration& calibration) {
    const auto i = static_cast<size_t>(lane);
    if (state.LaneZeroShooter[i].isEmpty()) {
        SetLaneCalibration(state.settings, lane, calibration);
    } else {
        state.LaneOwnCalibration[i] = calibration;
    }
}

void ApplyShooterZeros(ProgramState& state) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const QString shooter = state.LaneShooter[i].trimmed();
        const ShooterZero zero = ReadShooterZero(state, shooter, lane);
        if (zero.status == ShooterZeroStatus::Valid) {
            SetLaneZero(state, lane, shooter, zero.calibration);
        } else {
            UseOwnLaneZero(state, lane);
        }
    }
}

bool ShooterZeroApplies(const ProgramState& state, int lane) {
    if (lane < 0 || lane >= kLaneCount) {
        return false;
    }
    const auto i = static_cast<size_t>(lane);
    return !state.LaneZeroShooter[i].isEmpty() &&
           state.LaneZeroShooter[i] == state.LaneShooter[i].trimmed();
}

QString LaneShooterCaption(const ProgramState& state, int lane) {
    if (lane < 0 || lane >= kLaneCount) {
        return {};
    }
    QString shooter = state.LaneShooter[static_cast<size_t>(lane)].trimmed();
    if (shooter.isEmpty() || !ShooterZeroApplies(state, lane)) {
        return shooter;
    }
    return shooter + QStringLiteral(" (своя пристрелка)");
}

} // namespace ryvo
