#pragma once

#include "core/RelaySaving.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QWidget;

namespace ryvo {

struct ProgramState;
class Dialogs;
class RunStatus;

// What the two-shooter and five-lane windows add for a relay of shooters: "Смена",
// "Записать всех" and "Следующая смена", and the shooters' names above the targets.
class RelayControls final : public QObject {
public:
    struct Hooks {
        // The window shows a series of its own, the run is idle.
        std::function<bool()> seriesOnHand;
        // The run is idle (the relay may change).
        std::function<bool()> idle;
        // The window drops its series and is ready for a new one.
        std::function<void()> readyForSeries;
        // The status line changed (for a window that does not follow it by itself).
        std::function<void()> statusChanged;
    };

    RelayControls(ProgramState& state, std::vector<int> lanes, RunStatus& status, Dialogs* dialogs,
                  Hooks hooks, QWidget* window);

    [[nodiscard]] QPushButton* RelayButton() const { return m_relay; }
    [[nodiscard]] QPushButton* SaveAllButton() const { return m_saveAll; }
    [[nodiscard]] QPushButton* NextRelayButton() const { return m_nextRelay; }

    // A label that shows who stands at `lane` ("—" for nobody), with "(своя пристрелка)" when
    // `zeroNote` and their own zero applies; kept current by Refresh.
    void ShowName(QLabel* label, int lane, bool zeroNote = false);
    // A label that shows the shooter of the lane `lane()` names at the time ("Мишень 3: …").
    void ShowSelectedName(QLabel* label, std::function<int()> lane);

    // Buttons and names after anything that may have changed them.
    void Refresh();
    // A series starts: nothing of it is saved yet.
    void SeriesStarted();
    // The window is active again; `ownDialog`: back from the save dialog it opened, which
    // may have saved the lane CurrentLane names, so "Записать всех" leaves that lane out.
    void Activated(bool ownDialog);

    void RelayClick();
    void SaveAllClick();
    void NextRelayClick();

    // The lanes the window serves.
    [[nodiscard]] const std::vector<int>& Lanes() const { return m_lanes; }
    // Where "Записать всех" writes; until one is given the relay cannot be saved.
    void SetSaving(std::unique_ptr<RelaySaving> saving);

private:
    void RefreshNames();
    void Say(const QString& line);
    [[nodiscard]] QString SelectedText(int lane) const;
    [[nodiscard]] QString NameText(int lane, bool zeroNote) const;

    ProgramState& m_state;
    std::vector<int> m_lanes;
    RunStatus& m_status;
    Dialogs* m_dialogs;
    Hooks m_hooks;
    QWidget* m_window;
    std::unique_ptr<RelaySaving> m_saves;
    QPushButton* m_relay;
    QPushButton* m_saveAll;
    QPushButton* m_nextRelay;
    // SaveCount when the window last looked.
    std::uint32_t m_seenSaves = 0;
    struct Name {
        QLabel* label;
        int lane;
        bool zeroNote;
    };
    std::vector<Name> m_names;
    std::vector<std::pair<QLabel*, std::function<int()>>> m_selected;
};

// How a lane's shooter reads above its target.
QString LaneNameText(const ProgramState& state, int lane);

// A name strip along the top edge of a target picture, as wide as the picture and following
// its size; clicks pass through to the picture. For windows with no height to spare.
QLabel* AddNameStrip(QWidget* picture, const char* name);

} // namespace ryvo
