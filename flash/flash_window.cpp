#include "flash_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "appframe.h"
#include "filedialog.h"
#include "log.h"
#include "msgbox.h"
#include "suitemenu.h"
#include "windowthread.h"
#include "winutil.h"

namespace {

// The menu resource: items in order, separators after the marked ones.
// "Select firmware file..." is wired by the window.
const MenuItem tFlashMenu[] = {
    {"File", "Select firmware file...", MENU_CUSTOM, true},
    {"File", "Check for update at startup", MENU_CHECK_STARTUP, true},
    {"File", "Quit", MENU_QUIT, false},
    {"Tools", nullptr, MENU_TOOL, true, PROGRAM_TOOLBOX},
    {"Tools", nullptr, MENU_TOOL, false, PROGRAM_TERMINAL},
    {"Tools", nullptr, MENU_TOOL, false, PROGRAM_DATALOGGER},
    {"Tools", nullptr, MENU_TOOL, false, PROGRAM_SCOPE},
    {"Tools", nullptr, MENU_TOOL, true, PROGRAM_CONFIG},
    {"Tools", "Open application directory...", MENU_OPEN_APPDIR, false},
    {"?", "User Guide", MENU_USER_GUIDE, true},
    {"?", "Programming Examples...", MENU_EXAMPLES, true},
    {"?", "Check for Update...", MENU_CHECK_UPDATE, true},
    {"?", "About...", MENU_ABOUT, false},
};

}  // namespace

FlashWindow::FlashWindow(QWidget* pParent) : ToolWindow(PROGRAM_FLASH, pParent)
{
    setObjectName("DlgMain");
    QWidget* central = new QWidget(this);
    setCentralWidget(central);
    QVBoxLayout* page = new QVBoxLayout(central);

    QGridLayout* grid = new QGridLayout;
    page->addLayout(grid);
    PortRowSpec row;
    row.szLabel = "Serial Port";
    delete CreatePortRow(central, row);   // placed in the grid instead
    grid->addWidget(PortLabel(), 0, 0);
    grid->addWidget(PortList(), 0, 1);
    grid->addWidget(RefreshButton(), 0, 2);
    grid->addWidget(DebugBox(), 0, 3);

    grid->addWidget(new QLabel("Firmware file", central), 1, 0);
    pFile = new QLineEdit(central);
    pFile->setObjectName("EditFile");
    pFile->setToolTip("Firmware file name (You can drag'n drop file here)...");
    grid->addWidget(pFile, 1, 1);
    pBrowse = new QToolButton(central);
    pBrowse->setObjectName("BtnBrowse");
    pBrowse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    pBrowse->setIconSize(QSize(16, 16));
    pBrowse->setToolTip("Select firmare file...");
    grid->addWidget(pBrowse, 1, 2);
    pVersion = new QLabel(central);
    pVersion->setObjectName("ImageVersion");
    grid->addWidget(pVersion, 1, 3);
    grid->setColumnStretch(1, 1);

    page->addLayout(CreateStatusLine(central, szFlashIdleHint));

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
    for (QPushButton* b : {pFlash, pInfo, pCancel, MenuButton()})
        buttons->addWidget(b);

    CreateMenu(tFlashMenu);
    AddIdleOnly({pFile, pBrowse, pFlash, pInfo});
    AddBusyOnly({pCancel});
    AddIdleOnlyItem("Select firmware file...");

    connect(pBrowse, &QToolButton::clicked, this, [this] { SelectFile(); });
    connect(pFlash, &QPushButton::clicked, this, [this] { StartRun(0); });
    connect(pInfo, &QPushButton::clicked, this, [this] { StartRun(1); });
    connect(pCancel, &QPushButton::clicked, this, [this] { TaskWorker().CancelEvent().Set(); });
    connect(MenuItem("Select firmware file..."), &QAction::triggered, this, [this] { SelectFile(); });
    connect(pFile, &QLineEdit::textChanged, this, [this] { ShowImageVersion(); });

    setAcceptDrops(true);
    pFile->installEventFilter(this);
    installEventFilter(this);
    FinishCreate();
}

FlashWindow::~FlashWindow()
{
    EndWork();
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
    // Before the user powers the sensor up for it: a sensor caught for an
    // image that cannot be sent would stay in its bootloader.
    if (!bInfoOnly && !FlashCheckImage(file.c_str(), nullptr))
        return 0;
    Log("%s", bInfoOnly ? "Starting process thread (INFO)..." : "Starting process thread (FLASH)...");

    tRun.sPort = SelectedPort();
    tRun.sFile = file;
    tRun.bInfoOnly = bInfoOnly;
    tRun.pFrontEnd = &FrontEnd();
    tRun.pCancel = &TaskWorker().CancelEvent();
    // Only a close the user agreed to signals the cancel once the
    // bootloader answered (Cancel is off then).
    tRun.bCancelUpload = 1;
    return TaskWorker().Start([this] { ProcessThread(tRun); });
}

void FlashWindow::ShowImageVersion()
{
    // The stamp the compatibility check reads. Nothing for a name that
    // names no image (yet): the field may be half typed.
    const std::string file = pFile->text().toLocal8Bit().toStdString();
    FlashImageInfo info;
    FILE* image = file.empty() ? nullptr : FlashOpenImage(file.c_str(), &info);
    if (image == nullptr) {
        pVersion->clear();
        return;
    }
    uint32_t major = 0;
    uint32_t minor = 0;
    const int stamped = GetFwVersionFromFile(image, &major, &minor);
    std::fclose(image);
    pVersion->setText(stamped ? QString("version %1.%2").arg(major).arg(minor) : QString("no version stamp"));
}

bool FlashWindow::ConfirmClose()
{
    if (!RunActive() || BusyState() != TASK_BUSY_LOCKED || tRun.bInfoOnly)
        return true;
    if (UiQuestion(MESSAGE_WARNING, szCloseDuringUpload) != 1)
        return false;
    // Both ways out ("Quit" too) stop the upload after the block in flight
    // before the window goes. The window is closing: what the run reports
    // now goes to the log only.
    UiGateShut();
    TaskWorker().CancelEvent().Set();
    if (!TaskWorker().Wait(WORKER_STOP_WAIT_MS))
        Log("The upload did not stop within %u ms of closing", WORKER_STOP_WAIT_MS);
    return true;
}

void FlashWindow::OnCloseRequested()
{
    // A run still waiting for the bootloader ends at the signal; an upload
    // (the user agreed) stops after the block in flight, within the kit's
    // wait, else the exit rule ends it.
    TaskWorker().CancelEvent().Set();
}

bool FlashWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // Files dropped on the file field or anywhere on the window replace the
    // field's text; not while a run is busy with the current one.
    if ((pWatched == pFile || pWatched == this) && pFile->isEnabled()) {
        if (UiTakeDroppedFile(pEvent, pFile))
            return true;
    }
    return ToolWindow::eventFilter(pWatched, pEvent);
}

QWidget* CreateFlashWindow()
{
    return new FlashWindow;
}
