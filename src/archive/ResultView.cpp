#include "archive/ResultView.h"

#include "archive/ArchiveBeside.h"
#include "archive/Printing.h"
#include "core/ProgramState.h"
#include "core/ShotHold.h"
#include "targets/Scoring.h"
#include "targets/TargetDrawing.h"

#include <algorithm>

namespace ryvo {

ResultTexts TextsOf(const ResultRecord& record, const QString& groupName, const ZoneMaps* zones) {
    ResultTexts t;
    t.Course = record.Beside.value(QLatin1String("course")).toString();
    t.Grade = record.Beside.value(QLatin1String("grade")).toString();
    t.CourseLines = CourseResultLines(record.Beside).join(QChar(u'\n'));
    t.Group = groupName;
    t.Shooter = record.Shooter;
    t.NumShoots = QString::number(record.PlannedShots);
    t.Time = record.TimeLimit == 0 ? QStringLiteral("не огр.") : QString::number(record.TimeLimit);
    t.NumShoots2 = QString::number(record.ShotsMade);
    t.Time2 = QString::asprintf("%5.2f", static_cast<double>(record.ShootTime));
    t.Sym = record.SumText;
    t.Comm = record.Comment;
    // The hold figures' means where the record has them kept beside it.
    t.Figures = (RecordFigureLines(record, zones) +
                 HoldFigureLines(MeanHolds(HoldsOfRecord(record.Beside))))
                    .join(QChar(u'\n'));
    return t;
}

std::optional<QByteArray> KeptTracePayload(const ResultRecord& record) {
    const auto ref = TraceRefOf(record.Beside);
    if (!ref || record.GroupFile.isEmpty()) {
        return std::nullopt;
    }
    return ReadBesideTrace(record.GroupFile, *ref);
}

ResultView::ResultView(const ProgramState& state) : m_state(state) {}

bool ResultView::Activate() {
    const auto& day = m_state.archive.DayRecords;
    const std::int32_t index = m_state.archive.CurrentRecord;
    const bool found = index >= 0 && static_cast<size_t>(index) < day.size();
    m_record = found ? day[static_cast<size_t>(index)] : ResultRecord();
    m_texts = TextsOf(m_record, m_state.GroupName, LoadedZones(m_state));
    m_holds = HoldsOfRecord(m_record.Beside);
    m_replayShot = -1;
    m_stepping = false;
    m_stepped = false;
    m_current = 0;
    m_repainted = 0;
    m_red = 0;
    m_missShown = false;
    m_arrow = MissDirection::None;
    return found;
}

QString ResultView::Render(Canvas& target) const {
    const int width = target.Width();
    QString note;
    if (m_record.TargetType == 1) {
        DrawN4Target(target);
    } else if (m_record.TargetType == 2) {
        DrawSportTarget(target);
    } else {
        target.SetPen(kWhite, 1);
        target.SetBrush(kWhite, BrushStyle::Solid);
        target.FillRect(0, 0, width, target.Height());
        switch (DrawLibraryTarget(target, m_state, m_record.TargetType)) {
        case LibraryPicture::Drawn:
            break;
        case LibraryPicture::NoLibrary:
            note = QStringLiteral("Набор мишеней не загружен: рисунок мишени не показан.");
            break;
        case LibraryPicture::Missing:
            note = QStringLiteral("Рисунка мишени (ресурс %1) нет в наборе мишеней: показан "
                                  "пустой квадрат.")
                       .arg(LibraryPictureId(m_record.TargetType));
            break;
        }
    }

    const auto& shots = m_record.Shots;
    if (m_replayShot >= 0) {
        // The shots before the one replayed; its own hole comes with the frame.
        const auto before = static_cast<size_t>(m_replayShot);
        for (size_t i = 0; i < before && i < shots.size(); ++i) {
            DrawHole(target, shots[i], HoleStyle::ReplayDisc, kWhite, kBlack);
        }
        return note;
    }
    // Shots whose centre lies on the image, bounds included, as white holes.
    const double k = width * 0.005;
    const double side = 200 * k;
    for (const ShotPoint& shot : shots) {
        const double x = shot.x * k + 100 * k;
        const double y = shot.y * k + 100 * k;
        if (x >= 0 && x <= side && y >= 0 && y <= side) {
            DrawHole(target, shot, HoleStyle::Normal, kBlack, kWhite);
        }
    }
    if (!m_stepped) {
        return note;
    }
    // The step-through paints every shot black (clipped, no inside test), then repaints the
    // shots it has passed black in firing order and the current one red.
    for (const ShotPoint& shot : shots) {
        DrawHole(target, shot, HoleStyle::ReplayDisc, kWhite, kBlack);
    }
    for (int i = 0; i < m_repainted && static_cast<size_t>(i) < shots.size(); ++i) {
        DrawHole(target, shots[static_cast<size_t>(i)], HoleStyle::ReplayDisc, kWhite, kBlack);
    }
    if (m_red > 0 && static_cast<size_t>(m_red) <= shots.size()) {
        DrawHole(target, shots[static_cast<size_t>(m_red - 1)], HoleStyle::ReplayDisc, kWhite,
                 kRed);
    }
    return note;
}

void ResultView::RenderArrow(Canvas& arrow) const {
    DrawMissArrow(arrow, m_missShown ? m_arrow : MissDirection::None);
}

QString ResultView::ButtonCaption() const {
    return m_stepping ? QStringLiteral("Выстрел N %1").arg(m_current) : kViewShootsCaption;
}

void ResultView::ViewShootsClick() {
    if (m_stepping) {
        Next();
        return;
    }
    m_replayShot = -1;
    m_captionRed = true;
    if (m_record.Shots.empty()) {
        End();
        return;
    }
    m_stepping = true;
    m_stepped = true;
    m_repainted = 0;
    m_red = 0;
    ShowShot(1);
}

void ResultView::ShowShot(int index) {
    m_current = index;
    m_repainted = index - 1;
    m_red = index;
    const ShotPoint& shot = m_record.Shots[static_cast<size_t>(index - 1)];
    m_missShown =
        ScoreShot(shot.x, shot.y, m_record.TargetType, LoadedZones(m_state)) == kScoreMiss;
    // The view's table: an arrow only for a shot beyond the square (its coordinates as
    // whole units give the same side for every shot that scores as a miss).
    m_arrow =
        m_missShown ? MissDirectionOf(shot.x, shot.y, MissTable::Strict) : MissDirection::None;
}

void ResultView::Next() {
    if (!m_stepping) {
        return;
    }
    if (static_cast<size_t>(m_current) < m_record.Shots.size()) {
        ShowShot(m_current + 1);
        return;
    }
    // Past the last shot: it turns black like the others.
    m_repainted = m_current;
    m_red = 0;
    End();
}

void ResultView::Stop() {
    if (m_stepping) {
        End();
    }
}

void ResultView::ShowReplay(int shot) {
    if (shot >= 0 && m_stepping) {
        End();
    }
    m_replayShot = std::max(shot, -1);
}

QString ResultView::ShotFiguresText() const {
    const int shot = m_replayShot >= 0 ? m_replayShot : m_stepping ? m_current - 1 : -1;
    if (shot < 0 || static_cast<size_t>(shot) >= m_holds.size()) {
        return {};
    }
    const QStringList lines = ShotHoldLines(m_holds[static_cast<size_t>(shot)]);
    if (lines.isEmpty()) {
        return {};
    }
    return (QStringList{QStringLiteral("Выстрел N %1").arg(shot + 1)} + lines).join(QChar(u'\n'));
}

void ResultView::End() {
    m_stepping = false;
    m_missShown = false;
    m_arrow = MissDirection::None;
}

} // namespace ryvo
