#include "scope_window.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "appframe.h"
#include "log.h"
#include "scope_draw.h"
#include "serial.h"
#include "suite.h"

namespace {

// clang-format off
const MenuItem tScopeMenu[] = {
    { "File",  "Record to wav",                  MENU_CUSTOM,        true },
    { "File",  "Check for update at startup",    MENU_CHECK_STARTUP, true },
    { "File",  "Quit",                           MENU_QUIT,          false },
    { "Tools", nullptr,                          MENU_TOOL,          true,  PROGRAM_TOOLBOX },
    { "Tools", nullptr,                          MENU_TOOL,          false, PROGRAM_TERMINAL },
    { "Tools", nullptr,                          MENU_TOOL,          false, PROGRAM_DATALOGGER },
    { "Tools", nullptr,                          MENU_TOOL,          false, PROGRAM_CONFIG },
    { "Tools", nullptr,                          MENU_TOOL,          true,  PROGRAM_FLASH },
    { "Tools", "Open application directory...",  MENU_OPEN_APPDIR,   false },
    { "Tools", "Open wav directory...",          MENU_CUSTOM,        false },
    { "?",     "User Guide...",                  MENU_USER_GUIDE,    true },
    { "?",     "Programming Examples...",        MENU_EXAMPLES,      true },
    { "?",     "Check for Update...",            MENU_CHECK_UPDATE,  true },
    { "?",     "About...",                       MENU_ABOUT,         false },
};
// clang-format on

// Height of the control bar above the plots, pixels (the plot area starts
// below it).
constexpr int kBarHeight = SCOPE_PLOT_TOP;

}  // namespace

// The client area: the control bar's row on top, the plots painted below
// from a snapshot of the display.
class ScopeWindow::PlotView : public QWidget {
public:
    PlotView(ScopeSession& session, QWidget* pParent) : QWidget(pParent), rSession(session)
    {
        setObjectName("plots");
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        rSession.display.Snapshot(pSnapshot.get());
        QPainter painter(this);
        DlgMainDraw(painter, ScopePlotArea(rect()), *pSnapshot, palette().color(QPalette::Button));
    }

private:
    ScopeSession& rSession;
    // 10 000 values: kept, not rebuilt on the stack at every paint.
    std::unique_ptr<ScopeSnapshot> pSnapshot = std::make_unique<ScopeSnapshot>();
};

QWidget* ScopeWindow::Plots() const
{
    return pPlots;
}

QSize ScopeWindow::DialogSize(const QFontMetrics& fm)
{
    // Dialog units: a quarter of the average character width across, an
    // eighth of the character height down.
    return QSize(394 * fm.averageCharWidth() / 4, 300 * fm.height() / 8);
}

ScopeWindow::ScopeWindow(QWidget* pParent) : ToolWindow(PROGRAM_SCOPE, pParent), tSession(tSettings)
{
    setObjectName("scopeWindow");
    ScopeSettingsInit(tSettings, szAppDir);
    LoadConfig(tSettings);

    pPlots = new PlotView(tSession, this);
    setCentralWidget(pPlots);
    auto* column = new QVBoxLayout(pPlots);
    column->setContentsMargins(SCOPE_PLOT_MARGIN, 0, SCOPE_PLOT_MARGIN, 0);
    auto* bar = new QWidget(pPlots);
    bar->setFixedHeight(kBarHeight);
    PortRowSpec row;
    row.szLabel = "Serial port";
    row.bConnectButtons = true;
    row.bDebugIdleOnly = false;
    QHBoxLayout* controls = CreatePortRow(bar, row);
    controls->setContentsMargins(0, 0, 0, 0);
    bar->setLayout(controls);
    column->addWidget(bar);
    column->addStretch(1);

    CreateMenu(tScopeMenu);
    QAction* record = MenuItem("Record to wav");
    record->setCheckable(true);
    record->setChecked(tSettings.bSaveWav.load() != 0);
    connect(record, &QAction::toggled, this, [this](bool on) {
        // Read by the receive thread at each frame; written to the
        // settings file at once.
        tSettings.bSaveWav = on ? 1 : 0;
        if (!WriteConfig(tSettings))
            Log("Could not write the settings file '%s'", tSettings.szCfgFile);
    });
    connect(MenuItem("Open wav directory..."), &QAction::triggered, this, [this] { OpenDir(tSettings.szWavDir); });
    connect(ConnectButton(), &QPushButton::clicked, this, [this] { DlgMainConnect(); });
    connect(DisconnectButton(), &QPushButton::clicked, this, [this] { DlgMainDisconnect(); });

    ensurePolished();
    // The plots fill whatever the window has, so on a small screen (or a
    // large scale) the fixed size is cut to what the screen shows.
    QSize size = DialogSize(fontMetrics()) + QSize(0, menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 0.95);
    setFixedSize(size);
    FinishCreate();
}

ScopeWindow::~ScopeWindow()
{
    if (tSession.Connected())
        ScopeDisconnect(tSession, *this);
    EndWork();
}

int ScopeWindow::DlgMainConnect()
{
    return ScopeConnect(tSession, PortList()->currentIndex() > 0 ? SelectedPort() : std::string(SERIAL_SELECT_ENTRY),
                        *this);
}

int ScopeWindow::DlgMainDisconnect()
{
    const int ok = ScopeDisconnect(tSession, *this);
    pPlots->update();
    return ok;
}

void ScopeWindow::Redraw(int bErase)
{
    // Never waits: the paint happens later on the window thread.
    QWidget* plots = pPlots;
    PostToWindowThread([plots, bErase] {
        if (bErase)
            plots->repaint();
        else
            plots->update();
    });
}

void ScopeWindow::RecordingFailed()
{
    // The recorder has switched recording off; the settings file keeps the
    // user's choice for the next start, so the box changes without a toggle.
    QPointer<QAction> record = MenuItem("Record to wav");
    PostToWindowThread([record] {
        if (record == nullptr)
            return;
        const QSignalBlocker quiet(record.data());
        record->setChecked(false);
    });
}

void ScopeWindow::OnClosed()
{
    // Closing while connected stops the receive thread and finishes the
    // current WAV file, as Disconnect does.
    if (tSession.Connected())
        ScopeDisconnect(tSession, *this);
}
