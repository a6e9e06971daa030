#include "archive/TArchiv3.h"

#include "exercise/HoldTrace.h"
#include "platform/Clock.h"
#include "platform/Widgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

// The replay in motion of the traces kept with a record.
namespace ryvo {

namespace {

// About the display rate; the picture follows the clock, not the count of frames.
constexpr int kFrameMs = 16;
const QString kReplayCaption = QStringLiteral("Воспроизвести");

} // namespace

QBoxLayout* TArchiv3::BuildReplayControls() {
    m_replay = Named(new QPushButton(kReplayCaption, this), "Replay");
    m_speed = Named(new QComboBox(this), "ReplaySpeed");
    for (const double speed : TracePlayer::kSpeeds) {
        m_speed->addItem(QString::number(speed).replace(QChar(u'.'), QChar(u',')) + QChar(u'×'),
                         speed);
    }
    m_speed->setCurrentIndex(m_speed->findData(1.0));
    m_previous = Named(new QPushButton(QStringLiteral("◀"), this), "ReplayPrevious");
    m_previous->setToolTip(QStringLiteral("Предыдущий выстрел"));
    m_pause = Named(new QPushButton(QStringLiteral("Пауза"), this), "ReplayPause");
    m_next = Named(new QPushButton(QStringLiteral("▶"), this), "ReplayNext");
    m_next->setToolTip(QStringLiteral("Следующий выстрел"));
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_speed);
    controls->addWidget(m_previous);
    controls->addWidget(m_pause);
    controls->addWidget(m_next);

    auto* shotBox = Named(new QGroupBox(QStringLiteral("Выстрел"), this), "ShotFiguresG");
    auto* shotLayout = new QVBoxLayout(shotBox);
    m_shotFigures = Named(new QLabel(shotBox), "ShotFigures");
    m_shotFigures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    shotLayout->addWidget(m_shotFigures);
    m_shotFiguresBox = shotBox;
    shotBox->hide();

    auto* column = new QVBoxLayout;
    column->addWidget(m_replay);
    column->addLayout(controls);
    column->addWidget(shotBox);

    m_frames = new QTimer(this);
    m_frames->setTimerType(Qt::PreciseTimer);
    m_frames->setInterval(kFrameMs);
    connect(m_replay, &QPushButton::clicked, this, &TArchiv3::ReplayClick);
    connect(m_pause, &QPushButton::clicked, this, &TArchiv3::ReplayPauseClick);
    connect(m_previous, &QPushButton::clicked, this, [this] {
        m_player.Previous();
        DrawReplayFrame(true);
    });
    connect(m_next, &QPushButton::clicked, this, [this] {
        m_player.Next();
        DrawReplayFrame(true);
    });
    connect(m_speed, &QComboBox::currentIndexChanged, this,
            [this] { m_player.SetSpeed(m_speed->currentData().toDouble()); });
    connect(m_frames, &QTimer::timeout, this, &TArchiv3::ReplayTick);
    return column;
}

void TArchiv3::LoadReplay() {
    const ResultRecord& record = m_view.Record();
    std::vector<ShotTrace> traces;
    if (const auto payload = KeptTracePayload(record)) {
        // More traces than the record has shots: not this record's.
        if (auto read = ReadHoldTraces(*payload); read && read->size() <= record.Shots.size()) {
            traces = std::move(*read);
        }
    }
    m_player.Load(std::move(traces), record.Shots);
}

void TArchiv3::ShowReplayState() {
    const bool playing = m_player.Playing();
    m_view.ShowReplay(m_player.Shot());
    m_replay->setEnabled(!m_player.Empty());
    m_replay->setText(playing ? QStringLiteral("Остановить") : kReplayCaption);
    m_speed->setEnabled(!m_player.Empty());
    m_pause->setText(playing && m_player.Paused() ? QStringLiteral("Продолжить")
                                                  : QStringLiteral("Пауза"));
    m_pause->setEnabled(playing);
    m_previous->setEnabled(playing);
    m_next->setEnabled(playing && m_player.Index() + 1 < m_player.Count());
    const QString figures = m_view.ShotFiguresText();
    m_shotFigures->setText(figures);
    m_shotFiguresBox->setVisible(!figures.isEmpty());
    if (playing && !m_frames->isActive()) {
        m_frames->start();
    } else if (!playing) {
        m_frames->stop();
    }
}

void TArchiv3::ReplayTick() {
    DrawReplayFrame(m_player.Advance());
}

void TArchiv3::ReplayClick() {
    if (m_player.Playing()) {
        m_player.Stop();
    } else {
        m_player.SetSpeed(m_speed->currentData().toDouble());
        m_player.Start(0);
    }
    Redraw();
}

void TArchiv3::ReplayPauseClick() {
    if (m_player.Paused()) {
        m_player.Continue();
    } else {
        m_player.Pause();
    }
    ShowReplayState();
    DrawReplayFrame(false);
}

} // namespace ryvo
