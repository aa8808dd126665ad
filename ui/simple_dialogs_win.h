#pragma once
// The About box and the welcome dialog: modal, owned by the host's window when there is one.

#include <windows.h>

namespace tessera {

void ShowAboutBox(HWND owner);
void ShowWelcomeDialog(HWND owner);

}  // namespace tessera
