// The File menu's "Export configuration..." and "Import configuration..."
// as the configuration window runs them; the window connects its two items
// to these and needs nothing else of the file code.
//
// Window thread only; both return once the worker has started (or nothing
// was started), and the worker reports through the progress window.
#pragma once

#include <string>

#include "filedialog.h"

class QWidget;

// The save and open dialogs' request: "All (*.*)" and "VARN configuration
// (*.varncfg)", the second preselected, no extension added, starting from
// sStart (a proposed name or a path).
FileDialogRequest ConfigFileDialogRequest(const std::string& sStart);

// "Export configuration...": the proposed name (ExportProposedName), the
// save dialog, the refusal of a target that is no regular file
// (ConfigCheckExportTarget), "File '%s' already exists !\nDo you want to
// overwrite it ?" for an existing path, then the export worker. 1 when it
// started.
int ConfigExportFromWindow();

// "Import configuration...": the modal "Import" dialog owned by pOwner;
// its "Import" starts the import worker. 1 when it started.
int ConfigImportFromWindow(QWidget* pOwner);
