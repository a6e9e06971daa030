#pragma once

#include "core/ProgramState.h"
#include "platform/Services.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace ryvo {

// The sounds a window gives during a run, from the program's sound images. "On" is when the
// device check found sound output working and there is an output.
class ShotSound {
public:
    ShotSound(const ProgramState& state, const Services& services);

    [[nodiscard]] bool On() const;
    // The shot sound started and left playing, or a beep when sounds are off.
    void Async();
    // The shot sound played to its end (the last shot of a series): the flag is set when it
    // has; null when there is nothing to wait for (a beep, no image, no playback).
    std::shared_ptr<bool> ToCompletion();
    // Plays `image` when sounds are on (the end sound, a flash's shot sound).
    void PlayIfOn(const std::optional<QByteArray>& image);

private:
    const ProgramState& m_state;
    const Services& m_services;
};

} // namespace ryvo
