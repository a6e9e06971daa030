#include "app/SearchRunner.h"

#include "device/SerialLink.h"
#include "platform/Dialogs.h"
#include "platform/SerialPort.h"

#include <QTimer>

namespace ryvo {

bool OfferFoundDevice(Dialogs* dialogs, const QString& port) {
    if (dialogs == nullptr) {
        return false;
    }
    return dialogs->Message(QStringLiteral("Прибор найден: %1. Использовать?").arg(port),
                            QStringLiteral("Поиск прибора"), MessageIcon::Question,
                            MessageButtons::YesNo) == MessageAnswer::Yes;
}

SearchRunner::SearchRunner(ProgramState& state, const Services& services, QObject* parent)
    : QObject(parent), m_state(state), m_services(services), m_timer(new QTimer(this)) {
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &SearchRunner::StepOnce);
}

SearchRunner::~SearchRunner() = default;

void SearchRunner::Start() {
    Cancel();
    ClosePort(m_state);
    QStringList candidates;
    if (m_services.ports != nullptr) {
        candidates = SearchCandidates(*m_services.ports, m_state.settings.SerialPort);
    }
    m_search = std::make_unique<DeviceSearch>(m_services.ports, candidates);
    m_timer->start();
    if (onProgress) {
        onProgress();
    }
}

void SearchRunner::Cancel() {
    m_timer->stop();
    if (m_search) {
        m_search->Cancel();
    }
}

bool SearchRunner::Running() const {
    return m_timer->isActive();
}

void SearchRunner::StepOnce() {
    if (m_search && m_search->Step()) {
        if (onProgress) {
            onProgress();
        }
        return;
    }
    m_timer->stop();
    if (onFinished) {
        onFinished();
    }
}

QString SearchRunner::Text() const {
    if (!m_search) {
        return {};
    }
    const DeviceSearch& search = *m_search;
    if (!search.Done()) {
        return QStringLiteral("Поиск прибора: %1 (%2 из %3)...")
            .arg(search.Current())
            .arg(search.Position())
            .arg(search.Candidates().size());
    }
    if (search.Found()) {
        return QStringLiteral("Прибор найден: %1").arg(*search.Found());
    }
    if (search.Candidates().isEmpty()) {
        return QStringLiteral("Прибор не найден: последовательных портов нет");
    }
    return QStringLiteral("Прибор не найден (проверено портов: %1)").arg(search.Results().size());
}

} // namespace ryvo
