// VARN-Terminal's options: the Options menu, the settings file that keeps
// them, and the live log.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <cstdio>

#include "appframe.h"
#include "filedialog.h"
#include "log.h"
#include "suitemenu.h"
#include "terminal_view.h"
#include "terminal_window.h"

namespace {

// The Options items of the line ends, in TerminalLineEnd order.
const char* const tLineEndItems[LINE_END_COUNT] = {"Send with CR", "Send with LF", "Send with CR LF",
                                                   "Send with no line end"};

}  // namespace

void TerminalWindow::WriteLiveLog(const char* pBytes, size_t uSize, int64_t nStampMs, bool bSpread)
{
    // Line starts as in the output: a CR LF is one line end.
    std::string text;
    text.reserve(uSize + 64);
    for (size_t i = 0; i < uSize; i++) {
        const char c = pBytes[i];
        if (c == '\0')
            continue;
        const bool lfOfCrLf = c == '\n' && bLogAfterCr;
        bLogAfterCr = c == '\r';
        if (bLogLineStart && !lfOfCrLf && tSettings.bStamps)
            text += TerminalStampText(bSpread ? TerminalByteStampMs(nStampMs, uSize - 1 - i) : nStampMs);
        text += c;
        if (!lfOfCrLf)
            bLogLineStart = c == '\r' || c == '\n';
    }
    // Flushed with every take: a crash loses at most the frame in progress.
    if (std::fwrite(text.data(), 1, text.size(), pLiveLog) != text.size() || std::fflush(pLiveLog) != 0) {
        const std::string path = tSettings.sLiveLogFile;
        StopLiveLog();
        SaveSettings();
        Error("Could not write live log file '%s' !", path.c_str());
    }
}

std::string TerminalWindow::SettingsFile()
{
    return AppSettingsFile(tProgramProfiles[PROGRAM_TERMINAL].szFileName);
}

void TerminalWindow::CreateOptionsMenu()
{
    QAction* stamps = MenuItem("Time stamps");
    stamps->setCheckable(true);
    connect(stamps, &QAction::triggered, this, [this](bool bOn) { SetTimeStamps(bOn); });
    QAction* hex = MenuItem("Hex view");
    hex->setCheckable(true);
    connect(hex, &QAction::triggered, this, [this](bool bOn) { SetHexView(bOn); });
    auto* ends = new QActionGroup(this);
    for (int i = 0; i < LINE_END_COUNT; i++) {
        QAction* item = MenuItem(tLineEndItems[i]);
        item->setCheckable(true);
        ends->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { SetLineEnd(static_cast<TerminalLineEnd>(i)); });
    }
    QAction* log = MenuItem("Live log...");
    log->setCheckable(true);
    connect(log, &QAction::triggered, this, [this](bool bOn) {
        if (bOn)
            ChooseLiveLog();
        else
            StopLiveLog();
        SaveSettings();
    });
}

void TerminalWindow::ApplySettings()
{
    MenuItem("Time stamps")->setChecked(tSettings.bStamps);
    MenuItem("Hex view")->setChecked(tSettings.bHex);
    MenuItem(tLineEndItems[tSettings.nLineEnd])->setChecked(true);
    pOutputBox->SetStamps(tSettings.bStamps);
    pOutputBox->SetHex(tSettings.bHex);
    // A live log that was on goes on into its file.
    if (tSettings.bLiveLog && !tSettings.sLiveLogFile.empty() && pLiveLog == nullptr)
        StartLiveLog(tSettings.sLiveLogFile);
    MenuItem("Live log...")->setChecked(pLiveLog != nullptr);
}

void TerminalWindow::SaveSettings()
{
    if (!TerminalSaveSettings(tSettings, SettingsFile()))
        Log("Could not write settings file '%s' !", SettingsFile().c_str());
}

void TerminalWindow::SetTimeStamps(bool bOn)
{
    tSettings.bStamps = bOn;
    MenuItem("Time stamps")->setChecked(bOn);
    pOutputBox->SetStamps(bOn);
    SaveSettings();
}

void TerminalWindow::SetHexView(bool bOn)
{
    tSettings.bHex = bOn;
    MenuItem("Hex view")->setChecked(bOn);
    pOutputBox->SetHex(bOn);
    SaveSettings();
}

void TerminalWindow::SetLineEnd(TerminalLineEnd nEnd)
{
    if (nEnd < 0 || nEnd >= LINE_END_COUNT)
        return;
    tSettings.nLineEnd = nEnd;
    MenuItem(tLineEndItems[nEnd])->setChecked(true);
    SaveSettings();
}

void TerminalWindow::ChooseLiveLog()
{
    FileDialogRequest request;
    request.vFilters = {{"All (*.*)", "*.*"}, {"Text file (*.txt)", "*.TXT"}};
    request.nFilter = 1;
    request.sDefaultExt = "txt";
    std::string path;
    if (!UiSaveFile(request, &path) || !StartLiveLog(path))
        MenuItem("Live log...")->setChecked(pLiveLog != nullptr);
}

int TerminalWindow::StartLiveLog(const std::string& sPath)
{
    StopLiveLog();
    // Appended to: a log that was on before the program ended goes on.
    FILE* f = sPath.size() <= TERMINAL_LOG_PATH_MAX ? std::fopen(sPath.c_str(), "ab") : nullptr;
    if (f == nullptr) {
        tSettings.bLiveLog = false;
        MenuItem("Live log...")->setChecked(false);
        return Error("Could not open live log file '%s' !", sPath.c_str());
    }
    pLiveLog = f;
    bLogLineStart = true;
    bLogAfterCr = false;
    tSettings.bLiveLog = true;
    tSettings.sLiveLogFile = sPath;
    MenuItem("Live log...")->setChecked(true);
    SetStatus(QString("Live log: %1").arg(QString::fromLocal8Bit(sPath.c_str())));
    return 1;
}

void TerminalWindow::StopLiveLog()
{
    if (pLiveLog == nullptr)
        return;
    TakeReceived();
    if (pLiveLog != nullptr) {
        std::fclose(pLiveLog);
        pLiveLog = nullptr;
    }
    tSettings.bLiveLog = false;
    MenuItem("Live log...")->setChecked(false);
}
