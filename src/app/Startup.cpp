#include "app/Startup.h"

#include "device/TInitial.h"

#include <QString>

namespace ryvo {

RyvoApplication::RyvoApplication(ProgramState& state, const Services& services)
    : m_state(state), m_services(services) {}

RyvoApplication::~RyvoApplication() = default;

void RyvoApplication::CreateWindows() {
    m_frame = std::make_unique<TForm2>();
    for (size_t i = 1; i < kWindowOrder.size(); ++i) {
        m_frame->AddPage(CreatePage(kWindowOrder[i]));
    }
}

Page* RyvoApplication::CreatePage(const WindowSpec& spec) {
    const QString className = QString::fromUtf8(spec.className);
    if (className == QLatin1String("TInitial")) {
        m_initial = new TInitial(m_state, m_services);
        m_initial->SetReadCalibration(m_readCalibration);
        return m_initial;
    }
    if (className == QLatin1String("TForm3")) {
        LoadSoundLibrary(m_state);
    } else if (className == QLatin1String("TMainForm2")) {
        DeviceInitialisation();
        LoadTargetLibrary(m_state);
    }
    return new PlaceholderPage(className, QString::fromUtf8(spec.caption));
}

void RyvoApplication::DeviceInitialisation() {
    // The initialisation window is on screen while the device check blocks start-up.
    m_frame->showMaximized();
    m_frame->Activate(QStringLiteral("TInitial"));
    m_initial->Calibrate();
}

void RyvoApplication::Start() {
    m_frame->showMaximized();
    m_frame->Activate(QStringLiteral("TMainForm2"));
}

} // namespace ryvo
