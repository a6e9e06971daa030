#pragma once

#include "archive/CourseBeside.h"
#include "core/ResultRecord.h"
#include "core/ShotHold.h"
#include "platform/Canvas.h"
#include "targets/Marks.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace ryvo {

struct ProgramState;
class ZoneMaps;

// The texts of the archived result view, filled from the record.
struct ResultTexts {
    QString Group;
    QString Shooter;
    QString NumShoots;  // planned shots
    QString Time;       // time limit, "не огр." when 0
    QString NumShoots2; // shots made
    QString Time2;      // shooting time, "%5.2f"
    QString Sym;
    QString Comm;
    // Group figures of the shots, one line each, as the printed sheet gives them.
    QString Figures;
    // A course's record (kept beside the archive): its name, grade, and the lines of its
    // stages, reaction and shot times; all empty for any other record.
    QString Course;
    QString Grade;
    QString CourseLines;
};

// `zones`: the loaded pack's zone maps, for the figures.
ResultTexts TextsOf(const ResultRecord& record, const QString& groupName, const ZoneMaps* zones);

inline const QString kViewShootsCaption = QStringLiteral("Просмотреть выстрелы");

// The trace payload kept beside the record's group file; nothing when it has none or the
// block there is not the one its entry names.
std::optional<QByteArray> KeptTracePayload(const ResultRecord& record);

// The archived result view without widgets: one record of DayRecords, its target with the
// shots, and the step-through of the shots in firing order. Every picture is drawn from
// the state, so it comes out the same at any size and as often as the window repaints.
// A record with its trace kept beside it can also be replayed in motion, shot by shot.
class ResultView {
public:
    explicit ResultView(const ProgramState& state);

    // Takes DayRecords[CurrentRecord] and GroupName; false (an empty record) when there is
    // no such record. Shots are drawn white again; a step-through in progress ends.
    bool Activate();
    [[nodiscard]] const ResultRecord& Record() const { return m_record; }
    [[nodiscard]] const ResultTexts& Texts() const { return m_texts; }

    // The target, the shots and the marks of the step-through. Returns the one line to show
    // when a library picture could not be drawn (the square is then left empty). While
    // replaying: the target and the holes of the shots before the one playing.
    QString Render(Canvas& target) const;
    // The miss arrow of the current shot over the cleared picture.
    void RenderArrow(Canvas& arrow) const;

    // "Просмотреть выстрелы" when not stepping: starts at the first shot (or ends at once
    // when there is none). While stepping, the button shows the next shot as Shift does.
    void ViewShootsClick();
    // Shift: the next shot; after the last one the step-through ends.
    void Next();
    // Escape: ends the step-through with the current shot left red.
    void Stop();

    // The shot (from 0) a replay in motion is showing, -1 when none plays. A replay ends a
    // step-through; a step-through started ends the replay.
    void ShowReplay(int shot);
    [[nodiscard]] int ReplayShot() const { return m_replayShot; }
    // The figures of the shot stepped to or replayed, with its number; empty when none.
    [[nodiscard]] QString ShotFiguresText() const;

    [[nodiscard]] bool Stepping() const { return m_stepping; }
    [[nodiscard]] int CurrentShot() const { return m_current; } // 1-based; 0 before the first step
    [[nodiscard]] QString ButtonCaption() const;
    // The button's caption turns red with the first step-through and stays so.
    [[nodiscard]] bool CaptionRed() const { return m_captionRed; }
    // "Промах" and the arrow are shown while the current shot scores as a miss.
    [[nodiscard]] bool MissShown() const { return m_missShown; }
    [[nodiscard]] MissDirection Arrow() const { return m_arrow; }

private:
    void ShowShot(int index);
    void End();

    const ProgramState& m_state;
    ResultRecord m_record;
    ResultTexts m_texts;
    std::vector<ShotHold> m_holds;
    bool m_stepping = false;
    bool m_stepped = false; // the shots are black discs since the last activation
    int m_current = 0;
    int m_repainted = 0; // shots 1..m_repainted painted black once more, in order
    int m_red = 0;       // the shot painted red, 0 none
    int m_replayShot = -1;
    bool m_captionRed = false;
    bool m_missShown = false;
    MissDirection m_arrow = MissDirection::None;
};

} // namespace ryvo
