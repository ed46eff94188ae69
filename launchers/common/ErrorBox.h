// The launchers' error messages ("F E H L E R", error icon): a box of the
// dialog kit on a desktop, and the console where no desktop can show one
// (no display, SDL's drivers that draw nowhere, OSTREVAN_MESSAGEBOX=stderr),
// so a launcher without a screen reports and ends instead of waiting on a
// box nobody sees.
#pragma once
#include <string>

namespace kit {
class CWindow;
}

void ShowLauncherError(kit::CWindow* owner, const std::string& text);

// Whether boxes and dialogs can be seen by anyone.
bool LauncherHasDesktop();
