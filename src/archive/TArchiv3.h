#pragma once

#include "archive/ResultView.h"
#include "platform/Page.h"
#include "platform/Services.h"

#include <memory>

class QLabel;
class QPushButton;
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

public slots:
    void ViewShootsClick();
    void PrintTargetClick();
    void ExitClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Picture;
    void Redraw();
    void ResizeTarget(int side);

    ProgramState& m_state;
    Services m_services;
    ResultView m_view;
    std::unique_ptr<ImageCanvas> m_target;
    std::unique_ptr<ImageCanvas> m_arrow;
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
    QLabel* m_hint;
    QPushButton* m_printTarget;
    QPushButton* m_exit;
    QString m_returnTo = QStringLiteral("TArchiv2");
};

} // namespace ryvo
