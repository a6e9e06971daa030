#pragma once

#include "core/ProgramState.h"
#include "device/DeviceSearch.h"
#include "platform/Services.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;

namespace ryvo {

// "Прибор найден: /dev/ttyUSB0. Использовать?"; true when the user says yes.
bool OfferFoundDevice(Dialogs* dialogs, const QString& port);

// Runs a device search over the system's ports on the event loop, one step per turn, so the
// window stays responsive and can show how far it got.
class SearchRunner final : public QObject {
    Q_OBJECT
public:
    SearchRunner(ProgramState& state, const Services& services, QObject* parent = nullptr);
    ~SearchRunner() override;

    // Starts over; the port the program holds between runs (port-card mode keeps one) is
    // closed first, since a port opens for one user at a time.
    void Start();
    void Cancel();
    [[nodiscard]] bool Running() const;

    // "Поиск прибора: /dev/ttyS0 (1 из 4)..." while running; what was found once done.
    [[nodiscard]] QString Text() const;
    // The last search, or null before the first.
    [[nodiscard]] const DeviceSearch* Search() const { return m_search.get(); }

    std::function<void()> onProgress;
    std::function<void()> onFinished;

private:
    void StepOnce();

    ProgramState& m_state;
    Services m_services;
    QTimer* m_timer;
    std::unique_ptr<DeviceSearch> m_search;
};

} // namespace ryvo
