#include "exercise/RelayControls.h"

#include "calibration/ShooterZero.h"
#include "core/LaneAssignment.h"
#include "core/ProgramState.h"
#include "exercise/RelayDialog.h"
#include "exercise/RunStatus.h"
#include "platform/Dialogs.h"
#include "platform/Widgets.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <algorithm>

namespace ryvo {

namespace {

const QString kSaveAll = QStringLiteral("Записать всех");
const QString kAllSaved = QStringLiteral("Все записаны");

// Keeps a strip across the top of its picture.
class StripPlacer final : public QObject {
public:
    StripPlacer(QWidget* picture, QLabel* strip) : QObject(strip), m_strip(strip) {
        picture->installEventFilter(this);
        strip->installEventFilter(this);
        Place(picture);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange) {
            Place(m_strip->parentWidget());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Place(QWidget* picture) {
        const int height = std::min(picture->height(), m_strip->sizeHint().height());
        const QRect wanted(0, 0, picture->width(), height);
        if (m_strip->geometry() != wanted) {
            m_strip->setGeometry(wanted);
        }
    }

    QLabel* m_strip;
};

} // namespace

QLabel* AddNameStrip(QWidget* picture, const char* name) {
    auto* strip = Named(new QLabel(picture), name);
    strip->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    strip->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Readable over the rings, yet the target shows through.
    strip->setAutoFillBackground(true);
    QPalette palette = strip->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 255, 200));
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    strip->setPalette(palette);
    new StripPlacer(picture, strip);
    return strip;
}

QString LaneNameText(const ProgramState& state, int lane) {
    if (lane < 0 || lane >= kLaneCount) {
        return {};
    }
    const QString& name = state.LaneShooter[static_cast<size_t>(lane)];
    return name.isEmpty() ? QStringLiteral("—") : name;
}

RelayControls::RelayControls(ProgramState& state, std::vector<int> lanes, RunStatus& status,
                             Dialogs* dialogs, Hooks hooks, QWidget* window)
    : QObject(window), m_state(state), m_lanes(std::move(lanes)), m_status(status),
      m_dialogs(dialogs), m_hooks(std::move(hooks)), m_window(window) {
    m_relay = Named(new QPushButton(QStringLiteral("Смена")), "Relay");
    m_saveAll = Named(new QPushButton(kSaveAll), "SaveAll");
    m_nextRelay = Named(new QPushButton(QStringLiteral("Следующая смена")), "NextRelay");
    connect(m_relay, &QPushButton::clicked, this, &RelayControls::RelayClick);
    connect(m_saveAll, &QPushButton::clicked, this, &RelayControls::SaveAllClick);
    connect(m_nextRelay, &QPushButton::clicked, this, &RelayControls::NextRelayClick);
}

void RelayControls::SetSaving(std::unique_ptr<RelaySaving> saving) {
    m_saves = std::move(saving);
    Refresh();
}

void RelayControls::ShowName(QLabel* label, int lane, bool zeroNote) {
    m_names.push_back(Name{label, lane, zeroNote});
    label->setText(NameText(lane, zeroNote));
    label->setVisible(m_state.LanePresent[static_cast<size_t>(lane)] != 0);
}

void RelayControls::ShowSelectedName(QLabel* label, std::function<int()> lane) {
    label->setText(SelectedText(lane()));
    m_selected.emplace_back(label, std::move(lane));
}

QString RelayControls::NameText(int lane, bool zeroNote) const {
    const QString caption = zeroNote ? LaneShooterCaption(m_state, lane) : QString();
    return caption.isEmpty() ? LaneNameText(m_state, lane) : caption;
}

QString RelayControls::SelectedText(int lane) const {
    return QStringLiteral("Мишень %1: %2").arg(lane + 1).arg(NameText(lane, true));
}

void RelayControls::RefreshNames() {
    for (const auto& [label, lane, zeroNote] : m_names) {
        const QString text = NameText(lane, zeroNote);
        if (label->text() != text) {
            label->setText(text);
        }
        // Only a lane that takes part has a shooter to show.
        const bool present = m_state.LanePresent[static_cast<size_t>(lane)] != 0;
        if (label->isVisibleTo(label->parentWidget()) != present) {
            label->setVisible(present);
        }
    }
    for (const auto& [label, lane] : m_selected) {
        const QString text = SelectedText(lane());
        if (label->text() != text) {
            label->setText(text);
        }
    }
}

void RelayControls::Refresh() {
    RefreshNames();
    const bool idle = m_hooks.idle();
    const bool onHand = idle && m_hooks.seriesOnHand();
    const bool canSave = onHand && m_saves != nullptr;
    const bool allSaved = canSave && m_saves->AllSaved(m_state);
    m_relay->setEnabled(idle);
    m_saveAll->setEnabled(canSave && !allSaved && !m_saves->FiredLanes(m_state).empty());
    m_saveAll->setText(allSaved ? kAllSaved : kSaveAll);
    m_nextRelay->setEnabled(canSave && m_saves->AnySaved());
}

void RelayControls::Say(const QString& line) {
    m_status.SavedByWindow(line);
    if (m_hooks.statusChanged) {
        m_hooks.statusChanged();
    }
}

void RelayControls::SeriesStarted() {
    if (m_saves != nullptr) {
        m_saves->SeriesStarted();
    }
    m_seenSaves = m_state.SaveCount;
    Refresh();
}

void RelayControls::Activated(bool ownDialog) {
    if (ownDialog && m_state.SaveDialogMode == 0 && m_state.SaveCount != m_seenSaves &&
        m_saves != nullptr) {
        m_saves->MarkSaved(m_state.CurrentLane);
    }
    m_seenSaves = m_state.SaveCount;
    Refresh();
}

void RelayControls::RelayClick() {
    if (!m_hooks.idle()) {
        return;
    }
    OpenRelayDialog(m_state, m_lanes, m_window, [this] { Refresh(); });
}

void RelayControls::SaveAllClick() {
    if (!m_hooks.idle() || !m_hooks.seriesOnHand() || m_saves == nullptr) {
        return;
    }
    if (m_saves->AllSaved(m_state)) {
        Say(QStringLiteral("Эта серия уже записана"));
        return;
    }
    const RelaySaveReport report = m_saves->SaveAll(m_state);
    m_seenSaves = m_state.SaveCount;
    Say(report.status);
    Refresh();
    if (const auto& message = report.message; message && m_dialogs != nullptr) {
        m_dialogs->Message(message->text, message->caption, message->icon, message->buttons);
    }
}

void RelayControls::NextRelayClick() {
    if (!m_hooks.idle() || m_saves == nullptr || !m_saves->AnySaved()) {
        return;
    }
    const bool listed = AssignFromList(m_state, m_lanes);
    if (listed) {
        // The relay holds for this run even when its file cannot be written.
        WriteLaneShooters(m_state);
        ApplyShooterZeros(m_state);
    }
    m_saves->SeriesStarted();
    m_hooks.readyForSeries();
    QStringList names;
    const LaneMask lanes = RelayLanes(m_state, m_lanes);
    for (int lane : m_lanes) {
        if (lanes[static_cast<size_t>(lane)] != 0) {
            names << QStringLiteral("%1 — %2").arg(lane + 1).arg(LaneNameText(m_state, lane));
        }
    }
    Say(QStringLiteral("Следующая смена: ") + names.join(QStringLiteral(", ")));
    Refresh();
    if (!listed) {
        // No group to take the relay from: the instructor names it.
        RelayClick();
    }
}

} // namespace ryvo
