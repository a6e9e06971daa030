#pragma once

#include "device/TFormShoot.h"
#include "platform/Page.h"

#include <QPixmap>

#include <functional>

class QLabel;

namespace ryvo {

// The start-up window: checks while the main window is being created whether the device
// answers, whether sound plays, and which lanes may take part.
class TInitial final : public Page, public TFormShoot {
    Q_OBJECT
public:
    TInitial(ProgramState& state, const Services& services, QWidget* parent = nullptr);

    // Reads the calibration file; the composition root supplies it.
    void SetReadCalibration(std::function<void()> readCalibration) {
        m_readCalibration = std::move(readCalibration);
    }

    // Global initialisation, calibration, port, rate check, sound test, lane presence.
    void Calibrate();
    // Returns 1 when at least one poll of lane 0 was answered, else 0; sets NoData.
    int InitRate();
    // One line on what the check found ("Прибор отвечает: стрелки 1, 2").
    [[nodiscard]] const QString& Summary() const { return m_summary; }
    // The user answered the message about missing data by asking for a device search.
    [[nodiscard]] bool SearchRequested() const { return m_searchRequested; }

private:
    QLabel* m_image;
    QLabel* m_text;
    QLabel* m_contact;
    std::function<void()> m_readCalibration;
    QString m_summary;
    bool m_searchRequested = false;
};

// The window's picture: a target emblem drawn at run time.
QPixmap DrawTargetEmblem(int size);

} // namespace ryvo
