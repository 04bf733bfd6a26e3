#include "datalogger_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>

#include "appframe.h"
#include "log.h"

namespace {

std::atomic<int> nRunningWorkers{0};

// How long closing the window waits for a running task.
constexpr unsigned CLOSE_WAIT_MS = 1000;

constexpr const char szTipPorts[] = "Serial port list found on this system...";
constexpr const char szTipRefreshPorts[] = "Refresh serial port list...";
constexpr const char szTipDebug[] = "Enable/Disable debug and log into file...";
constexpr const char szTipDownload[] = "Start to download data from sensor...";
constexpr const char szTipRefresh[] = "Refresh storage info...";
constexpr const char szTipErase[] = "Erase all data...";
constexpr const char szTipCancel[] = "Cancel current operation...";

// clang-format off
const MenuItem tDataloggerMenu[] = {
    // menu    item                              action               separator after  tool
    { "File",  "Check for update at startup",    MENU_CHECK_STARTUP,  true,  nullptr },
    { "File",  "Quit",                           MENU_CUSTOM,         false, nullptr },
    { "Tools", "Toolbox Menu...",                MENU_TOOL,           true,  "VARN-Toolbox" },
    { "Tools", "Terminal...",                    MENU_TOOL,           false, "VARN-Terminal" },
    { "Tools", "Scope...",                       MENU_TOOL,           false, "VARN-Scope" },
    { "Tools", "Configuration...",               MENU_TOOL,           false, "VARN-Config" },
    { "Tools", "Flash...",                       MENU_TOOL,           true,  "VARN-Flash" },
    { "Tools", "Open application directory...",  MENU_OPEN_APPDIR,    false, nullptr },
    { "?",     "User Guide",                     MENU_USER_GUIDE,     true,  nullptr },
    { "?",     "Programming Examples...",        MENU_EXAMPLES,       true,  nullptr },
    { "?",     "Check for Update...",            MENU_CHECK_UPDATE,   true,  nullptr },
    { "?",     "About...",                       MENU_ABOUT,          false, nullptr },
};
// clang-format on

// Menu items that start another tool: greyed while a task holds the port.
const char* const tToolItems[] = {"Scope...", "Toolbox Menu...", "Configuration...", "Terminal...", "Flash..."};

QString Text(const char* sz)
{
    return QString::fromLocal8Bit(sz);
}

}  // namespace

// The tasks' view of the window, used on the worker thread. Each call is
// handed to the window thread and waited for, through a mutex and condition
// of ours rather than a blocking queued call, so that thread checkers see
// the hand-over both ways. Once the window is gone, calls return at once.
class DataloggerWindow::Link : public LoggerDlg {
public:
    explicit Link(DataloggerWindow* p) : pWindow(p) {}

    void Call(const std::function<void()>& fn)
    {
        std::unique_lock<std::mutex> lock(mLock);
        if (pWindow == nullptr)
            return;
        pPending = &fn;
        bDone = false;
        QMetaObject::invokeMethod(pWindow, "RunWorkerCall", Qt::QueuedConnection);
        cvDone.wait(lock, [this] { return bDone; });
    }

    // On the window thread: runs the waiting call, if any.
    void RunPending()
    {
        std::unique_lock<std::mutex> lock(mLock);
        const std::function<void()>* fn = pPending;
        pPending = nullptr;
        if (fn == nullptr)
            return;
        lock.unlock();
        (*fn)();
        lock.lock();
        bDone = true;
        cvDone.notify_all();
    }

    // On the window thread, when the window goes: releases a waiting call
    // unrun and refuses the next ones.
    void Detach()
    {
        std::lock_guard<std::mutex> lock(mLock);
        pWindow = nullptr;
        pPending = nullptr;
        bDone = true;
        cvDone.notify_all();
    }

    void ShowProgress(unsigned uPosition, const char* szText) override
    {
        Call([&] { pWindow->MainDlgPrg(uPosition, szText); });
    }
    void ShowState(int bBusy) override
    {
        Call([&] { pWindow->MainDlgState(bBusy); });
    }
    void ShowMode(const char* szText) override
    {
        Call([&] { pWindow->SetMode(szText); });
    }
    void ShowMeasure(const char* szText) override
    {
        Call([&] { pWindow->SetMeasure(szText); });
    }
    void ShowGauge(int nPercent) override
    {
        Call([&] { pWindow->SetGauge(nPercent); });
    }

    int SaveFileDialog(char* szPath, size_t uSize) override
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

    int Question(const char* szText) override { return UiQuestion(MESSAGE_INFO, szText); }

private:
    std::mutex mLock;
    std::condition_variable cvDone;
    DataloggerWindow* pWindow;                       // null once the window is gone
    const std::function<void()>* pPending = nullptr; // the call waiting for the window thread
    bool bDone = true;
};

DataloggerWindow::DataloggerWindow(QWidget* pParent)
    : QMainWindow(pParent),
      hCancelEvent(std::make_shared<AutoResetEvent>()),
      bWorkerRunning(std::make_shared<std::atomic<bool>>(false)),
      pLink(std::make_shared<Link>(this))
{
    setWindowTitle(Text(szAppTitle));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveHDIcon));
    CreateControls();
    CreateMenus();
    MainDlgState(0);
    // Dropped files are accepted by the window but not acted on.
    setAcceptDrops(true);
    UiStartupCheckUpdate(tMenu["Check for update at startup"]);
}

DataloggerWindow::~DataloggerWindow()
{
    pLink->Detach();
    if (hThread.joinable()) {
        if (bWorkerRunning->load())
            hThread.detach();
        else
            hThread.join();
    }
}

int DataloggerWindow::RunningWorkers()
{
    return nRunningWorkers.load();
}

void DataloggerWindow::CreateControls()
{
    auto* client = new QWidget(this);
    auto* rows = new QVBoxLayout(client);
    rows->setContentsMargins(10, 8, 10, 8);
    rows->setSpacing(6);

    auto* portRow = new QHBoxLayout();
    portRow->addWidget(new QLabel(Text("Serial Port"), client));
    pPortList = new QComboBox(client);
    pPortList->setObjectName("portList");
    pPortList->setToolTip(Text(szTipPorts));
    pPortList->setMinimumWidth(200);
    portRow->addWidget(pPortList, 1);
    pRefreshPorts = new QToolButton(client);
    pRefreshPorts->setObjectName("refreshPorts");
    pRefreshPorts->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    pRefreshPorts->setIconSize(QSize(16, 16));
    pRefreshPorts->setToolTip(Text(szTipRefreshPorts));
    portRow->addWidget(pRefreshPorts);
    pDebug = new QCheckBox(Text("Debug"), client);
    pDebug->setObjectName("debug");
    pDebug->setToolTip(Text(szTipDebug));
    portRow->addSpacing(8);
    portRow->addWidget(pDebug);
    pMenuButton = new QPushButton(Text("Menu >>"), client);
    pMenuButton->setObjectName("menuButton");
    portRow->addWidget(pMenuButton);
    rows->addLayout(portRow);

    auto* storage = new QGroupBox(Text("STORAGE"), client);
    auto* storageRow = new QHBoxLayout(storage);
    QFont bold = font();
    bold.setPixelSize(14);
    bold.setBold(true);
    bold.setStyleStrategy(QFont::PreferAntialias);
    storageRow->addWidget(new QLabel(Text("Mode"), storage));
    pModeValue = new QLabel(Text("Unknown"), storage);
    pModeValue->setObjectName("modeValue");
    pModeValue->setFont(bold);
    pModeValue->setMinimumWidth(110);
    storageRow->addWidget(pModeValue);
    storageRow->addSpacing(10);
    storageRow->addWidget(new QLabel(Text("Measure"), storage));
    pMeasureValue = new QLabel(Text("Unknown"), storage);
    pMeasureValue->setObjectName("measureValue");
    pMeasureValue->setFont(bold);
    pMeasureValue->setMinimumWidth(170);
    storageRow->addWidget(pMeasureValue, 1);
    pGauge = new QProgressBar(storage);
    pGauge->setObjectName("usageGauge");
    pGauge->setRange(0, 100);
    pGauge->setValue(0);
    pGauge->setTextVisible(false);
    pGauge->setFixedSize(70, 12);
    storageRow->addWidget(pGauge);
    rows->addWidget(storage);

    pProgress = new QProgressBar(client);
    pProgress->setObjectName("progress");
    pProgress->setRange(0, 100);
    pProgress->setValue(0);
    pProgress->setTextVisible(false);
    pProgress->setFixedHeight(16);
    rows->addWidget(pProgress);

    pStatus = new QLabel(Text(szLoggerIdleHint), client);
    pStatus->setObjectName("status");
    pStatus->setAlignment(Qt::AlignCenter);
    rows->addWidget(pStatus);

    auto* buttonRow = new QHBoxLayout();
    pDownload = new QPushButton(Text("Download"), client);
    pDownload->setObjectName("download");
    pDownload->setDefault(true);
    pDownload->setToolTip(Text(szTipDownload));
    pRefresh = new QPushButton(Text("Refresh"), client);
    pRefresh->setObjectName("refresh");
    pRefresh->setToolTip(Text(szTipRefresh));
    pErase = new QPushButton(Text("Erase"), client);
    pErase->setObjectName("erase");
    pErase->setToolTip(Text(szTipErase));
    pCancel = new QPushButton(Text("Cancel"), client);
    pCancel->setObjectName("cancel");
    pCancel->setToolTip(Text(szTipCancel));
    for (QPushButton* button : {pDownload, pRefresh, pErase, pCancel}) {
        button->setMinimumWidth(96);
        buttonRow->addWidget(button);
    }
    rows->addLayout(buttonRow);
    setCentralWidget(client);

    FillPortList(pPortList);

    connect(pRefreshPorts, &QToolButton::clicked, this, [this] { RefreshPorts(); });
    connect(pDebug, &QCheckBox::toggled, this, [](bool ticked) { bLogEnabled = ticked ? 1 : 0; });
    connect(pMenuButton, &QPushButton::clicked, this, [] { UiStartTool("VARN-Toolbox"); });
    connect(pDownload, &QPushButton::clicked, this, [this] { StartTask(TASK_DOWNLOAD); });
    connect(pRefresh, &QPushButton::clicked, this, [this] { StartTask(TASK_REFRESH); });
    connect(pErase, &QPushButton::clicked, this, [this] { StartTask(TASK_ERASE); });
    connect(pCancel, &QPushButton::clicked, this, [this] { hCancelEvent->Set(); });
}

void DataloggerWindow::CreateMenus()
{
    tMenu = BuildSuiteMenu(menuBar(), tDataloggerMenu);
    // "Quit" closes at once, without the cancel and wait of the close box.
    connect(tMenu["Quit"], &QAction::triggered, this, [this] {
        bQuitting = true;
        UiQuitProgram();
    });
}

QAction* DataloggerWindow::MenuItemAction(const char* szText) const
{
    auto it = tMenu.find(szText);
    return it == tMenu.end() ? nullptr : it->second;
}

void DataloggerWindow::RunWorkerCall()
{
    pLink->RunPending();
}

void DataloggerWindow::RefreshPorts()
{
    FillPortList(pPortList);
}

void DataloggerWindow::SetTaskTimeouts(unsigned uWakeup, unsigned uCommand, unsigned uEraseSettle)
{
    tJobTimes.uWakeupTimeout = uWakeup;
    tJobTimes.uCommandTimeout = uCommand;
    tJobTimes.uEraseSettle = uEraseSettle;
}

void DataloggerWindow::StartTask(int iNewTask)
{
    // The buttons come back only after the last worker's final window call,
    // so joining it here returns at once.
    if (hThread.joinable())
        hThread.join();
    iTask = iNewTask;
    Log("Starting process thread (%d)...", iTask);
    LoggerJob job = tJobTimes;
    job.iTask = iTask;
    if (pPortList->currentIndex() > 0)
        job.sPort = pPortList->currentText().toLocal8Bit().toStdString();
    std::shared_ptr<Link> link = pLink;
    std::shared_ptr<AutoResetEvent> cancel = hCancelEvent;
    std::shared_ptr<std::atomic<bool>> running = bWorkerRunning;
    running->store(true);
    nRunningWorkers++;
    try {
        hThread = std::thread([link, cancel, running, job] {
            ProcessThread(job, *link, *cancel);
            running->store(false);
            nRunningWorkers--;
        });
    } catch (const std::system_error&) {
        running->store(false);
        nRunningWorkers--;
        Error("Could not create process thread !");
    }
}

void DataloggerWindow::MainDlgPrg(unsigned uPosition, const char* szText)
{
    pStatus->setText(Text(szText));
    SetProgress(pProgress, uPosition > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(uPosition));
    repaint();
}

void DataloggerWindow::MainDlgState(int bBusy)
{
    const bool idle = bBusy == 0;
    for (const char* item : tToolItems)
        if (QAction* action = MenuItemAction(item))
            action->setEnabled(idle);
    for (QWidget* w : std::initializer_list<QWidget*>{pPortList, pRefreshPorts, pDebug, pDownload, pRefresh,
                                                      pErase, pMenuButton})
        w->setEnabled(idle);
    pCancel->setEnabled(!idle);
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

void DataloggerWindow::closeEvent(QCloseEvent* pEvent)
{
    if (!bQuitting) {
        hCancelEvent->Set();
        std::shared_ptr<std::atomic<bool>> running = bWorkerRunning;
        UiWaitFor([running] { return !running->load(); }, CLOSE_WAIT_MS);
    }
    pEvent->accept();
}
