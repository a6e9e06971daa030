#pragma once

namespace ryvo {

class Clock;
class Dialogs;
class Keyboard;
class Printer;

// The seams a window reaches the world through; the composition root fills them with the
// real implementations, tests with doubles.
struct Services {
    Clock* clock = nullptr;
    Keyboard* keyboard = nullptr;
    Dialogs* dialogs = nullptr;
    Printer* printer = nullptr;
};

} // namespace ryvo
