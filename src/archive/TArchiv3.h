#pragma once

#include "archive/ResultView.h"
#include "exercise/TracePlayer.h"
#include "platform/Clock.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <memory>

class QBoxLayout;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

namespace ryvo {

struct ProgramState;
class ImageCanvas;

// The archived result view: one saved series with its target, stepped through shot by shot.
class TArchiv3 final : public Page {
    Q_OBJECT
public:
    TArchiv3(ProgramState& state, const Services& services, QWidget* parent = nullptr);
    ~TArchiv3() override;

    void FormActivate() override;
    bool PreviewKey(int qtKey, const QString& text) override;
    ResultView& View() { return m_view; }
    // Exit goes back to this window once, then to the day table again.
    void ReturnTo(const QString& className) { m_returnTo = className; }
    [[nodiscard]] const QImage& TargetImage() const;
    [[nodiscard]] const QImage& ArrowImage() const;

    // One frame of the replay at the clock's time; a timer calls it at the display rate.
    void ReplayTick();

public slots:
    void ViewShootsClick();
    void ReplayClick();
    void ReplayPauseClick();
    void PrintTargetClick();
    void ExitClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Picture;
    void Redraw();
    void ResizeTarget(int side);
    // The target and the holes under the replay's trace, redrawn when its shot changes.
    void DrawReplayFrame(bool shotChanged);
    void ShowReplayState();
    QBoxLayout* BuildReplayControls();
    // The record's kept traces into the player; none when they do not read as its own.
    void LoadReplay();

    ProgramState& m_state;
    Services m_services;
    ResultView m_view;
    SteadyClock m_steadyClock;
    TracePlayer m_player{m_steadyClock};
    std::unique_ptr<ImageCanvas> m_target;
    std::unique_ptr<ImageCanvas> m_arrow;
    std::unique_ptr<ImageCanvas> m_replayBackground;
    Picture* m_targetView;
    Picture* m_arrowView;
    QWidget* m_targetArea;
    QLabel* m_fail;
    QLabel* m_libraryNote;
    QLabel* m_group;
    QLabel* m_shooter;
    QLabel* m_numShoots;
    QLabel* m_time;
    QLabel* m_numShoots2;
    QLabel* m_time2;
    QLabel* m_sym;
    QLabel* m_comm;
    QLabel* m_figures;
    QLabel* m_course;
    QLabel* m_grade;
    QLabel* m_courseLines;
    QWidget* m_courseCaption;
    QWidget* m_gradeCaption;
    QPushButton* m_viewShoots;
    QPushButton* m_replay;
    QComboBox* m_speed;
    QPushButton* m_pause;
    QPushButton* m_previous;
    QPushButton* m_next;
    QWidget* m_shotFiguresBox;
    QLabel* m_shotFigures;
    QTimer* m_frames;
    QLabel* m_hint;
    QPushButton* m_printTarget;
    QPushButton* m_exit;
    QString m_returnTo = QStringLiteral("TArchiv2");
};

} // namespace ryvo
