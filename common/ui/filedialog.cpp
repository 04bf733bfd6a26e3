#include "filedialog.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QStringList>
#include <mutex>

#include "appframe.h"
#include "appmain.h"
#include "log.h"
#include "windowthread.h"

namespace {

std::mutex mHandler;
FileDialogHandler fnFileDialog;

FileDialogHandler CurrentHandler()
{
    std::lock_guard<std::mutex> lock(mHandler);
    return fnFileDialog;
}

// "Text file (*.txt)" with pattern "*.TXT" becomes "Text file (*.TXT *.txt)":
// the pattern in both cases, since Linux names are case-sensitive and the
// suite's patterns come from a case-insensitive platform. "*.*" means every
// file, which is "*" here.
QString QtFilter(const std::pair<std::string, std::string>& filter)
{
    QString label = QString::fromLocal8Bit(filter.first.c_str());
    int paren = label.indexOf('(');
    if (paren >= 0)
        label = label.left(paren).trimmed();
    QStringList patterns;
    for (const QString& p : QString::fromLocal8Bit(filter.second.c_str()).split(';', Qt::SkipEmptyParts)) {
        QString pat = p.trimmed() == "*.*" ? QString("*") : p.trimmed();
        for (const QString& v : {pat, pat.toLower(), pat.toUpper()}) {
            if (!patterns.contains(v))
                patterns << v;
        }
    }
    return label + " (" + patterns.join(' ') + ")";
}

bool RealFileDialog(FileDialogMode nMode, const FileDialogRequest& request, std::string* pPath)
{
    bool chosen = false;
    RunOnWindowThread([&] {
        QFileDialog dlg(hDlgMain);
        dlg.setOption(QFileDialog::DontUseNativeDialog, QGuiApplication::platformName() == "offscreen");
        QStringList filters;
        for (const auto& f : request.vFilters)
            filters << QtFilter(f);
        dlg.setNameFilters(filters);
        if (request.nFilter >= 0 && request.nFilter < filters.size())
            dlg.selectNameFilter(filters[request.nFilter]);
        if (!request.sDefaultExt.empty())
            dlg.setDefaultSuffix(QString::fromLocal8Bit(request.sDefaultExt.c_str()));
        if (!request.sStartDir.empty())
            dlg.setDirectory(QString::fromLocal8Bit(request.sStartDir.c_str()));
        if (!request.sStartFile.empty())
            dlg.selectFile(QString::fromLocal8Bit(request.sStartFile.c_str()));
        if (!request.sTitle.empty())
            dlg.setWindowTitle(QString::fromLocal8Bit(request.sTitle.c_str()));
        if (nMode == FILE_DIALOG_SAVE) {
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        } else {
            dlg.setAcceptMode(QFileDialog::AcceptOpen);
            dlg.setFileMode(QFileDialog::ExistingFile);
        }
        if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
            const QByteArray path = dlg.selectedFiles().first().toLocal8Bit();
            if (path.size() < APP_PATH_SIZE) {
                *pPath = path.toStdString();
                chosen = true;
            } else {
                Error("The path is too long (%d characters, at most %d) !", static_cast<int>(path.size()),
                      APP_PATH_SIZE - 1);
            }
        }
    });
    return chosen;
}

}  // namespace

bool UiOpenFile(const FileDialogRequest& request, std::string* pPath)
{
    FileDialogHandler fn = CurrentHandler();
    return fn ? fn(FILE_DIALOG_OPEN, request, pPath) : RealFileDialog(FILE_DIALOG_OPEN, request, pPath);
}

bool UiSaveFile(const FileDialogRequest& request, std::string* pPath)
{
    FileDialogHandler fn = CurrentHandler();
    return fn ? fn(FILE_DIALOG_SAVE, request, pPath) : RealFileDialog(FILE_DIALOG_SAVE, request, pPath);
}

void SetFileDialogHandler(FileDialogHandler fn)
{
    std::lock_guard<std::mutex> lock(mHandler);
    fnFileDialog = std::move(fn);
}
