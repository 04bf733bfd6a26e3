// Opening documents, folders and links with the desktop's own opener.
#pragma once

#include <string>

// The desktop opener of the suite (SetDesktopOpenHandler; AppMain installs
// it): hands a document, folder or "scheme://" link to the desktop's opener
// and reports "Could not open '%s' !" with the path and the reason when the
// desktop cannot open it, so the user can open it by hand. The opener's
// verdict comes later, on the window thread (the opener may run the viewer
// until it is closed); true when the request was handed over, false after
// reporting at once. Window thread only.
bool UiDesktopOpen(const std::string& sTarget);

