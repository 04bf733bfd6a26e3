// The open and save file dialogs, reached through a handler that tests
// replace to answer them without a screen (nullptr restores the real
// dialog). Callable from a worker: the dialog runs on the window thread.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct FileDialogRequest {
    std::vector<std::pair<std::string, std::string>> vFilters;  // label, pattern ("*.txt;*.TXT")
    int nFilter = 0;             // preselected filter, index into vFilters
    std::string sDefaultExt;     // appended when the chosen name has no extension, e.g. "txt"
    std::string sStartDir;       // empty: the dialog's own choice
    std::string sStartFile;      // proposed file name
    std::string sTitle;          // empty: the platform's default caption
};

enum FileDialogMode { FILE_DIALOG_OPEN = 0, FILE_DIALOG_SAVE };

// Returns true with the chosen path, false when cancelled. The open dialog
// only accepts existing files; the save dialog requires an existing folder
// and does not ask about overwriting (callers ask with UiQuestion).
bool UiOpenFile(const FileDialogRequest& request, std::string* pPath);
bool UiSaveFile(const FileDialogRequest& request, std::string* pPath);
using FileDialogHandler =
    std::function<bool(FileDialogMode nMode, const FileDialogRequest& request, std::string* pPath)>;
void SetFileDialogHandler(FileDialogHandler fn);


