#include "config_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <climits>

#include "adapt.h"
#include "codecs.h"
#include "config_file_window.h"
#include "config_task.h"
#include "log.h"
#include "page_widget.h"
#include "password_dialog.h"
#include "progress.h"
#include "sensor_kind.h"
#include "serial.h"
#include "suitemenu.h"
#include "windowthread.h"
#include "winutil.h"

namespace {

// clang-format off
const MenuItem tConfigMenu[] = {
    // menu    item                              action               separator after  tool
    { "File",  "Import configuration...",        MENU_CUSTOM,         false },
    { "File",  "Export configuration...",        MENU_CUSTOM,         true },
    { "File",  "Check for update at startup",    MENU_CHECK_STARTUP,  true },
    { "File",  "Quit",                           MENU_QUIT,           false },
    { "Tools", nullptr,                          MENU_TOOL,           true,  PROGRAM_TOOLBOX },
    { "Tools", nullptr,                          MENU_TOOL,           false, PROGRAM_TERMINAL },
    { "Tools", nullptr,                          MENU_TOOL,           false, PROGRAM_SCOPE },
    { "Tools", nullptr,                          MENU_TOOL,           false, PROGRAM_DATALOGGER },
    { "Tools", nullptr,                          MENU_TOOL,           true,  PROGRAM_FLASH },
    { "Tools", "Open application directory...",  MENU_OPEN_APPDIR,    false },
    { "?",     "User Guide...",                  MENU_USER_GUIDE,     true },
    { "?",     "Check for Update...",            MENU_CHECK_UPDATE,   true },
    { "?",     "About...",                       MENU_ABOUT,          false },
};
// clang-format on

constexpr char szImportItem[] = "Import configuration...";
constexpr char szExportItem[] = "Export configuration...";

// The identity fields, in their rows, each with the widest text it is
// expected to show (the fields are sized for it).
struct IdentityField {
    CtlId nId;
    const char* szWidest;
};
constexpr IdentityField tHeaderFields[] = {
    {CTL_MAIN_SENSOR, "GRESTOLV"},     {CTL_MAIN_VERSION, "10.00"},  {CTL_MAIN_SN, "KO-2103-0042"},
    {CTL_MAIN_HARDWARE, "10.00"},      {CTL_MAIN_FIRMWARE, "10.00"},
};
constexpr IdentityField tFooterFields[] = {
    {CTL_MAIN_MANUFACTURING, "2021-03-15"},
    {CTL_MAIN_VISA, "0036003F3137510A33353438"},
};
constexpr IdentityField tConsoField = {CTL_MAIN_CONSO, "99.9 mA"};

constexpr int kValuePixels = 14;     // the value fields' bold font
constexpr int kMinTabWidth = 50;

struct ToolTip {
    const char* szControl;
    const char* szText;
};
const ToolTip tToolTips[] = {
    {ConfigName::Tabs, "Select configuration page..."},
    {ConfigName::Apply, "Send this configuration to sensor..."},
    {ConfigName::Reload, "Reload configuration from sensor..."},
    {ConfigName::Reset, "Reset sensor to default configuration..."},
};
constexpr char szTipCopy[] = "Copy this configuration summary to clipboard...";
constexpr char szTipUnlock[] = "Unlock factory parameter to be able to change them...";

QString Text(const char* sz)
{
    return QString::fromUtf8(sz);
}

// Tabs at least 50 pixels wide, as short names ("SDI12") would otherwise
// make narrow targets.
class ConfigTabBar : public QTabBar {
public:
    explicit ConfigTabBar(QWidget* pParent) : QTabBar(pParent) {}

protected:
    QSize tabSizeHint(int nIndex) const override
    {
        QSize s = QTabBar::tabSizeHint(nIndex);
        s.setWidth(std::max(s.width(), kMinTabWidth));
        return s;
    }
};

class ConfigTabs : public QTabWidget {
public:
    explicit ConfigTabs(QWidget* pParent) : QTabWidget(pParent)
    {
        setTabBar(new ConfigTabBar(this));
        setIconSize(QSize(16, 16));
        setUsesScrollButtons(false);
    }
};

using PageFactory = PageWidget* (*)(QWidget*);
constexpr PageFactory tPageFactories[PAGE_COUNT] = {
    CreateHomePage,       CreateSummaryPage,   CreateOutputsPage, CreateSdi12Page,   CreateSerialPage,
    CreateDataloggerPage, CreateAveragingPage, CreateExpertPage,  CreateFactoryPage,
};

}  // namespace

ConfigWindow::ConfigWindow(QWidget* pParent)
    : ToolWindow(PROGRAM_CONFIG, pParent), tProgress(this, [this](bool on) { SetInputEnabled(on); })
{
    setObjectName("DlgMain");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* rows = new QVBoxLayout(client);
    rows->setContentsMargins(10, 8, 10, 8);
    rows->setSpacing(6);

    PortRowSpec portRow;
    portRow.bConnectButtons = true;
    portRow.bDebugIdleOnly = false;
    rows->addLayout(CreatePortRow(client, portRow));
    PortList()->setMinimumWidth(fontMetrics().averageCharWidth() * 26);

    auto* header = new QHBoxLayout;
    rows->addLayout(header);
    for (const IdentityField& f : tHeaderFields) {
        CreateIdentityField(f.nId);
        const PageControl& c = tIdentity[f.nId];
        c.pWidget->setMinimumWidth(QFontMetrics(c.pWidget->font()).horizontalAdvance(Text(f.szWidest)) + 16);
        header->addWidget(c.pCaption);
        header->addWidget(c.pWidget, 1);
        header->addSpacing(6);
    }

    pTabs = new ConfigTabs(client);
    pTabs->setObjectName(ConfigName::Tabs);
    for (int i = 0; i < PAGE_COUNT; i++) {
        tPages[i] = tPageFactories[i](pTabs);
        pTabs->addTab(tPages[i], ConfigTabIcon(i), Text(tDlgMainTabInfo[i].szName));
    }
    rows->addWidget(pTabs, 1);

    auto* footer = new QHBoxLayout;
    rows->addLayout(footer);
    for (const IdentityField& f : tFooterFields) {
        CreateIdentityField(f.nId);
        const PageControl& c = tIdentity[f.nId];
        c.pWidget->setMinimumWidth(QFontMetrics(c.pWidget->font()).horizontalAdvance(Text(f.szWidest)) + 16);
        footer->addWidget(c.pCaption);
        footer->addWidget(c.pWidget, f.nId == CTL_MAIN_VISA ? 2 : 1);
        footer->addSpacing(6);
    }
    footer->addStretch(1);
    CreateIdentityField(tConsoField.nId);
    const PageControl& conso = tIdentity[tConsoField.nId];
    conso.pWidget->setMinimumWidth(QFontMetrics(conso.pWidget->font()).horizontalAdvance(Text(tConsoField.szWidest)) +
                                   16);
    static_cast<QLineEdit*>(conso.pWidget)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    footer->addWidget(conso.pCaption);
    footer->addWidget(conso.pWidget);

    auto* buttons = new QHBoxLayout;
    rows->addLayout(buttons);
    buttons->addStretch(1);
    auto button = [&](const char* szText, const char* szName) {
        auto* b = new QPushButton(Text(szText), client);
        b->setObjectName(szName);
        b->setMinimumWidth(fontMetrics().averageCharWidth() * 12);
        buttons->addWidget(b);
        return b;
    };
    pApply = button("Apply", ConfigName::Apply);
    pReload = button("Reload", ConfigName::Reload);
    pReset = button("Reset", ConfigName::Reset);

    CreateMenu(tConfigMenu);
    AddBusyOnly({pApply, pReload, pReset});

    // The core works on these pages, runs its operations on this window's
    // worker and reports to this window from now on.
    ConfigAttachOperations(&tOperations);
    ConfigAttachPages(&tPagesSeam);
    ConfigAttachFrontEnd(&tProgress);
    SetPasswordDialog(ConfigPasswordDialog);
    ConfigPagesCreate();
    FitEveryKind();

    for (const ToolTip& t : tToolTips)
        SetToolTip(this, t.szControl, t.szText);
    SetToolTip(this, PageControlName(CTL_SUMMARY_COPY).c_str(), szTipCopy);
    SetToolTip(this, PageControlName(CTL_FACTORY_UNLOCK).c_str(), szTipUnlock);

    WireCommands();
    DlgMainSetConnected(false);
    FinishCreate();
    FitToScreen();
}

ConfigWindow::~ConfigWindow()
{
    // A running operation's calls return at once from here on, so its stop
    // and its own serial time-outs end it.
    EndWork();
    if (bConnected) {
        bAdmin = 0;
        SerialClose();
    }
    ConfigAttachOperations(nullptr);
    if (&Pages() == &tPagesSeam)
        ConfigAttachPages(nullptr);
    if (&ConfigFrontEnd() == &tProgress)
        ConfigAttachFrontEnd(nullptr);
    SetPasswordDialog(nullptr);
}

void ConfigWindow::CreateIdentityField(CtlId nId)
{
    PageControl c = MakePageControl(nId, centralWidget());
    auto* field = static_cast<QLineEdit*>(c.pWidget);
    field->setReadOnly(true);
    QFont bold = field->font();
    bold.setPixelSize(kValuePixels);
    bold.setWeight(QFont::Bold);
    bold.setStyleStrategy(QFont::PreferAntialias);
    field->setFont(bold);
    // The rows keep their height while the fields are hidden.
    for (QWidget* w : {c.pWidget, static_cast<QWidget*>(c.pCaption)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    tIdentity[nId] = c;
}

void ConfigWindow::FitEveryKind()
{
    // The captions of every kind, applied in turn by the core's own
    // adaptation, give the room each page needs; every page gets the
    // largest, so that no kind's page is cut and the window does not change
    // size when a sensor of another kind is connected.
    QSize need(0, 0);
    for (const SensorKindInfo& kind : tSensorKinds) {
        ConfigRestoreCreation();
        ConfigAdaptPages(kind.nType, INT_MAX);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (PageWidget* page : tPages) {
            for (QLayout* l : page->findChildren<QLayout*>())
                l->invalidate();
            page->layout()->invalidate();
            need = need.expandedTo(page->minimumSizeHint());
        }
    }
    ConfigRestoreCreation();
    for (PageWidget* page : tPages)
        page->setMinimumSize(need);
    // The strip of nine tabs is as wide as the window must be: it is kept
    // while only "Home" is shown.
    pTabs->setMinimumSize(pTabs->minimumSizeHint());
}

void ConfigWindow::WireCommands()
{
    connect(ConnectButton(), &QPushButton::clicked, this, [this] { OnConnect(); });
    connect(DisconnectButton(), &QPushButton::clicked, this, [this] { OnDisconnect(); });
    connect(pApply, &QPushButton::clicked, this, [this] { OnApply(); });
    connect(pReload, &QPushButton::clicked, this, [this] { OnReload(); });
    connect(pReset, &QPushButton::clicked, this, [this] { OnReset(); });
    connect(static_cast<QPushButton*>(Control(CTL_SUMMARY_COPY)->pWidget), &QPushButton::clicked, this,
            [this] { OnCopySummary(); });
    connect(static_cast<QPushButton*>(Control(CTL_FACTORY_UNLOCK)->pWidget), &QPushButton::clicked, this,
            [this] { OnUnlock(); });
    connect(MenuItem(szImportItem), &QAction::triggered, this, [this] { DlgMainImport(); });
    connect(MenuItem(szExportItem), &QAction::triggered, this, [this] { DlgMainExport(); });
}

const PageControl* ConfigWindow::Control(CtlId nId) const
{
    if (nId < 0 || nId >= CTL_COUNT)
        return nullptr;
    const int page = tConfigControls[nId].nPage;
    if (page == PAGE_MAIN) {
        auto it = tIdentity.find(nId);
        return it != tIdentity.end() ? &it->second : nullptr;
    }
    return tPages[page] != nullptr ? tPages[page]->Find(nId) : nullptr;
}

int ConfigWindow::DlgMainSelectedTab() const
{
    const int index = pTabs->currentIndex();
    return index < 0 ? PAGE_HOME : index;
}

void ConfigWindow::DlgMainTabSelect(int nIndex)
{
    if (nIndex >= 0 && nIndex < pTabs->count())
        pTabs->setCurrentIndex(nIndex);
}

void ConfigWindow::DlgMainTabStatus(int bNowConnected)
{
    const int count = bNowConnected ? PAGE_COUNT : 1;
    if (pTabs->count() == count)
        return;
    pTabs->clear();
    for (int i = 0; i < count; i++)
        pTabs->addTab(tPages[i], ConfigTabIcon(i), Text(tDlgMainTabInfo[i].szName));
    pTabs->setCurrentIndex(PAGE_HOME);
}

void ConfigWindow::DlgMainSetConnected(bool bNow)
{
    bConnected = bNow;
    // Connected is the kit's busy side: port row, "Connect", "Menu >>" and
    // the tools off, "Disconnect", "Apply", "Reload", "Reset" on.
    SetBusy(bNow ? TASK_BUSY : TASK_IDLE);
    MenuItem(szImportItem)->setEnabled(bNow);
    MenuItem(szExportItem)->setEnabled(bNow);
    DlgMainTabStatus(bNow ? 1 : 0);
    for (const auto& [id, c] : tIdentity)
        SetControlVisible(c, bNow);
}

int ConfigWindow::OnConnect()
{
    if (tOperations.Busy())
        return 0;
    const std::string port = SelectedPort();
    return DlgMainConnect(port.c_str());
}

void ConfigWindow::OnDisconnect()
{
    if (!tOperations.Busy())
        DlgMainDisconnect();
}

int ConfigWindow::OnApply()
{
    return SendSensorConfig();
}

int ConfigWindow::OnReload()
{
    return LoadSensorConfig(0);
}

int ConfigWindow::OnReset()
{
    return tOperations.Busy() ? 0 : DlgMainReset();
}

int ConfigWindow::OnUnlock()
{
    return tOperations.Busy() ? 0 : DlgFactoryUnlock();
}

void ConfigWindow::OnCopySummary()
{
    // The whole listing as shown: it may be longer than a value buffer.
    const auto* box = static_cast<QPlainTextEdit*>(Control(CTL_SUMMARY_TEXT)->pWidget);
    QGuiApplication::clipboard()->setText(box->toPlainText());
}

int ConfigWindow::DlgMainExport()
{
    return ConfigExportFromWindow();
}

int ConfigWindow::DlgMainImport()
{
    return ConfigImportFromWindow(this);
}

void ConfigWindow::SetInputEnabled(bool bEnabled)
{
    centralWidget()->setEnabled(bEnabled);
    menuBar()->setEnabled(bEnabled);
}

bool ConfigWindow::InputEnabled() const
{
    return centralWidget()->isEnabled() && menuBar()->isEnabled();
}

void ConfigWindow::OnCloseRequested()
{
    // The running load or send ends at its next parameter, within the
    // kit's wait; what it reports from now on goes to the log only.
    TaskWorker().RequestStop();
}

void ConfigWindow::OnClosed()
{
    // An operation that did not stop in time still uses the port: the exit
    // rule ends the program before it is let go under it.
    if (bConnected && !tOperations.Busy())
        DlgMainDisconnect();
}

QWidget* CreateConfigWindow()
{
    return new ConfigWindow;
}
