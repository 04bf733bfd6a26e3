#include "config_file_window.h"

#include <filesystem>

#include "file_task.h"
#include "filedialog.h"
#include "fileutil.h"
#include "import_dialog.h"
#include "msgbox.h"

FileDialogRequest ConfigFileDialogRequest(const std::string& sStart)
{
    FileDialogRequest request;
    request.vFilters = {{"All (*.*)", "*.*"}, {"VARN configuration (*.varncfg)", "*.VARNCFG"}};
    request.nFilter = 1;
    request.sStartFile = sStart;
    const std::filesystem::path parent = std::filesystem::path(sStart).parent_path();
    if (!parent.empty() && DirExists(parent.string().c_str()))
        request.sStartDir = parent.string();
    return request;
}

int ConfigExportFromWindow()
{
    std::string path;
    if (!UiSaveFile(ConfigFileDialogRequest(ExportProposedName()), &path))
        return 0;
    if (!ConfigCheckExportTarget(path))
        return 0;
    if (PathExists(path.c_str())) {
        std::string question = "File '" + path + "' already exists !\nDo you want to overwrite it ?";
        if (!UiQuestion(MESSAGE_INFO, question.c_str()))
            return 0;
    }
    return ExportSensorConfig(path);
}

int ConfigImportFromWindow(QWidget* pOwner)
{
    ImportDialog dialog(pOwner);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
