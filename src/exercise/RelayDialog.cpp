#include "exercise/RelayDialog.h"

#include "calibration/ShooterZero.h"
#include "core/ProgramState.h"
#include "platform/Widgets.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ryvo {

namespace {

constexpr std::array<const char*, kLaneCount> kLaneBoxes = {"Lane1", "Lane2", "Lane3", "Lane4",
                                                            "Lane5"};
// As long as the archive reader keeps a name / a group name.
constexpr int kMaxName = 98;
constexpr int kMaxGroup = 95;

} // namespace

RelayDialog::RelayDialog(ProgramState& state, std::vector<int> windowLanes, QWidget* parent)
    : QDialog(parent), m_state(state), m_windowLanes(std::move(windowLanes)) {
    setObjectName(QStringLiteral("Relay"));
    setWindowTitle(QStringLiteral("Смена"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(Named(new QLabel(QStringLiteral("Группа:")), "GroupT"), 0, 0);
    m_group = Named(new QLineEdit, "Group");
    m_group->setMaxLength(kMaxGroup);
    grid->addWidget(m_group, 0, 1);
    for (int lane = 0; lane < kLaneCount; ++lane) {
        const auto i = static_cast<size_t>(lane);
        grid->addWidget(new QLabel(QStringLiteral("Мишень %1").arg(lane + 1)), lane + 1, 0);
        auto* box = Named(new QComboBox, kLaneBoxes[i]);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(24);
        grid->addWidget(box, lane + 1, 1);
        m_boxes[i] = box;
    }
    auto* byList = Named(new QPushButton(QStringLiteral("По списку")), "ByList");
    auto* assign = Named(new QPushButton(QStringLiteral("Назначить")), "Assign");
    auto* cancel = Named(new QPushButton(QStringLiteral("Отмена")), "Cancel");
    assign->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(byList);
    buttons->addStretch(1);
    buttons->addWidget(assign);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, kLaneCount + 1, 0, 1, 2);
    connect(byList, &QPushButton::clicked, this, &RelayDialog::ByListClick);
    connect(assign, &QPushButton::clicked, this, &RelayDialog::AssignClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    Refill();
}

void RelayDialog::Refill() {
    m_lanes = RelayLanes(m_state, m_windowLanes);
    m_group->setText(m_state.GroupName);
    // Members in list order: the order the relays follow.
    QStringList members;
    if (m_state.LoadedGroup != -1) {
        for (const QString& member : m_state.GroupMembers) {
            const QString name = CleanShooterName(member);
            if (!name.isEmpty()) {
                members << name;
            }
        }
    }
    for (size_t lane = 0; lane < m_boxes.size(); ++lane) {
        QComboBox* box = m_boxes[lane];
        box->clear();
        box->addItems(members);
        box->setEditText(m_state.LaneShooter[lane]);
        box->lineEdit()->setMaxLength(kMaxName);
        const bool on = m_lanes[lane] != 0;
        box->setEnabled(on);
        box->lineEdit()->setPlaceholderText(on ? QString() : QStringLiteral("не участвует"));
    }
}

LaneNames RelayDialog::Typed() const {
    LaneNames names = m_state.LaneShooter;
    for (size_t lane = 0; lane < m_boxes.size(); ++lane) {
        if (m_lanes[lane] != 0) {
            names[lane] = CleanShooterName(m_boxes[lane]->currentText());
        }
    }
    return names;
}

void RelayDialog::ByListClick() {
    if (m_state.LoadedGroup == -1) {
        return;
    }
    if (const auto relay = NextRelay(Typed(), m_lanes, m_state.GroupMembers)) {
        for (size_t lane = 0; lane < m_boxes.size(); ++lane) {
            if (m_lanes[lane] != 0) {
                m_boxes[lane]->setEditText((*relay)[lane]);
            }
        }
    }
}

void RelayDialog::AssignClick() {
    const LaneNames names = Typed();
    for (int lane = 0; lane < kLaneCount; ++lane) {
        AssignLane(m_state, lane, names[static_cast<size_t>(lane)]);
    }
    m_state.GroupName = m_group->text();
    // A shooter who brought their own zero has it on their lane from now on.
    ApplyShooterZeros(m_state);
    // The relay holds for this run even when its file cannot be written.
    WriteLaneShooters(m_state);
    accept();
    if (onAssigned) {
        onAssigned();
    }
}

QComboBox* RelayDialog::LaneBox(int lane) const {
    return m_boxes.at(static_cast<size_t>(lane));
}

void OpenRelayDialog(ProgramState& state, std::vector<int> windowLanes, QWidget* parent,
                     std::function<void()> onAssigned) {
    auto* dialog = new RelayDialog(state, std::move(windowLanes), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->onAssigned = std::move(onAssigned);
    dialog->open();
}

} // namespace ryvo
