#pragma once

#include "platform/Dialogs.h"

#include <QString>

namespace ryvo {

// A message box a window should show for an outcome of its model.
struct UserMessage {
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

} // namespace ryvo
