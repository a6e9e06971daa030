#include "app/Startup.h"

#include "archive/TGroupsForm.h"
#include "archive/TSave_Print.h"

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
    if (className == QLatin1String("TForm3")) {
        LoadSoundLibrary(m_state);
    } else if (className == QLatin1String("TMainForm2")) {
        DeviceInitialisation();
        LoadTargetLibrary(m_state);
    }
    if (className == QLatin1String("TGroupsForm")) {
        return new TGroupsForm(m_state, m_services);
    }
    if (className == QLatin1String("TSave_Print")) {
        return new TSave_Print(m_state, m_services);
    }
    return new PlaceholderPage(className, QString::fromUtf8(spec.caption));
}

void RyvoApplication::DeviceInitialisation() {
    GlobalInitialisation(m_state);
}

void RyvoApplication::Start() {
    m_frame->showMaximized();
    m_frame->Activate(QStringLiteral("TMainForm2"));
}

} // namespace ryvo
