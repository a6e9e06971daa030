#include "exercise/ShotSound.h"

#include "platform/Sound.h"

namespace ryvo {

ShotSound::ShotSound(const ProgramState& state, const Services& services)
    : m_state(state), m_services(services) {}

bool ShotSound::On() const {
    return m_state.SoundAvailable != 0 && m_services.sound != nullptr;
}

void ShotSound::Async() {
    if (!On()) {
        if (m_services.sound != nullptr) {
            m_services.sound->Beep();
        }
        return;
    }
    if (m_state.ShotSound && !m_services.sound->PlayAsync(*m_state.ShotSound)) {
        m_services.sound->Beep();
    }
}

std::shared_ptr<bool> ShotSound::ToCompletion() {
    if (!On()) {
        if (m_services.sound != nullptr) {
            m_services.sound->Beep();
        }
        return nullptr;
    }
    if (!m_state.ShotSound) {
        return nullptr;
    }
    auto done = std::make_shared<bool>(false);
    if (m_services.sound->PlayToCompletion(*m_state.ShotSound, [done](bool) { *done = true; })) {
        return done;
    }
    m_services.sound->Beep();
    return nullptr;
}

void ShotSound::PlayIfOn(const std::optional<QByteArray>& image) {
    if (On() && image) {
        m_services.sound->PlayAsync(*image);
    }
}

} // namespace ryvo
