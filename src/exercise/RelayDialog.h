#pragma once

#include "core/LaneAssignment.h"

#include <QDialog>

#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;

namespace ryvo {

struct ProgramState;

// "Смена": who stands at which lane. Each present lane of the window takes a member of the
// loaded group or a typed name; "По списку" puts the group's next shooters on the lanes.
// Nothing changes until "Назначить", which also keeps the relay in its file.
class RelayDialog final : public QDialog {
    Q_OBJECT
public:
    // `windowLanes`: the lanes the calling window serves (empty: all five).
    RelayDialog(ProgramState& state, std::vector<int> windowLanes, QWidget* parent = nullptr);

    // The group and the lanes as they stand now; called before the dialog shows.
    void Refill();
    void ByListClick();
    void AssignClick();

    [[nodiscard]] QComboBox* LaneBox(int lane) const;

    // After an assignment, so the window shows the new names.
    std::function<void()> onAssigned;

private:
    [[nodiscard]] LaneNames Typed() const;

    ProgramState& m_state;
    LaneMask m_lanes{};
    std::vector<int> m_windowLanes;
    QLineEdit* m_group = nullptr;
    std::array<QComboBox*, kLaneCount> m_boxes{};
};

// Opens the dialog over `parent` (window-modal, without a nested event loop).
void OpenRelayDialog(ProgramState& state, std::vector<int> windowLanes, QWidget* parent,
                     std::function<void()> onAssigned);

} // namespace ryvo
