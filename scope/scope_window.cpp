#include "scope_window.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include "appframe.h"
#include "filedialog.h"
#include "fileutil.h"
#include "log.h"
#include "msgbox.h"
#include "scope_analysis.h"
#include "scope_draw.h"
#include "serial.h"
#include "suite.h"
#include "suitemenu.h"
#include "windowthread.h"
#include "winutil.h"

namespace {

// clang-format off
const MenuItem tScopeMenu[] = {
    { "File",  "Record to wav",                  MENU_CUSTOM,        true },
    { "File",  "Check for update at startup",    MENU_CHECK_STARTUP, true },
    { "File",  "Quit",                           MENU_QUIT,          false },
    { "View",  "Pause",                          MENU_CUSTOM,        true },
    { "View",  "Spectrum",                       MENU_CUSTOM,        false },
    { "View",  "Statistics",                     MENU_CUSTOM,        true },
    { "View",  "Save picture as PNG...",         MENU_CUSTOM,        false },
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
// How often the signal watch looks at the frame count, ms.
constexpr int kSignalCheckMs = 500;
// Distance of the pointer from a grid line that still shows its reading, pixels.
constexpr int kTipReach = 8;

}  // namespace

// The client area: the control bar's row on top, the plots painted below
// from a snapshot of the display. While paused it keeps painting the
// snapshot it has. It takes the focus (Tab, a click), shown by a frame
// around the plots; Space then toggles the pause.
class ScopeWindow::PlotView : public QWidget {
public:
    PlotView(ScopeSession& session, QWidget* pParent) : QWidget(pParent), rSession(session)
    {
        setObjectName("plots");
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        setFocusPolicy(Qt::StrongFocus);
    }

    ScopeDrawOptions options;

    void SetPaused(bool bPaused)
    {
        options.bPaused = bPaused;
        update();
    }
    // Paints the plots into any device of this widget's size.
    void PaintPlots(QPainter& painter)
    {
        if (!options.bPaused)
            rSession.display.Snapshot(pSnapshot.get());
        ScopeDrawOptions o = options;
        o.cText = palette().color(QPalette::ButtonText);
        o.cLabel = UiReadableTextColor(SCOPE_CURVE_COLOR, palette());
        DlgMainDraw(painter, ScopePlotArea(rect()), *pSnapshot, palette().color(QPalette::Button), o);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        PaintPlots(painter);
        if (hasFocus()) {
            const QRect area = ScopePlotArea(rect()).adjusted(-3, -3, 2, 2);
            painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
            painter.drawRect(area);
        }
    }
    void focusInEvent(QFocusEvent* pEvent) override
    {
        QWidget::focusInEvent(pEvent);
        update();
    }
    void focusOutEvent(QFocusEvent* pEvent) override
    {
        QWidget::focusOutEvent(pEvent);
        update();
    }
    // Over the value of a grid line: the raw reading it stands for.
    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::ToolTip && !options.bSpectrum) {
            const QPoint pos = static_cast<QHelpEvent*>(pEvent)->pos();
            const ScopePlotGeometry g = ScopeGeometry(ScopePlotArea(rect()));
            for (const ScopeGridLine& line : ScopeGridLines(g)) {
                if (pos.x() < g.L && std::abs(pos.y() - line.nY) <= kTipReach) {
                    QToolTip::showText(static_cast<QHelpEvent*>(pEvent)->globalPos(),
                                       QString("Reading %1 of 0 to 4095 (%2)")
                                           .arg(line.nReading)
                                           .arg(QString::fromStdString(ScopeVoltsText(line.nReading))),
                                       this);
                    return true;
                }
            }
            QToolTip::hideText();
            pEvent->ignore();
            return true;
        }
        return QWidget::event(pEvent);
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

    QAction* pause = MenuItem("Pause");
    pause->setCheckable(true);
    // Space pauses while the plots have the focus; elsewhere it presses the
    // focused button as usual.
    pause->setShortcut(QKeySequence(Qt::Key_Space));
    pause->setShortcutContext(Qt::WidgetShortcut);
    pPlots->addAction(pause);
    connect(pause, &QAction::toggled, this, [this](bool on) { pPlots->SetPaused(on); });
    QAction* spectrum = MenuItem("Spectrum");
    spectrum->setCheckable(true);
    connect(spectrum, &QAction::toggled, this, [this](bool on) {
        pPlots->options.bSpectrum = on;
        pPlots->update();
    });
    QAction* stats = MenuItem("Statistics");
    stats->setCheckable(true);
    connect(stats, &QAction::toggled, this, [this](bool on) {
        pPlots->options.bStats = on;
        pPlots->update();
    });
    connect(MenuItem("Save picture as PNG..."), &QAction::triggered, this, [this] { SavePictureAs(); });

    auto* watch = new QTimer(this);
    watch->setInterval(kSignalCheckMs);
    connect(watch, &QTimer::timeout, this, [this] { CheckSignal(); });
    tClock.start();
    watch->start();
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
    // The keyboard starts at the port row, not on the plots that hold it.
    PortList()->setFocus();
}

ScopeWindow::~ScopeWindow()
{
    if (tSession.Connected())
        ScopeDisconnect(tSession, *this);
    EndWork();
}

int ScopeWindow::DlgMainConnect()
{
    const int ok = ScopeConnect(
        tSession, PortList()->currentIndex() > 0 ? SelectedPort() : std::string(SERIAL_SELECT_ENTRY), *this);
    // The focus would fall on a greyed button: the plots take it, so that
    // Space pauses them.
    if (ok)
        pPlots->setFocus();
    return ok;
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

void ScopeWindow::Ended(int nResult)
{
    if (nResult == SCOPE_RECEIVE_STREAM) {
        tSession.display.SetNoSignal(1);
        Redraw(0);
    }
}

void ScopeWindow::CheckSignal()
{
    const qint64 now = tClock.elapsed();
    const unsigned frames = tSession.uFrames.load();
    if (frames != uLastFrames || !tSession.Streaming() || !tSession.Connected()) {
        uLastFrames = frames;
        nLastFrameMs = now;
        return;
    }
    if (now - nLastFrameMs >= NO_SIGNAL_MS) {
        tSession.display.SetNoSignal(1);
        pPlots->update();
    }
}

void ScopeWindow::SetPaused(bool bPaused)
{
    MenuItem("Pause")->setChecked(bPaused);
}

bool ScopeWindow::Paused() const
{
    return pPlots->options.bPaused;
}

const ScopeDrawOptions& ScopeWindow::DrawOptions() const
{
    return pPlots->options;
}

QImage ScopeWindow::Picture() const
{
    // The plot view without its control bar: the plots and the margin
    // around them.
    const qreal ratio = devicePixelRatioF();
    const int top = kBarHeight - SCOPE_PLOT_MARGIN;
    QImage image((QSizeF(pPlots->width(), pPlots->height() - top) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(pPlots->palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.translate(0, -top);
    pPlots->PaintPlots(painter);
    return image;
}

int ScopeWindow::SavePicture(const std::string& sPath) const
{
    QSaveFile file(QString::fromLocal8Bit(sPath.c_str()));
    if (!file.open(QIODevice::WriteOnly) || !Picture().save(&file, "PNG") || !file.commit())
        return Error("Could not write the picture to '%s' !\n%s", sPath.c_str(),
                     file.errorString().toLocal8Bit().constData());
    Log("Picture saved to '%s'", sPath.c_str());
    return 1;
}

void ScopeWindow::SavePictureAs()
{
    FileDialogRequest request;
    request.vFilters = {{"PNG picture (*.png)", "*.png"}};
    request.sDefaultExt = "png";
    request.sStartDir = tSettings.szWavDir;
    request.sStartFile =
        QDateTime::currentDateTime().toString("'VARN-Scope_'yyyyMMdd_HHmmss'.png'").toLocal8Bit().toStdString();
    std::string path;
    if (!UiSaveFile(request, &path))
        return;
    if (FileExists(path.c_str()) &&
        !UiQuestion(MESSAGE_WARNING, ("File '" + path + "' already exists.\nDo you want to replace it ?").c_str()))
        return;
    SavePicture(path);
}

void ScopeWindow::OnClosed()
{
    // Closing while connected stops the receive thread and finishes the
    // current WAV file, as Disconnect does.
    if (tSession.Connected())
        ScopeDisconnect(tSession, *this);
}
