// The window-side handler of ShowMessage: real message boxes and the about box.
#pragma once

#include "core/messages.h"

namespace brisken {

MessageAnswer ShowMessageBox(const MessageRequest& request);
// Installs ShowMessageBox as the handler of every message of the editor.
void InstallMessageBoxes();

} // namespace brisken
