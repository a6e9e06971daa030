#include "exercise/RunSequence.h"

#include "platform/Clock.h"

namespace ryvo {

RunSequence::RunSequence(const Services& services) : m_services(services) {}

RunSequence::~RunSequence() = default;

void RunSequence::Begin(bool repeats) {
    m_steps.clear();
    m_insertAt = kAppend;
    m_repeats = repeats;
}

void RunSequence::Insert(std::unique_ptr<RunStep> step) {
    if (m_insertAt == kAppend || m_insertAt >= m_steps.size()) {
        m_steps.push_back(std::move(step));
        if (m_insertAt != kAppend) {
            m_insertAt = m_steps.size();
        }
        return;
    }
    m_steps.insert(m_steps.begin() + static_cast<std::ptrdiff_t>(m_insertAt), std::move(step));
    ++m_insertAt;
}

void RunSequence::Tick() {
    // A message box shown from within a step runs the event loop, and the window's tick timer
    // with it: that tick must not advance the step again.
    if (m_ticking) {
        return;
    }
    m_ticking = true;
    Advance();
    m_ticking = false;
}

void RunSequence::Advance() {
    while (!m_steps.empty()) {
        m_insertAt = 1;
        const StepResult result = m_steps.front()->Advance(*this);
        m_insertAt = kAppend;
        if (result == StepResult::Running) {
            return;
        }
        m_steps.erase(m_steps.begin());
        if (result == StepResult::Done) {
            return;
        }
    }
}

RunSequence::Phase RunSequence::CurrentPhase() const {
    return m_steps.empty() ? Phase::Idle : m_steps.front()->Phase();
}

bool RunSequence::Waiting() const {
    const Phase phase = CurrentPhase();
    return phase != Phase::Series && phase != Phase::Idle;
}

RunStep* RunSequence::Current() const {
    return m_steps.empty() ? nullptr : m_steps.front().get();
}

bool RunSequence::Held(Key key) const {
    return m_services.keyboard != nullptr && m_services.keyboard->IsHeld(key);
}

std::uint32_t RunSequence::Now() const {
    return m_services.clock->TickCount();
}

} // namespace ryvo
