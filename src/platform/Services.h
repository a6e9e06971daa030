#pragma once

namespace ryvo {

class Clock;
class Dialogs;
class Keyboard;
class SerialPortFactory;
class Sound;
class Printer;

// The seams a window reaches the world through; the composition root fills them with the
// real implementations, tests with doubles.
struct Services {
    Clock* clock = nullptr;
    Keyboard* keyboard = nullptr;
    Dialogs* dialogs = nullptr;
    // Windows open the device port by name at the start of each run.
    SerialPortFactory* ports = nullptr;
    Sound* sound = nullptr;
    Printer* printer = nullptr;
};

} // namespace ryvo
