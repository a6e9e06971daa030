#include "zeroing/ZeroingRun.h"

#include "calibration/ShooterZero.h"
#include "core/Conversions.h"
#include "core/Product.h"
#include "device/DeviceProtocol.h"
#include "device/SerialLink.h"
#include "device/TFormShoot.h"
#include "exercise/RunSteps.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "targets/TargetDrawing.h"

#include <algorithm>
#include <cmath>

namespace ryvo {

namespace {

constexpr int kFlushRounds = 5;
constexpr size_t kMaxStoredShots = 1000;
// A frame that arrives after its read timed out is read by the next poll, and the frame
// that poll asked for still carries the trigger the PC has just acknowledged: the one pull
// would count twice. Triggers this close after a taken one are that same pull.
constexpr std::uint32_t kRepeatGuardMs = 200;

QString Caption() {
    return QString::fromUtf8(kProductName);
}

} // namespace

ZeroingRun::ZeroingRun(ProgramState& state, const Services& services, ZeroingView& view)
    : m_state(state), m_services(services), m_view(view), m_panel(state, view),
      m_sound(state, m_services), m_sequence(m_services) {}

ZeroingRun::Phase ZeroingRun::CurrentPhase() const {
    switch (m_sequence.CurrentPhase()) {
    case RunSequence::Phase::Idle:
        return Phase::Idle;
    case RunSequence::Phase::StartKeyRelease:
        return Phase::StartKeyRelease;
    case RunSequence::Phase::EndEscape:
    case RunSequence::Phase::EndKeyRelease:
        return Phase::EndKeyRelease;
    default:
        break;
    }
    return Phase::Collecting;
}

void ZeroingRun::Tick() {
    m_panel.DrawPendingFreeze();
    m_sequence.Tick();
}

int ZeroingRun::Lane() const {
    return std::clamp(m_state.CurrentLane, 0, kLaneCount - 1);
}

QString ZeroingRun::CalibrationPath() const {
    return m_state.PathFor(QString::fromLatin1(kCalibrationFileName));
}

void ZeroingRun::Report(const QString& text) {
    if (m_services.dialogs != nullptr) {
        m_services.dialogs->Message(text, Caption(), MessageIcon::Error);
    }
}

void ZeroingRun::DrawEmptyTarget(int lane) {
    // The cross belongs to the holes drawn since the measurement started.
    m_view.HideMeanPoint();
    if (!DrawLaneTarget(m_view.Picture(ViewPicture::Target), m_view.Picture(ViewPicture::SignalI),
                        m_state, lane) &&
        m_services.dialogs != nullptr) {
        m_services.dialogs->Message(
            MissingPictureMessage(m_state.settings.Target[static_cast<size_t>(lane)]),
            QStringLiteral("Error"), MessageIcon::Error);
    }
    m_view.Repaint(ViewPicture::Target);
    m_view.Repaint(ViewPicture::SignalI);
}

void ZeroingRun::FormActivate() {
    // A measurement left unsaved for a shooter, or a lane zeroed for one who is not there,
    // gives way to what the assignment says.
    ApplyShooterZeros(m_state);
    m_backup = TakeCalibrationBackup(m_state.settings);
    m_zeroShooterBackup = m_state.LaneZeroShooter;
    m_ownBackup = m_state.LaneOwnCalibration;
    LaneNumberChanged();
    DrawEmptyTarget(Lane());
}

std::optional<int> ZeroingRun::ChosenLane() const {
    const auto n = StrToInt(m_view.LaneNumberText());
    if (!n || *n < 1 || *n > kLaneCount) {
        return std::nullopt;
    }
    return *n - 1;
}

void ZeroingRun::LaneNumberChanged() {
    if (!Idle()) {
        return;
    }
    if (const auto lane = ChosenLane()) {
        m_view.SetShooterName(m_state.LaneShooter[static_cast<size_t>(*lane)].trimmed());
    }
    ShooterNameChanged();
}

void ZeroingRun::ShooterNameChanged() {
    const auto lane = ChosenLane();
    const QString shooter = m_view.ShooterNameText().trimmed();
    if (!lane || shooter.isEmpty()) {
        m_view.SetShooterNote(QString());
        return;
    }
    const ShooterZero zero = ReadShooterZero(m_state, shooter, *lane);
    if (zero.status == ShooterZeroStatus::Damaged) {
        m_view.SetShooterNote(QStringLiteral("Файл %1 повреждён: действует пристрелка мишени.")
                                  .arg(ShooterZeroFolder() + u'/' + ShooterZeroFileName(shooter)));
    } else if (zero.status == ShooterZeroStatus::Valid &&
               m_state.LaneZeroShooter[static_cast<size_t>(*lane)] == shooter) {
        m_view.SetShooterNote(QStringLiteral("(своя пристрелка)"));
    } else {
        m_view.SetShooterNote(QString());
    }
}

void ZeroingRun::TakeZeroFor(int lane, const QString& shooter) {
    if (shooter.isEmpty()) {
        UseOwnLaneZero(m_state, lane);
        return;
    }
    if (m_state.LaneZeroShooter[static_cast<size_t>(lane)] == shooter) {
        return;
    }
    // A first zero of a shooter starts from the lane's own correction.
    const ShooterZero zero = ReadShooterZero(m_state, shooter, lane);
    SetLaneZero(m_state, lane, shooter,
                zero.status == ShooterZeroStatus::Valid ? zero.calibration
                                                        : OwnLaneCalibration(m_state, lane));
}

void ZeroingRun::WriteOwnCalibration() {
    m_unsaved = !WriteCalibration(OwnCalibrationSettings(m_state), CalibrationPath());
}

void ZeroingRun::ScaleFunc(ZeroingMode mode) {
    if (!Idle()) {
        return;
    }
    const QString number = m_view.LaneNumberText();
    const auto n = StrToInt(number);
    if (!n) {
        Report(NotAnIntegerMessage(number));
        return;
    }
    if (*n < 1 || *n > kLaneCount) {
        Report(
            QStringLiteral("Номер мишени для пристрелки должен быть от 1 до %1.").arg(kLaneCount));
        return;
    }
    m_mode = mode;
    OpenPort(m_state, m_services);
    m_savedLevel = 0;
    SumX = 0.0F;
    SumY = 0.0F;
    m_counted = 0;
    m_view.HideMeanPoint();
    m_panel.ResetSeriesTrace();
    m_apply = false;

    const int lane = *n - 1;
    m_state.CurrentLane = lane;
    // With a name the measurement corrects that shooter's zero, else the lane's own.
    TakeZeroFor(lane, m_view.ShooterNameText().trimmed());
    ShooterNameChanged();
    m_state.settings.Shooter = 1U << static_cast<unsigned>(lane);
    m_edges = TargetZeroingEdges(m_state, m_state.settings.Target[static_cast<size_t>(lane)]);
    if (m_state.settings.IO_Serial == 1) {
        WriteByte(m_state, static_cast<std::uint8_t>(kSelectLane + lane));
    }
    // The file buttons too: a restore in the middle would change the scales the mean is
    // undone with.
    for (ZeroingControl c :
         {ZeroingControl::ButCent, ZeroingControl::ButLeft, ZeroingControl::ButRight,
          ZeroingControl::ButUp, ZeroingControl::ButDown, ZeroingControl::ExitSave,
          ZeroingControl::Exit1, ZeroingControl::ButLoad, ZeroingControl::Button2,
          ZeroingControl::SaveForShooter}) {
        m_view.SetControlEnabled(c, false);
    }

    LaneCalibration calibration = LaneCalibrationOf(m_state.settings, lane);
    m_replacedScale.reset();
    if (float* scale = MeasuredScale(calibration, mode); scale != nullptr) {
        const float before = *scale;
        if (PrepareScale(calibration, mode)) {
            m_replacedScale = before;
            SetLaneCalibration(m_state.settings, lane, calibration);
        }
    }

    m_view.SetInfo(QStringLiteral(
        "Произведите выстрелы в район отмеченой точки мишени\nВвод <Enter> Отмена<ESC>"));
    m_view.ShowPointer(
        PointerPlacement(mode, m_panel.TargetWidth(), m_view.PointerSize(), m_edges));
    m_sequence.Begin(false);
    m_sequence.Add<KeyReleaseStep>(1, Key::Space, RunSequence::Phase::StartKeyRelease);
    m_sequence.Add<CallStep>([this] { SeriesStart(); }, StepResult::Done,
                             RunSequence::Phase::Series);
    // Every pass ends at a dispatch point: a click of ButShoot and the keys come in there.
    m_sequence.Add<SeriesStep>(PassRef::To<&ZeroingRun::Pass>(*this), nullptr, 0U);
    m_sequence.Add<CallStep>([this] { SeriesEnd(); }, StepResult::Done, RunSequence::Phase::Series);
    m_sequence.Add<EndStep>(1, [] {});
    m_sequence.Add<CallStep>([this] { MeasurementEnd(); }, StepResult::Continue,
                             RunSequence::Phase::EndKeyRelease);
}

void ZeroingRun::SeriesStart() {
    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    m_state.Device.ZeroHistories();
    m_panel.EmptyTrace();
    // No trace is drawn while zeroing, whatever the last exercise left active.
    m_state.run.LaneActive.fill(0);
    m_view.SetControlEnabled(ZeroingControl::ButShoot, true);
    m_state.run.ShotPending[i] = 0;
    m_state.Device.Trigger[i] = 0;
    DrawEmptyTarget(lane);
    const float k = m_panel.Scale();
    m_panel.SetLevelBarGeometry(static_cast<int>(k), std::max(1, static_cast<int>(k)));
    // Trigger reports left on the device from before are fetched and acknowledged now.
    for (int round = 0; round < kFlushRounds; ++round) {
        PollLane(m_state, m_services.clock, lane);
    }
    m_counted = 0;
    m_lastTrigger.reset();
}

bool ZeroingRun::WithinPicture(float x, float y) {
    const int width = m_panel.TargetWidth();
    const int px = ToPixels(x, width);
    const int py = ToPixels(y, width);
    return px >= 0 && px <= width && py >= 0 && py <= width;
}

void ZeroingRun::RecordShot() {
    const auto i = static_cast<size_t>(Lane());
    RunState& run = m_state.run;
    const float x = run.AimX[i];
    const float y = run.AimY[i];
    SumX += x;
    SumY += y;
    const auto j = static_cast<size_t>(m_counted);
    if (j < kMaxStoredShots) {
        std::vector<ShotPoint>& shots = run.ShotPos[i];
        if (shots.size() <= j) {
            shots.resize(j + 1);
        }
        shots[j] = {x, y};
    }
    if (m_counted > 0 && WithinPicture(m_lastShotX, m_lastShotY)) {
        m_panel.DrawHole(m_lastShotX, m_lastShotY, kBlack, kWhite);
    }
    if (WithinPicture(x, y)) {
        m_panel.DrawHole(x, y, kRed, kWhite);
    }
    m_lastShotX = x;
    m_lastShotY = y;
    ++m_counted;
    ShowMeanPoint();
}

std::optional<ShotPoint> ZeroingRun::MeanPoint() const {
    if (m_counted <= 0) {
        return std::nullopt;
    }
    // The same division as the correction's, so the cross shows what will be applied.
    const auto n = static_cast<float>(m_counted);
    return ShotPoint{SumX / n, SumY / n};
}

void ZeroingRun::ShowMeanPoint() {
    const std::optional<ShotPoint> mean = MeanPoint();
    if (!mean || !WithinPicture(mean->x, mean->y)) {
        m_view.HideMeanPoint();
        return;
    }
    const int width = m_panel.TargetWidth();
    m_view.ShowMeanPoint(QPoint(ToPixels(mean->x, width), ToPixels(mean->y, width)));
}

void ZeroingRun::Pass(SeriesStep& series) {
    const int lane = Lane();
    const auto i = static_cast<size_t>(lane);
    RunState& run = m_state.run;
    DeviceValues& device = m_state.Device;
    // The poll (no trace while zeroing: no lane is active) and the aim.
    PollLane(m_state, m_services.clock, lane);
    const TargetPoint aim = ToTarget(m_state.settings, lane, device.PosX[i], device.PosY[i]);
    run.AimX[i] = aim.x;
    run.AimY[i] = aim.y;
    // The shot, from the trigger or from ButShoot.
    if (device.Trigger[i] == 1) {
        const std::uint32_t now = m_services.clock->TickCount();
        if (!m_lastTrigger || now - *m_lastTrigger >= kRepeatGuardMs) {
            m_lastTrigger = now;
            run.ShotPending[i] = 1;
        }
    }
    if (run.ShotPending[i] != 0) {
        m_sound.Async();
        WriteByte(m_state, static_cast<std::uint8_t>(kAcknowledge + lane));
        device.Trigger[i] = 0;
        run.ShotPending[i] = 0;
        // The frame that carried the trigger is not used for the level.
        const std::int32_t level = m_savedLevel;
        if (LevelInWindow(m_state, level)) {
            RecordShot();
        }
        const auto value = static_cast<float>(level);
        QString text;
        if (value > m_state.SignalMarkFactor * m_state.SignalLevel) {
            text = QStringLiteral("Сигнал слишком большой");
        } else if (value < m_state.SignalLowFactor * m_state.SignalLevel) {
            text = QStringLiteral("Сигнал слишком слабый");
        } else {
            text = QString::asprintf("Уровень=%4u", static_cast<unsigned>(level));
        }
        m_view.SetText(ViewText::SigText, text);
        m_view.Repaint(ViewPicture::Target);
        m_view.Present();
    }
    device.Trigger[i] = 0;
    // The dispatch point of every pass.
    series.Dispatch();
    // The aiming point or the trace's end, and the level bar.
    if (LevelInWindow(m_state, device.Level[i])) {
        m_panel.ShowAimPoint(m_panel.Scale(), run.AimY[i], run.AimX[i]);
    } else {
        for (ViewItem arrow :
             {ViewItem::LeftArrow, ViewItem::RightArrow, ViewItem::UpArrow, ViewItem::DownArrow}) {
            m_view.SetVisible(arrow, false);
        }
        m_panel.ClearTrace(lane, m_panel.Scale());
    }
    if (static_cast<float>(device.LastLevel) <= m_state.SignalLevel) {
        m_panel.DrawLevelBar(device.LastLevel);
    }
    m_savedLevel = device.LastLevel;
    // Escape held together with Return cancels: the safe choice of the two.
    if (Held(Key::Escape)) {
        series.Stop();
    } else if (m_counted > 0 && (Held(Key::Return) || Held(Key::Space))) {
        m_apply = true;
        series.Stop();
    }
}

void ZeroingRun::SeriesEnd() {
    if (m_apply) {
        ApplyCorrection();
    } else {
        CancelMeasurement();
    }
}

void ZeroingRun::ApplyCorrection() {
    const int lane = Lane();
    // Collection ends with Return only after a counted shot: there is a mean point.
    const ShotPoint mean = MeanPoint().value_or(ShotPoint{});
    const LaneCalibration corrected = CorrectCalibration(LaneCalibrationOf(m_state.settings, lane),
                                                         m_mode, mean.x, mean.y, m_edges);
    SetLaneCalibration(m_state.settings, lane, corrected);
    const QString shooter = m_state.LaneZeroShooter[static_cast<size_t>(lane)];
    if (!shooter.isEmpty()) {
        // A shooter's correction never goes into ryvw.dat; their own file keeps it.
        m_view.SetInfo(QStringLiteral("Поправка относится к пристрелке стрелка %1. Запишите её "
                                      "кнопкой \"Сохранить для стрелка\".")
                           .arg(shooter));
        return;
    }
    WriteOwnCalibration();
    m_reportUnsaved = m_unsaved;
}

void ZeroingRun::CancelMeasurement() {
    if (m_replacedScale) {
        LaneCalibration calibration = LaneCalibrationOf(m_state.settings, Lane());
        *MeasuredScale(calibration, m_mode) = *m_replacedScale;
        SetLaneCalibration(m_state.settings, Lane(), calibration);
        m_replacedScale.reset();
    }
}

void ZeroingRun::MeasurementEnd() {
    for (ZeroingControl c :
         {ZeroingControl::ButCent, ZeroingControl::ButLeft, ZeroingControl::ButRight,
          ZeroingControl::ButUp, ZeroingControl::ButDown, ZeroingControl::ExitSave,
          ZeroingControl::Exit1, ZeroingControl::ButLoad, ZeroingControl::Button2,
          ZeroingControl::SaveForShooter}) {
        m_view.SetControlEnabled(c, true);
    }
    m_view.HidePointer();
    m_view.SetControlEnabled(ZeroingControl::ButShoot, false);
    ClosePort(m_state);
    if (m_reportUnsaved) {
        // Shown once the keys are up, so a held Return cannot dismiss it unread.
        m_reportUnsaved = false;
        const QString text =
            QStringLiteral("Поправка не записана: не удалось записать файл %1.\n"
                           "Значения пристрелки остались в памяти программы; сохраните их "
                           "кнопкой \"Сохранить и выйти\" или \"Записать в файл\".")
                .arg(CalibrationPath());
        m_view.SetInfo(text);
        Report(text);
    }
}

void ZeroingRun::ButShootClick() {
    if (Idle()) {
        return;
    }
    m_state.run.ShotPending[static_cast<size_t>(Lane())] = 1;
    m_view.FocusButtons();
}

} // namespace ryvo
