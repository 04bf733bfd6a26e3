#include "toolwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "appframe.h"
#include "appmain.h"
#include "icons.h"
#include "log.h"
#include "msgbox.h"
#include "portlist.h"
#include "progressbar.h"
#include "serial.h"
#include "suitemenu.h"
#include "windowthread.h"

namespace {

constexpr char szTipPorts[] = "Serial port list found on this system...";
constexpr char szTipRefresh[] = "Refresh serial port list...";
constexpr char szTipDebug[] = "Enable/Disable debug and log into file...";
constexpr char szTipDisconnect[] = "Disconnect from sensor...";

QString Text(const char* sz)
{
    return QString::fromLocal8Bit(sz);
}

}  // namespace

// The window's side of the task front end: every call is handed to the
// window thread through the gate and returns once it has run there (or at
// once, unrun, after the window closed).
class ToolWindow::FrontEndImpl : public TaskFrontEnd {
public:
    explicit FrontEndImpl(ToolWindow* pOwner) : pWindow(pOwner) {}

    void Progress(int nPosition, int, const char* szText) override
    {
        RunOnWindowThread([&] { pWindow->ShowProgress(nPosition, szText); });
    }
    void State(int nState, const char*) override
    {
        RunOnWindowThread([&] { pWindow->SetBusy(nState); });
    }
    int Question(MessageKind nIcon, const char* szText) override { return UiQuestion(nIcon, szText); }
    // An information box captioned with the program title, not logged as a
    // reporter text (it may exceed a reporter's buffer).
    void Information(const char* szText) override { GetMessageHandler()(MESSAGE_INFO, szText); }

private:
    ToolWindow* pWindow;
};

ToolWindow::ToolWindow(Program nProgram, QWidget* pParent)
    : QMainWindow(pParent), nSelf(nProgram), pFrontEnd(std::make_unique<FrontEndImpl>(this)), tWorker("process")
{
    UiGateOpen();
    setWindowTitle(QString::fromLocal8Bit(szAppTitle));
}

ToolWindow::~ToolWindow()
{
    EndWork();
}

TaskFrontEnd& ToolWindow::FrontEnd()
{
    return *pFrontEnd;
}

QHBoxLayout* ToolWindow::CreatePortRow(QWidget* pParent, const PortRowSpec& rowSpec)
{
    pPortLabel = new QLabel(Text(rowSpec.szLabel), pParent);
    pPortLabel->setObjectName(ToolName::PortLabel);
    pPortList = new QComboBox(pParent);
    pPortList->setObjectName(ToolName::PortList);
    pPortList->setToolTip(Text(szTipPorts));
    pRefresh = new QToolButton(pParent);
    pRefresh->setObjectName(ToolName::RefreshPorts);
    pRefresh->setIcon(UiRefreshIcon());
    pRefresh->setIconSize(QSize(16, 16));
    pRefresh->setToolTip(Text(szTipRefresh));
    pDebug = new QCheckBox(Text("Debug"), pParent);
    pDebug->setObjectName(ToolName::Debug);
    pDebug->setToolTip(Text(szTipDebug));
    pMenuButton = new QPushButton(Text("Menu >>"), pParent);
    pMenuButton->setObjectName(ToolName::MenuButton);

    QHBoxLayout* row = new QHBoxLayout;
    row->addWidget(pPortLabel);
    row->addWidget(pPortList, 1);
    row->addWidget(pRefresh);
    row->addSpacing(6);
    row->addWidget(pDebug);
    if (rowSpec.bConnectButtons) {
        pConnect = new QPushButton(Text("Connect"), pParent);
        pConnect->setObjectName(ToolName::Connect);
        pConnect->setToolTip(Text(rowSpec.szConnectTip));
        pDisconnect = new QPushButton(Text("Disconnect"), pParent);
        pDisconnect->setObjectName(ToolName::Disconnect);
        pDisconnect->setToolTip(Text(szTipDisconnect));
        row->addWidget(pConnect);
        row->addWidget(pDisconnect);
        AddIdleOnly({pConnect});
        AddBusyOnly({pDisconnect});
    }
    row->addStretch(0);
    row->addWidget(pMenuButton);
    // Tab follows the row from left to right ("Menu >>" was made first).
    QWidget::setTabOrder(pRefresh, pDebug);
    QWidget* previous = pDebug;
    for (QWidget* w : {static_cast<QWidget*>(pConnect), static_cast<QWidget*>(pDisconnect),
                       static_cast<QWidget*>(pMenuButton)}) {
        if (w != nullptr) {
            QWidget::setTabOrder(previous, w);
            previous = w;
        }
    }

    AddIdleOnly({pPortList, pRefresh, pMenuButton});
    if (rowSpec.bDebugIdleOnly)
        AddIdleOnly({pDebug});
    connect(pRefresh, &QToolButton::clicked, this, [this] { RefreshPorts(); });
    connect(pDebug, &QCheckBox::toggled, this, [](bool on) { bLogEnabled = on ? 1 : 0; });
    connect(pMenuButton, &QPushButton::clicked, this, [] { UiStartTool(PROGRAM_TOOLBOX); });
    connect(pPortList, &QComboBox::currentIndexChanged, this, [this] {
        UpdatePortTip();
        NotePortSelection();
    });
    // A port the user chose replaces one that vanished.
    connect(pPortList, &QComboBox::activated, this, [this] { sLostPort.clear(); });
    RefreshPorts();
    return row;
}

QVBoxLayout* ToolWindow::CreateStatusLine(QWidget* pParent, const char* szIdleHint)
{
    pProgress = new QProgressBar(pParent);
    pProgress->setObjectName(ToolName::Progress);
    pProgress->setRange(0, 100);
    pProgress->setValue(0);
    pProgress->setTextVisible(false);
    pStatus = new QLabel(Text(szIdleHint), pParent);
    pStatus->setObjectName(ToolName::Status);
    pStatus->setAlignment(Qt::AlignCenter);
    pStatus->setWordWrap(true);
    // Room for the longest idle hint, which takes three lines in the
    // narrowest window, so that neither the text is cut nor the window
    // jumps when the text changes.
    pStatus->setMinimumHeight(STATUS_LINES * pStatus->fontMetrics().lineSpacing() + 4);
    QVBoxLayout* column = new QVBoxLayout;
    column->addWidget(pProgress);
    column->addWidget(pStatus);
    return column;
}

void ToolWindow::CreateMenu(const ::MenuItem* pItems, size_t uCount)
{
    tMenu = BuildSuiteMenu(menuBar(), nSelf, pItems, uCount);
    for (const auto& [text, action] : tMenu) {
        if (IsToolMenuItem(action))
            vIdleOnlyItems.push_back(action);
    }
    // "Quit" closes this window at once, without the close box's wait.
    auto quit = tMenu.find("Quit");
    if (quit != tMenu.end()) {
        QObject::disconnect(quit->second, &QAction::triggered, nullptr, nullptr);
        connect(quit->second, &QAction::triggered, this, [this] { QuitNow(); });
    }
}

void ToolWindow::AddIdleOnly(std::initializer_list<QWidget*> vWidgets)
{
    for (QWidget* w : vWidgets)
        if (w != nullptr && std::find(vIdleOnly.begin(), vIdleOnly.end(), w) == vIdleOnly.end())
            vIdleOnly.push_back(w);
}

void ToolWindow::AddBusyOnly(std::initializer_list<QWidget*> vWidgets)
{
    for (QWidget* w : vWidgets)
        if (w != nullptr && std::find(vBusyOnly.begin(), vBusyOnly.end(), w) == vBusyOnly.end())
            vBusyOnly.push_back(w);
}

void ToolWindow::AddIdleOnlyItem(const char* szMenuText)
{
    vIdleOnlyItems.push_back(MenuItem(szMenuText));
}

void ToolWindow::FinishCreate()
{
    // Enter presses the focused button, as Space does (outside dialogs Qt
    // leaves Enter to the default button, which a main window has none of).
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(true);
    SetBusy(TASK_IDLE);
    auto check = tMenu.find("Check for update at startup");
    UiStartupCheckUpdate(check != tMenu.end() ? check->second : nullptr);
}

void ToolWindow::SetBusy(int nState)
{
    // A port that hung up (an adapter pulled, a simulator ended) is usually
    // gone for good: once the work on it has ended, the list no longer
    // offers it.
    const bool refresh = nState == TASK_IDLE && nBusy != TASK_IDLE && SerialIsHungUp();
    nBusy = nState;
    const bool idle = nState == TASK_IDLE;
    for (QAction* a : vIdleOnlyItems)
        a->setEnabled(idle);
    for (QWidget* w : vIdleOnly)
        w->setEnabled(idle);
    for (QWidget* w : vBusyOnly)
        w->setEnabled(nState == TASK_BUSY);
    if (refresh)
        RefreshPorts();
}

void ToolWindow::ShowProgress(int nPosition, const char* szText)
{
    if (pStatus == nullptr || pProgress == nullptr)
        return;
    pStatus->setText(Text(szText));
    if (nPosition != TASK_POSITION_KEEP)
        SetProgress(pProgress, nPosition < 0 ? 0 : nPosition);
    pStatus->repaint();
    pProgress->repaint();
}

std::string ToolWindow::SelectedPort() const
{
    return PortListSelection(pPortList);
}

std::string ToolWindow::SelectedPortName() const
{
    if (pPortList == nullptr || pPortList->currentIndex() <= 0)
        return std::string();
    return pPortList->currentText().toLocal8Bit().toStdString();
}

void ToolWindow::RefreshPorts()
{
    if (pPortList == nullptr)
        return;
    const std::string before = SelectedPort();
    const bool offeredPorts = pPortList->count() > 1;
    {
        // The refill's own steps (clear, first entry) are no choice.
        const QSignalBlocker quiet(pPortList);
        FillPortList(pPortList);
        const std::string wanted = before.empty() ? sLostPort : before;
        const int found = wanted.empty() ? -1 : pPortList->findData(QString::fromLocal8Bit(wanted.c_str()));
        if (found > 0) {
            pPortList->setCurrentIndex(found);
            sLostPort.clear();
        } else if (!before.empty()) {
            // Another sensor may be next in the list: the next job must not
            // go to it unasked.
            sLostPort = before;
            pPortList->setCurrentIndex(0);
        } else if (offeredPorts || !sLostPort.empty()) {
            pPortList->setCurrentIndex(0);
        }
    }
    UpdatePortTip();
    NotePortSelection();
}

void ToolWindow::NotePortSelection()
{
    const std::string now = SelectedPort();
    if (now == sPortShown)
        return;
    sPortShown = now;
    OnPortChanged();
}

void ToolWindow::UpdatePortTip()
{
    // The list shows short names; the tip adds the path that is opened.
    const std::string path = SelectedPort();
    QString tip = Text(szTipPorts);
    if (!path.empty())
        tip += "\n" + QString::fromLocal8Bit(path.c_str());
    pPortList->setToolTip(tip);
}

QSize ToolWindowStartSize(const QSize& wanted, const QSize& minimum, const QSize& available)
{
    // The frame is not known before the window manager has put one around
    // the window: leave room for a title bar and borders.
    const QSize room = (available - QSize(START_FRAME_WIDTH, START_FRAME_HEIGHT)).expandedTo(QSize(0, 0));
    return wanted.boundedTo(room).expandedTo(minimum);
}

void ToolWindow::ResizeForStart(int nWidth, int nHeight)
{
    QSize size(nWidth, nHeight);
    if (QScreen* s = screen())
        size = ToolWindowStartSize(size, minimumSize(), s->availableGeometry().size());
    resize(size);
}

void ToolWindow::FitToScreen()
{
    const QSize wanted = minimumSizeHint().expandedTo(minimumSize());
    QScreen* s = screen();
    const QSize fitted = s != nullptr ? ToolWindowStartSize(wanted, QSize(0, 0), s->availableGeometry().size()) : wanted;
    if (fitted == wanted || centralWidget() == nullptr) {
        resize(wanted);
        return;
    }
    QWidget* client = takeCentralWidget();
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(ToolName::ClientScroll);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(client);
    setCentralWidget(scroll);
    setMinimumSize(0, 0);
    // Room for the vertical scroll bar, so that the width needs no second one.
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    resize(s != nullptr ? ToolWindowStartSize(wanted + QSize(bar, 0), QSize(0, 0), s->availableGeometry().size())
                        : fitted);
}

void ToolWindow::QuitNow()
{
    if (!bClosed && !ConfirmClose())
        return;
    bQuitNow = true;
    close();
    UiQuitProgram();
}

void ToolWindow::EndWork()
{
    UiGateShut();
    tWorker.RequestStop();
    if (tWorker.Running())
        Log("Waiting for the %s worker to end...", tProgramProfiles[nSelf].szFileName);
    tWorker.Join();
}

void ToolWindow::closeEvent(QCloseEvent* pEvent)
{
    if (!bClosed) {
        if (!bQuitNow && !ConfirmClose()) {
            pEvent->ignore();
            return;
        }
        bClosed = true;
        if (!bQuitNow) {
            OnCloseRequested();
            // The worker may be waiting for this thread: its calls return at
            // once from here on, and its own time-outs end it.
            UiGateShut();
            if (!tWorker.Wait(WORKER_STOP_WAIT_MS))
                Log("The %s worker did not end within %u ms of closing", tProgramProfiles[nSelf].szFileName,
                    WORKER_STOP_WAIT_MS);
        } else {
            UiGateShut();
        }
        OnClosed();
    }
    pEvent->accept();
}
