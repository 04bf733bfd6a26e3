#include "datalogger_window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "appframe.h"
#include "filedialog.h"
#include "fileio.h"
#include "log.h"
#include "suitemenu.h"
#include "windowthread.h"

namespace {

constexpr const char szTipDownload[] = "Start to download data from sensor...";
constexpr const char szTipRefresh[] = "Refresh storage info...";
constexpr const char szTipErase[] = "Erase all data...";
constexpr const char szTipCancel[] = "Cancel current operation...";

// clang-format off
const MenuItem tDataloggerMenu[] = {
    // menu    item                              action               separator after  tool
    { "File",  "Check for update at startup",    MENU_CHECK_STARTUP,  true },
    { "File",  "Quit",                           MENU_QUIT,           false },
    { "Tools", nullptr,                          MENU_TOOL,           true,  PROGRAM_TOOLBOX },
    { "Tools", nullptr,                          MENU_TOOL,           false, PROGRAM_TERMINAL },
    { "Tools", nullptr,                          MENU_TOOL,           false, PROGRAM_SCOPE },
    { "Tools", nullptr,                          MENU_TOOL,           false, PROGRAM_CONFIG },
    { "Tools", nullptr,                          MENU_TOOL,           true,  PROGRAM_FLASH },
    { "Tools", "Open application directory...",  MENU_OPEN_APPDIR,    false },
    { "?",     "User Guide",                     MENU_USER_GUIDE,     true },
    { "?",     "Programming Examples...",        MENU_EXAMPLES,       true },
    { "?",     "Check for Update...",            MENU_CHECK_UPDATE,   true },
    { "?",     "About...",                       MENU_ABOUT,          false },
};
// clang-format on

QString Text(const char* sz)
{
    return QString::fromLocal8Bit(sz);
}

QLabel* BoldValue(QWidget* pParent, const char* szName, int nMinWidth)
{
    QFont bold = pParent->font();
    bold.setPixelSize(14);
    bold.setBold(true);
    bold.setStyleStrategy(QFont::PreferAntialias);
    QLabel* value = new QLabel(Text("Unknown"), pParent);
    value->setObjectName(szName);
    value->setFont(bold);
    value->setMinimumWidth(nMinWidth);
    return value;
}

}  // namespace

DataloggerWindow::DataloggerWindow(QWidget* pParent) : ToolWindow(PROGRAM_DATALOGGER, pParent)
{
    auto* client = new QWidget(this);
    auto* rows = new QVBoxLayout(client);
    rows->setContentsMargins(10, 8, 10, 8);
    rows->setSpacing(6);

    PortRowSpec portRow;
    portRow.szLabel = "Serial Port";
    rows->addLayout(CreatePortRow(client, portRow));
    PortList()->setMinimumWidth(200);

    auto* storage = new QGroupBox(Text("STORAGE"), client);
    auto* storageRow = new QHBoxLayout(storage);
    storageRow->addWidget(new QLabel(Text("Mode"), storage));
    pModeValue = BoldValue(storage, "modeValue", 110);
    storageRow->addWidget(pModeValue);
    storageRow->addSpacing(10);
    storageRow->addWidget(new QLabel(Text("Measure"), storage));
    pMeasureValue = BoldValue(storage, "measureValue", 170);
    storageRow->addWidget(pMeasureValue, 1);
    pGauge = new QProgressBar(storage);
    pGauge->setObjectName("usageGauge");
    pGauge->setRange(0, 100);
    pGauge->setValue(0);
    pGauge->setTextVisible(false);
    pGauge->setFixedSize(70, 12);
    storageRow->addWidget(pGauge);
    rows->addWidget(storage);

    rows->addLayout(CreateStatusLine(client, szLoggerIdleHint));
    ProgressBar()->setFixedHeight(16);

    auto* buttonRow = new QHBoxLayout();
    auto button = [&](const char* szText, const char* szName, const char* szTip) {
        QPushButton* b = new QPushButton(Text(szText), client);
        b->setObjectName(szName);
        b->setToolTip(Text(szTip));
        b->setMinimumWidth(96);
        buttonRow->addWidget(b);
        return b;
    };
    pDownload = button("Download", "download", szTipDownload);
    pDownload->setDefault(true);
    pRefresh = button("Refresh", "refresh", szTipRefresh);
    pErase = button("Erase", "erase", szTipErase);
    pCancel = button("Cancel", "cancel", szTipCancel);
    rows->addLayout(buttonRow);
    setCentralWidget(client);

    CreateMenu(tDataloggerMenu);
    AddIdleOnly({pDownload, pRefresh, pErase});
    AddBusyOnly({pCancel});

    connect(pDownload, &QPushButton::clicked, this, [this] { StartTask(TASK_DOWNLOAD); });
    connect(pRefresh, &QPushButton::clicked, this, [this] { StartTask(TASK_REFRESH); });
    connect(pErase, &QPushButton::clicked, this, [this] { StartTask(TASK_ERASE); });
    connect(pCancel, &QPushButton::clicked, this, [this] { TaskWorker().CancelEvent().Set(); });

    // Dropped files are accepted by the window but not acted on.
    setAcceptDrops(true);
    FinishCreate();
}

DataloggerWindow::~DataloggerWindow()
{
    EndWork();
}

void DataloggerWindow::SetTaskTimeouts(unsigned uWakeup, unsigned uCommand, unsigned uEraseSettle)
{
    tJobTimes.uWakeupTimeout = uWakeup;
    tJobTimes.uCommandTimeout = uCommand;
    tJobTimes.uEraseSettle = uEraseSettle;
}

void DataloggerWindow::StartTask(int iNewTask)
{
    if (TaskWorker().Running())
        return;
    iTask = iNewTask;
    Log("Starting process thread (%d)...", iTask);
    LoggerJob job = tJobTimes;
    job.iTask = iTask;
    job.sPort = SelectedPort();
    job.sPortName = SelectedPortName();
    TaskWorker().Start([this, job] { ProcessThread(job, FrontEnd(), *this, TaskWorker().CancelEvent()); });
}

void DataloggerWindow::MainDlgPrg(unsigned uPosition, const char* szText)
{
    ShowProgress(uPosition > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(uPosition), szText);
}

void DataloggerWindow::SetMode(const char* szText)
{
    pModeValue->setText(Text(szText));
}

void DataloggerWindow::SetMeasure(const char* szText)
{
    pMeasureValue->setText(Text(szText));
}

void DataloggerWindow::SetGauge(int nPercent)
{
    // The gauge holds 0 to 100; a logger reported fuller than its capacity
    // shows full rather than leaving the old position.
    pGauge->setValue(nPercent < 0 ? 0 : nPercent > 100 ? 100 : nPercent);
}

void DataloggerWindow::ShowMode(const char* szText)
{
    RunOnWindowThread([&] { SetMode(szText); });
}

void DataloggerWindow::ShowMeasure(const char* szText)
{
    RunOnWindowThread([&] { SetMeasure(szText); });
}

void DataloggerWindow::ShowGauge(int nPercent)
{
    RunOnWindowThread([&] { SetGauge(nPercent); });
}

int DataloggerWindow::SaveFileDialog(char* szPath, size_t uSize)
{
    FileDialogRequest request;
    request.vFilters = {{"All (*.*)", "*.*"}, {"Comma Separated Values (*.csv)", "*.csv"}};
    request.nFilter = 1;
    request.sDefaultExt = "csv";
    std::string path;
    if (!UiSaveFile(request, &path))
        return 0;
    if (path.size() >= uSize)
        return Error("Could not open file '%s' for writing !", path.c_str());
    std::snprintf(szPath, uSize, "%s", path.c_str());
    return 1;
}

std::string DataloggerWindow::PartialPath(const char* szPath)
{
    return std::string(szPath) + DOWNLOAD_PARTIAL_SUFFIX;
}

FILE* DataloggerWindow::OpenDownloadFile(const char* szPath)
{
    return download.Open(PartialPath(szPath));
}

int DataloggerWindow::CloseDownloadFile(FILE* pFile, const char* szPath, int bComplete)
{
    const std::string partial = download.SidePath();
    if (!bComplete && std::ftell(pFile) == 0) {
        download.Discard();
        return 0;
    }
    // What arrived stays under the ".partial" name unless all of it did.
    if (!bComplete)
        return download.Abandon() ? 0 : Error("Could not write to file '%s' !", partial.c_str());
    switch (download.Commit(szPath)) {
    case FileBeside::FILE_BESIDE_DONE:
        return 1;
    case FileBeside::FILE_BESIDE_NOT_WRITTEN:
        return Error("Could not write to file '%s' !", partial.c_str());
    case FileBeside::FILE_BESIDE_NOT_RENAMED:
        break;
    }
    return Error("Could not write to file '%s' !\n%s", szPath, std::strerror(errno));
}

void DataloggerWindow::OnPortChanged()
{
    if (pModeValue == nullptr)
        return;   // the first fill, before the storage row exists
    SetMode("Unknown");
    SetMeasure("Unknown");
    SetGauge(0);
}

void DataloggerWindow::OnCloseRequested()
{
    TaskWorker().CancelEvent().Set();
}
