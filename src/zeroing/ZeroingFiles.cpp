#include "zeroing/ZeroingRun.h"

#include "calibration/ShooterZero.h"
#include "core/Conversions.h"
#include "core/Product.h"
#include "platform/Dialogs.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

// The zeroing window's files: a table loaded or written, the lanes' own values kept on the way
// out, and a shooter's own zero.
namespace ryvo {

namespace {

const QString kFilter = QStringLiteral("Файл пристрелки|*.dat");

// A chosen name without an extension gets the dialog's default one.
QString WithDefaultSuffix(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.indexOf(u'.', slash + 1) < 0 ? path + QStringLiteral(".dat") : path;
}

} // namespace

void ZeroingRun::ButLoadClick() {
    if (!Idle() || m_services.dialogs == nullptr) {
        return;
    }
    const auto path = m_services.dialogs->OpenFile(kFilter, m_state.StartDir);
    if (!path) {
        return;
    }
    // Read into a copy whose table is "not a number": whatever the file does not give
    // stays so and shows that the file is not a whole calibration table.
    Settings read = m_state.settings;
    const float unset = std::nanf("");
    for (int lane = 0; lane < kLaneCount; ++lane) {
        SetLaneCalibration(read, lane, {unset, unset, unset, unset, unset, unset});
    }
    if (!ReadCalibration(read, *path, false)) {
        Report(QStringLiteral("Не удалось открыть файл %1.").arg(*path));
        return;
    }
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const LaneCalibration c = LaneCalibrationOf(read, lane);
        for (float value : {c.CentX, c.CentY, c.ScaleL, c.ScaleR, c.ScaleU, c.ScaleD}) {
            if (!std::isfinite(value)) {
                Report(QStringLiteral("Файл %1 не содержит полной таблицы пристрелки; "
                                      "значения не изменены.")
                           .arg(*path));
                return;
            }
        }
    }
    Settings& s = m_state.settings;
    // The file restores the lanes' own corrections; a shooter's zero on a lane stays on it.
    for (int lane = 0; lane < kLaneCount; ++lane) {
        SetOwnLaneCalibration(m_state, lane, LaneCalibrationOf(read, lane));
    }
    s.TimeGun = read.TimeGun;
    s.TimeShoot = read.TimeShoot;
    s.TimePost = read.TimePost;
    s.TimeTrace = read.TimeTrace;
    m_state.TraceLength = ComputeTraceLength(s);
}

void ZeroingRun::Button2Click() {
    if (!Idle() || m_services.dialogs == nullptr) {
        return;
    }
    const auto chosen = m_services.dialogs->SaveFile(kFilter, m_state.StartDir);
    if (!chosen) {
        return;
    }
    const QString path = WithDefaultSuffix(*chosen);
    // The dialog asked about the name it returned; a name it did not see is asked here.
    if (path != *chosen && QFileInfo::exists(path) &&
        m_services.dialogs->Message(
            QStringLiteral("Файл %1 уже существует.\nЗаменить его?").arg(path),
            QString::fromUtf8(kProductName), MessageIcon::Question,
            MessageButtons::YesNo) != MessageAnswer::Yes) {
        return;
    }
    // Saved as ryvw.dat, the file gets the lanes' own values as always.
    const bool ownFile = QFileInfo(path) == QFileInfo(CalibrationPath());
    if (!WriteCalibration(ownFile ? OwnCalibrationSettings(m_state) : m_state.settings, path)) {
        Report(QStringLiteral("Не удалось записать файл %1.").arg(path));
        return;
    }
    if (ownFile) {
        m_unsaved = false;
    }
}

void ZeroingRun::ExitSaveClick() {
    if (!Idle()) {
        return;
    }
    if (!WriteCalibration(OwnCalibrationSettings(m_state), CalibrationPath())) {
        // Staying in the window keeps the values and lets the user try again.
        Report(QStringLiteral("Не удалось записать файл %1.\nЗначения пристрелки остались в "
                              "памяти программы; окно не закрыто, попробуйте ещё раз.")
                   .arg(CalibrationPath()));
        return;
    }
    m_unsaved = false;
    ApplyShooterZeros(m_state);
    m_view.ActivateWindow(QStringLiteral("TMainForm2"));
}

void ZeroingRun::Exit1Click() {
    if (!Idle()) {
        return;
    }
    RestoreCalibrationBackup(m_state.settings, m_backup);
    m_state.LaneZeroShooter = m_zeroShooterBackup;
    m_state.LaneOwnCalibration = m_ownBackup;
    ApplyShooterZeros(m_state);
    m_view.ActivateWindow(QStringLiteral("TMainForm2"));
}

void ZeroingRun::SaveForShooterClick() {
    if (!Idle()) {
        return;
    }
    const QString shooter = m_view.ShooterNameText().trimmed();
    if (shooter.isEmpty()) {
        Report(QStringLiteral("Укажите стрелка, для которого сохраняется пристрелка."));
        return;
    }
    const auto lane = ChosenLane();
    if (!lane) {
        Report(
            QStringLiteral("Номер мишени для пристрелки должен быть от 1 до %1.").arg(kLaneCount));
        return;
    }
    const LaneCalibration calibration = LaneCalibrationOf(m_state.settings, *lane);
    if (!WriteShooterZero(m_state, shooter, calibration)) {
        Report(
            QStringLiteral("Не удалось записать файл %1.").arg(ShooterZeroPath(m_state, shooter)));
        return;
    }
    // From now on the lane holds this shooter's zero, not its own.
    SetLaneZero(m_state, *lane, shooter, calibration);
    m_view.SetInfo(QStringLiteral("Пристрелка стрелка %1 записана в файл %2.")
                       .arg(shooter, ShooterZeroFolder() + u'/' + ShooterZeroFileName(shooter)));
    ShooterNameChanged();
}

} // namespace ryvo
