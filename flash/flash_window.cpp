#include "flash_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>
#include <system_error>
#include <thread>

#include "appframe.h"
#include "bootloader.h"
#include "log.h"

// The worker's way back into the window. It lives as long as the longest of
// the window and the last run's thread; pWindow is read and cleared on the
// window thread only, so a run that outlives the window draws nothing.
class WindowFrontEnd : public FlashFrontEnd {
public:
    explicit WindowFrontEnd(FlashWindow* pOwner) : pWindow(pOwner) {}

    void Progress(int nPosition, const char* szText) override
    {
        const std::string text = szText;
        RunOnWindowThread([this, nPosition, &text] {
            if (pWindow != nullptr)
                pWindow->MainDlgPrg(nPosition, text.c_str());
        });
    }
    void State(int bBusy) override
    {
        RunOnWindowThread([this, bBusy] {
            if (pWindow != nullptr)
                pWindow->MainDlgState(bBusy);
        });
    }
    void DisableCancel() override
    {
        RunOnWindowThread([this] {
            if (pWindow != nullptr)
                pWindow->CancelButton()->setEnabled(false);
        });
    }
    int AskYesNo(const char* szText) override { return UiQuestion(MESSAGE_ERROR, szText); }
    // An information box captioned with the program title, not logged as a
    // reporter text (the version text may exceed a reporter's buffer).
    void ShowInformation(const char* szText) override { GetMessageHandler()(MESSAGE_INFO, szText); }

    FlashWindow* pWindow;
    std::atomic<bool> bRunning{false};
    FlashRun run;
};

namespace {

// The menu resource: items in order, separators after the marked ones.
// "Select firmware file..." and "Quit" are wired by the window.
const MenuItem tFlashMenu[] = {
    {"File", "Select firmware file...", MENU_CUSTOM, true, nullptr},
    {"File", "Check for update at startup", MENU_CHECK_STARTUP, true, nullptr},
    {"File", "Quit", MENU_CUSTOM, false, nullptr},
    {"Tools", "Toolbox Menu...", MENU_TOOL, true, "VARN-Toolbox"},
    {"Tools", "Terminal...", MENU_TOOL, false, "VARN-Terminal"},
    {"Tools", "Datalogger...", MENU_TOOL, false, "VARN-Datalogger"},
    {"Tools", "Scope...", MENU_TOOL, false, "VARN-Scope"},
    {"Tools", "Configuration...", MENU_TOOL, true, "VARN-Config"},
    {"Tools", "Open application directory...", MENU_OPEN_APPDIR, false, nullptr},
    {"?", "User Guide", MENU_USER_GUIDE, true, nullptr},
    {"?", "Programming Examples...", MENU_EXAMPLES, true, nullptr},
    {"?", "Check for Update...", MENU_CHECK_UPDATE, true, nullptr},
    {"?", "About...", MENU_ABOUT, false, nullptr},
};

// Menu items greyed while a run is busy: everything that would take the
// port or change the file under the run.
const char* const tBusyMenuItems[] = {
    "Select firmware file...", "Scope...", "Toolbox Menu...", "Configuration...", "Terminal...", "Datalogger...",
};

// The first local file of a drag, or empty.
QString DroppedFile(const QMimeData* pData)
{
    if (pData == nullptr || !pData->hasUrls())
        return QString();
    for (const QUrl& url : pData->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return QString();
}

}  // namespace

FlashWindow::FlashWindow(QWidget* pParent) : QMainWindow(pParent), pFrontEnd(std::make_shared<WindowFrontEnd>(this))
{
    setObjectName("DlgMain");
    setWindowTitle(QString::fromLocal8Bit(szAppTitle));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveFDIcon));
    BuildControls();
    BuildMenu();

    FillPortList(pPorts);
    pFile->clear();
    pStatus->setText(QString::fromLatin1(szFlashIdleHint));
    pBar->setRange(0, 100);
    pBar->setValue(0);
    MainDlgState(0);
    setAcceptDrops(true);
    pFile->installEventFilter(this);
    installEventFilter(this);
    UiStartupCheckUpdate(tMenu["Check for update at startup"]);
}

FlashWindow::~FlashWindow()
{
    pFrontEnd->pWindow = nullptr;
}

void FlashWindow::BuildControls()
{
    QWidget* central = new QWidget(this);
    setCentralWidget(central);
    QVBoxLayout* page = new QVBoxLayout(central);
    QGridLayout* grid = new QGridLayout;
    page->addLayout(grid);

    grid->addWidget(new QLabel("Serial Port", central), 0, 0);
    pPorts = new QComboBox(central);
    pPorts->setObjectName("ListPort");
    pPorts->setToolTip("Serial port list found on this system...");
    pPorts->setMinimumContentsLength(18);
    pPorts->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    grid->addWidget(pPorts, 0, 1);
    pRefresh = new QToolButton(central);
    pRefresh->setObjectName("BtnRefresh");
    pRefresh->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    pRefresh->setToolTip("Refresh serial port list...");
    grid->addWidget(pRefresh, 0, 2);
    pDebug = new QCheckBox("Debug", central);
    pDebug->setObjectName("ChkDebug");
    pDebug->setToolTip("Enable/Disable debug and log into file...");
    grid->addWidget(pDebug, 0, 3);

    grid->addWidget(new QLabel("Firmware file", central), 1, 0);
    pFile = new QLineEdit(central);
    pFile->setObjectName("EditFile");
    pFile->setToolTip("Firmware file name (You can drag'n drop file here)...");
    grid->addWidget(pFile, 1, 1);
    pBrowse = new QToolButton(central);
    pBrowse->setObjectName("BtnBrowse");
    pBrowse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    pBrowse->setToolTip("Select firmare file...");
    grid->addWidget(pBrowse, 1, 2);
    grid->setColumnStretch(1, 1);

    pBar = new QProgressBar(central);
    pBar->setObjectName("Progress");
    pBar->setTextVisible(false);
    page->addWidget(pBar);
    pStatus = new QLabel(central);
    pStatus->setObjectName("TextStatus");
    pStatus->setAlignment(Qt::AlignCenter);
    pStatus->setWordWrap(true);
    pStatus->setMinimumHeight(2 * fontMetrics().lineSpacing() + 4);
    page->addWidget(pStatus);

    QHBoxLayout* buttons = new QHBoxLayout;
    page->addLayout(buttons);
    pFlash = new QPushButton("Flash Firmware", central);
    pFlash->setObjectName("BtnFlash");
    pFlash->setToolTip("Start to send firmware to sensor...");
    pFlash->setDefault(true);
    pFlash->setAutoDefault(true);
    pInfo = new QPushButton("Bootloader Info", central);
    pInfo->setObjectName("BtnInfo");
    pInfo->setToolTip("Load information from bootloader sensor...");
    pCancel = new QPushButton("Cancel", central);
    pCancel->setObjectName("BtnCancel");
    pCancel->setToolTip("Cancel current operation...");
    pMenu = new QPushButton("Menu >>", central);
    pMenu->setObjectName("BtnMenu");
    for (QPushButton* b : {pFlash, pInfo, pCancel, pMenu})
        buttons->addWidget(b);

    connect(pRefresh, &QToolButton::clicked, this, [this] { FillPortList(pPorts); });
    connect(pDebug, &QCheckBox::toggled, this, [](bool on) { bLogEnabled = on ? 1 : 0; });
    connect(pBrowse, &QToolButton::clicked, this, [this] { SelectFile(); });
    connect(pFlash, &QPushButton::clicked, this, [this] { StartRun(0); });
    connect(pInfo, &QPushButton::clicked, this, [this] { StartRun(1); });
    connect(pCancel, &QPushButton::clicked, this, [] { hCancelEvent.Set(); });
    connect(pMenu, &QPushButton::clicked, this, [] { UiStartTool("VARN-Toolbox"); });
}

void FlashWindow::BuildMenu()
{
    tMenu = BuildSuiteMenu(menuBar(), tFlashMenu);
    connect(tMenu["Select firmware file..."], &QAction::triggered, this, [this] { SelectFile(); });
    connect(tMenu["Quit"], &QAction::triggered, this, [this] {
        bQuitNow = true;
        UiQuitProgram();
    });
}

void FlashWindow::MainDlgState(int bBusy)
{
    const bool idle = bBusy == 0;
    for (const char* item : tBusyMenuItems)
        tMenu[item]->setEnabled(idle);
    for (QWidget* w : std::initializer_list<QWidget*>{pPorts, pRefresh, pDebug, pFile, pBrowse, pFlash, pInfo, pMenu})
        w->setEnabled(idle);
    pCancel->setEnabled(!idle);
}

void FlashWindow::MainDlgPrg(int nPosition, const char* szText)
{
    pStatus->setText(QString::fromLocal8Bit(szText));
    SetProgress(pBar, nPosition);
    // The worker waits for this call: show the step before it goes on.
    pStatus->repaint();
    pBar->repaint();
}

int FlashWindow::SelectFile()
{
    FileDialogRequest request;
    request.vFilters = {{"All (*.*)", "*.*"}, {"VARN Firmware (*.bin)", "*.BIN"}};
    request.nFilter = 1;
    request.sStartDir = std::string(szAppDir) + APP_SEPARATOR + "Firmwares";
    request.sStartFile = pFile->text().toLocal8Bit().toStdString();
    std::string path;
    if (!UiOpenFile(request, &path))
        return 0;
    pFile->setText(QString::fromLocal8Bit(path.c_str()));
    return 1;
}

int FlashWindow::StartRun(int bInfoOnly)
{
    // A second click before the worker has switched the window to busy
    // must not start a second run on the same port.
    if (RunActive())
        return 0;
    Log("%s V%s (%s%d)", CurrentProfile().szInternalName, CurrentProfile().szVersion, APP_PLATFORM, APP_BITS);
    const std::string file = pFile->text().toLocal8Bit().toStdString();
    if (!bInfoOnly && file.empty())
        return Error("Please enter firmware filename !");
    Log("%s", bInfoOnly ? "Starting process thread (INFO)..." : "Starting process thread (FLASH)...");

    FlashRun& run = pFrontEnd->run;
    run.sPort = pPorts->currentIndex() <= 0 ? std::string() : pPorts->currentText().toLocal8Bit().toStdString();
    run.sFile = file;
    run.bInfoOnly = bInfoOnly;
    run.pFrontEnd = pFrontEnd.get();
    pFrontEnd->bRunning = true;
    try {
        std::shared_ptr<WindowFrontEnd> frontEnd = pFrontEnd;
        std::thread([frontEnd] {
            ProcessThread(&frontEnd->run);
            frontEnd->bRunning = false;
        }).detach();
    } catch (const std::system_error&) {
        pFrontEnd->bRunning = false;
        return Error("Could not create process thread !");
    }
    return 1;
}

bool FlashWindow::RunActive() const
{
    return pFrontEnd->bRunning;
}

bool FlashWindow::WaitRunEnded(unsigned uMs)
{
    std::shared_ptr<WindowFrontEnd> frontEnd = pFrontEnd;
    return UiWaitFor([frontEnd] { return !frontEnd->bRunning; }, uMs);
}

void FlashWindow::closeEvent(QCloseEvent* pEvent)
{
    // A run still waiting for the bootloader ends at the signal; an upload
    // cannot be stopped and is given one second, then left to itself.
    if (!bQuitNow && RunActive()) {
        hCancelEvent.Set();
        WaitRunEnded(1000);
    }
    pFrontEnd->pWindow = nullptr;
    pEvent->accept();
}

bool FlashWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // Files dropped on the file field or anywhere on the window replace the
    // field's text; not while a run is busy with the current one.
    if ((pWatched == pFile || pWatched == this) && pFile->isEnabled()) {
        switch (pEvent->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            QDropEvent* drag = static_cast<QDropEvent*>(pEvent);
            if (!DroppedFile(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            QDropEvent* drop = static_cast<QDropEvent*>(pEvent);
            const QString path = DroppedFile(drop->mimeData());
            if (!path.isEmpty()) {
                pFile->setText(path);
                drop->acceptProposedAction();
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

QWidget* CreateFlashWindow()
{
    return new FlashWindow;
}
