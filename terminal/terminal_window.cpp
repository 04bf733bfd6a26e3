#include "terminal_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "appframe.h"
#include "filedialog.h"
#include "fileutil.h"
#include "log.h"
#include "msgbox.h"
#include "suitemenu.h"
#include "terminal_view.h"
#include "windowthread.h"
#include "winutil.h"

namespace {

constexpr int kClientWidth = 720;        // client size the window opens with
constexpr int kClientHeight = 460;
constexpr int kMinWidth = 550;           // smallest window (the layout may need more with large fonts)
constexpr int kMinHeight = 300;
constexpr int kMargin = 8;               // the output box's left offset, kept as the margin
constexpr int kGap = 4;                  // between neighbours of a row
constexpr int kGroupGap = 8;             // before "Debug" and before "Menu >>"
constexpr int kPortListWidth = 136;      // port list width in the smallest window
constexpr int kPortListGrowth = 240;     // at most this much wider in a wider window
constexpr int kCommandMax = static_cast<int>(TerminalLink::COMMAND_MAX);
constexpr int kOutputFormatSize = 4096;  // DlgMainOutput's formatted text

// Buttons are at least this wide, and as wide as their text needs.
struct MinWidth {
    const char* szName;
    int nWidth;
};
const MinWidth tMinWidths[] = {
    {"connect", 76}, {"disconnect", 78}, {"menuButton", 66}, {"sendButton", 70}, {"refreshPorts", 24},
};

const MenuItem tTerminalMenu[] = {
    {"File", "Save as...", MENU_CUSTOM, true},
    {"File", "Clear terminal", MENU_CUSTOM, true},
    {"File", "Check for update at startup", MENU_CHECK_STARTUP, true},
    {"File", "Quit", MENU_QUIT, false},
    {"Options", "Time stamps", MENU_CUSTOM, false},
    {"Options", "Hex view", MENU_CUSTOM, true},
    {"Options", "Send with CR", MENU_CUSTOM, false},
    {"Options", "Send with LF", MENU_CUSTOM, false},
    {"Options", "Send with CR LF", MENU_CUSTOM, false},
    {"Options", "Send with no line end", MENU_CUSTOM, true},
    {"Options", "Live log...", MENU_CUSTOM, false},
    {"Tools", nullptr, MENU_TOOL, true, PROGRAM_TOOLBOX},
    {"Tools", nullptr, MENU_TOOL, false, PROGRAM_SCOPE},
    {"Tools", nullptr, MENU_TOOL, false, PROGRAM_DATALOGGER},
    {"Tools", nullptr, MENU_TOOL, false, PROGRAM_CONFIG},
    {"Tools", nullptr, MENU_TOOL, true, PROGRAM_FLASH},
    {"Tools", "Open application directory...", MENU_OPEN_APPDIR, false},
    {"?", "User Guide...", MENU_USER_GUIDE, true},
    {"?", "Programming Examples...", MENU_EXAMPLES, true},
    {"?", "Check for Update...", MENU_CHECK_UPDATE, true},
    {"?", "About...", MENU_ABOUT, false},
};

struct ToolTip {
    const char* szControl;
    const char* szText;
};
const ToolTip tToolTips[] = {
    {"outputBox", "Terminal command output..."},
    {"commandLine", "Terminal command input history..."},
    {"sendButton", "Send command to sensor..."},
};

long long SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TerminalWindow::TerminalWindow(QWidget* pParent) : ToolWindow(PROGRAM_TERMINAL, pParent)
{
    setObjectName("terminalWindow");
    CreateControls();
    CreateMenu(tTerminalMenu);
    connect(MenuItem("Save as..."), &QAction::triggered, this, [this] { DlgMainSaveAs(); });
    connect(MenuItem("Clear terminal"), &QAction::triggered, this, [this] { DlgMainClear(); });
    MenuItem("Clear terminal")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    CreateOptionsMenu();

    for (const ToolTip& t : tToolTips)
        SetToolTip(this, t.szControl, t.szText);
    const int menuHeight = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    setMinimumSize(std::max(kMinWidth, nMinClientWidth), kMinHeight);
    ResizeForStart(std::max(kClientWidth, nMinClientWidth), kClientHeight + menuHeight);

    // One take of the received bytes per frame of the display.
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr && screen->refreshRate() > 1)
        nFrameMs = std::clamp(static_cast<int>(1000.0 / screen->refreshRate()), 8, 100);
    pTakeTimer = new QTimer(this);
    pTakeTimer->setSingleShot(true);
    connect(pTakeTimer, &QTimer::timeout, this, [this] { TakeReceived(); });

    TerminalLoadSettings(tSettings, SettingsFile());
    ApplySettings();
    FinishCreate();
}

TerminalWindow::~TerminalWindow()
{
    if (bConnected)
        DlgMainDisconnect();
    EndWork();
    StopLiveLog();
}

void TerminalWindow::CreateControls()
{
    pClient = new QWidget(this);
    setCentralWidget(pClient);
    pClient->installEventFilter(this);

    PortRowSpec row;
    row.szLabel = "Serial port";
    row.bConnectButtons = true;
    row.bDebugIdleOnly = false;
    delete CreatePortRow(pClient, row);   // placed by PlaceControls instead
    PortList()->view()->setMinimumWidth(320);

    pOutputBox = new TerminalView(tOutput, pClient);
    pOutputBox->setObjectName("outputBox");
    pOutputBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pOutputBox->SetClearHandler([this] { DlgMainClear(); });
    QFont mono("Courier New");
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    mono.setPixelSize(16);
    mono.setWeight(QFont::Normal);
    pOutputBox->setFont(mono);
    // The box keeps the desktop's palette: white with dark text on a light
    // desktop, dark with light text on a dark one.

    pStatusLine = new QLabel(this);
    pStatusLine->setObjectName("statusLine");
    statusBar()->addWidget(pStatusLine, 1);
    statusBar()->setSizeGripEnabled(true);

    pCommandLabel = new QLabel("Command", pClient);
    pCommandLabel->setObjectName("commandLabel");
    pCommandLine = new QComboBox(pClient);
    pCommandLine->setObjectName("commandLine");
    pCommandLine->setEditable(true);
    pCommandLine->setInsertPolicy(QComboBox::NoInsert);
    pCommandLine->setMaxCount(INT_MAX);
    pCommandLine->lineEdit()->setMaxLength(kCommandMax);
    // No inline completion from the history: Enter must send exactly what
    // was typed, not a longer remembered command.
    pCommandLine->setCompleter(nullptr);
    pSend = new QPushButton("Send", pClient);
    pSend->setObjectName("sendButton");
    AddBusyOnly({pCommandLine, pSend});
    PlaceControls();

    connect(ConnectButton(), &QPushButton::clicked, this, [this] { DlgMainConnect(); });
    connect(DisconnectButton(), &QPushButton::clicked, this, [this] { DlgMainDisconnect(); });
    connect(pSend, &QPushButton::clicked, this, [this] { DlgMainSend(); });
    connect(pCommandLine, &QComboBox::activated, this, [this](int index) { nHistoryPos = index; });
    // "Send" is the default action: Enter in the command line sends. A key
    // press goes to the focus widget, which is the combo box (its line edit
    // has it as focus proxy); the combo box hands keys on to the line edit
    // by a direct call that no event filter of the line edit sees. Keys are
    // therefore taken from the combo box, and from the line edit for what
    // is sent to it directly.
    pCommandLine->installEventFilter(this);
    pCommandLine->lineEdit()->installEventFilter(this);
}

void TerminalWindow::PlaceControls()
{
    // Every control is as large as its text needs in the desktop's font;
    // the top row is laid out for the smallest window, and the port list
    // widens with the window (see LayoutControls).
    auto width = [](QWidget* w) {
        int minimum = 0;
        for (const MinWidth& m : tMinWidths)
            if (w->objectName() == m.szName)
                minimum = m.nWidth;
        return std::max(minimum, w->sizeHint().width());
    };
    QWidget* const top[] = {PortLabel(), PortList(), RefreshButton(), DebugBox(), ConnectButton(),
                            DisconnectButton(), MenuButton()};
    int rowHeight = 24;
    for (QWidget* w : top)
        rowHeight = std::max(rowHeight, w->sizeHint().height());
    int x = kMargin;
    vFollowPortList.clear();
    for (QWidget* w : top) {
        const int h = w == PortLabel() || w == DebugBox() ? w->sizeHint().height() : rowHeight;
        const int wide = w == PortList() ? kPortListWidth : width(w);
        if (w == DebugBox() || w == MenuButton())
            x += kGroupGap - kGap;
        w->setGeometry(x, kMargin + (rowHeight - h) / 2, wide, h);
        if (w != PortLabel() && w != PortList() && w != MenuButton())
            vFollowPortList.push_back({w, x});
        x += wide + kGap;
    }
    nMinClientWidth = x - kGap + kMargin;

    const int outputTop = kMargin + rowHeight + kMargin;
    const int lineHeight = std::max(pCommandLine->sizeHint().height(), pSend->sizeHint().height());
    pCommandLabel->resize(pCommandLabel->sizeHint());
    pCommandLine->resize(pCommandLine->width(), lineHeight);
    pSend->resize(width(pSend), lineHeight);
    pOutputBox->setGeometry(kMargin, outputTop, kClientWidth - 2 * kMargin,
                            kClientHeight - outputTop - 2 * kMargin - lineHeight);
    LayoutControls(std::max(kClientWidth, nMinClientWidth), kClientHeight);
}

bool TerminalWindow::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (pObject == pClient && pEvent->type() == QEvent::Resize)
        LayoutControls(pClient->width(), pClient->height());
    if (pCommandLine != nullptr && (pObject == pCommandLine || pObject == pCommandLine->lineEdit()) &&
        pEvent->type() == QEvent::KeyPress && OnCommandKey(static_cast<QKeyEvent*>(pEvent)))
        return true;
    return ToolWindow::eventFilter(pObject, pEvent);
}

bool TerminalWindow::OnCommandKey(const QKeyEvent* pKey)
{
    const Qt::KeyboardModifiers mods = pKey->modifiers() & ~Qt::KeypadModifier;
    switch (pKey->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        DlgMainSend();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        // Alt+Down still opens the drop-down.
        if (mods != Qt::NoModifier)
            return false;
        RecallHistory(pKey->key() == Qt::Key_Up ? -1 : 1);
        return true;
    default:
        return false;
    }
}

void TerminalWindow::RecallHistory(int nStep)
{
    const int count = pCommandLine->count();
    if (count == 0)
        return;
    int pos = nHistoryPos;
    if (nStep < 0) {
        if (pos < 0 || pos >= count) {
            sDraft = pCommandLine->currentText();
            pos = count - 1;
        } else if (pos > 0) {
            pos--;
        }
    } else {
        if (pos < 0)
            return;
        pos = pos + 1 < count ? pos + 1 : -1;
    }
    nHistoryPos = pos;
    pCommandLine->setEditText(pos < 0 ? sDraft : pCommandLine->itemText(pos));
}

void TerminalWindow::LayoutControls(int W, int H)
{
    QRect menu, label, send, line, output;
    GetWindowPos(pOutputBox, &output);
    const int m = output.left();
    GetWindowPos(MenuButton(), &menu);
    GetWindowPos(pCommandLabel, &label);
    GetWindowPos(pSend, &send);
    GetWindowPos(pCommandLine, &line);

    MenuButton()->move(W - menu.width() - m, menu.top());
    const int grow = std::clamp(W - std::max(kMinWidth, nMinClientWidth), 0, kPortListGrowth);
    PortList()->resize(kPortListWidth + grow, PortList()->height());
    for (const auto& [w, x] : vFollowPortList)
        w->move(x + grow, w->y());
    pCommandLabel->move(m, H - label.height() - m - 2);
    const int sendX = W - send.width() - m;
    pSend->move(sendX, H - send.height() - m);
    const int lineX = m + label.width() + m;
    const int lineY = H - line.height() - m;
    pCommandLine->setGeometry(lineX, lineY, std::max(0, sendX - lineX - m), line.height());
    // A view that showed the end still shows it in the new size.
    QScrollBar* bar = pOutputBox->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    pOutputBox->setGeometry(m, output.top(), std::max(0, W - 2 * m), std::max(0, lineY - output.top() - m));
    if (atEnd)
        bar->setValue(bar->maximum());
}

int TerminalWindow::DlgMainConnect()
{
    Log("%s", szAppTitle);
    if (PortList()->currentIndex() <= 0)
        return Error("No serial port selected !");
    const QByteArray port = QByteArray::fromStdString(SelectedPort());
    if (port.size() >= APP_PATH_SIZE)
        return Error("Could not open serial port '%s' !", port.left(APP_PATH_SIZE - 1).constData());
    if (!tLink.Open(port.constData()))
        return 0;
    DlgMainOutput("Serial port '%s' open !\r\n", port.constData());
    SetStatus(QString("Serial port '%1' open !").arg(QString::fromLocal8Bit(port)));
    bLost = false;
    nConnection++;

    tLink.StartReceive([this](const char* pBytes, unsigned uSize) { QueueReceived(pBytes, uSize); },
                       [this] {
                           // The adapter is gone: say so once and let the window disconnect.
                           RunOnWindowThread([this] {
                               bLost = true;
                               Notice("Serial port connection lost !");
                               QMetaObject::invokeMethod(
                                   this, [this] { if (bConnected) DlgMainDisconnect(); },
                                   Qt::QueuedConnection);
                           });
                       });
    bConnected = true;
    DlgMainStatus(1);
    pCommandLine->setFocus();
    return 1;
}

void TerminalWindow::DlgMainDisconnect()
{
    // Waiting for the receive loop runs the window's events, which may hold
    // a queued disconnect of a hung-up line: that one finds us busy.
    if (!bConnected || bDisconnecting)
        return;
    bDisconnecting = true;
    tLink.Close();
    bConnected = false;
    bDisconnecting = false;
    TakeReceived();
    DlgMainOutput("Serial port closed !\r\n");
    // A lost line stays the news in the status line.
    if (!bLost)
        SetStatus("Serial port closed !");
    DlgMainStatus(0);
}

void TerminalWindow::DlgMainOutput(const char* szFormat, ...)
{
    char text[kOutputFormatSize];
    va_list args;
    va_start(args, szFormat);
    int n = std::vsnprintf(text, sizeof text, szFormat, args);
    va_end(args);
    if (n < 0)
        return;
    DlgMainAppend(text, std::min<size_t>(static_cast<size_t>(n), sizeof text - 1));
}

void TerminalWindow::Notice(const char* szText)
{
    TakeReceived();
    const std::string& out = tOutput.Bytes();
    if (!out.empty() && out.back() != '\r' && out.back() != '\n')
        DlgMainOutput("\r\n");
    DlgMainOutput("%s\r\n", szText);
    SetStatus(QString::fromLocal8Bit(szText));
}

void TerminalWindow::SetStatus(const QString& sText)
{
    pStatusLine->setText(sText);
}

QString TerminalWindow::StatusText() const
{
    return pStatusLine->text();
}

void TerminalWindow::DlgMainAppend(const char* pBytes, size_t uSize)
{
    // What the receive loop queued came first.
    TakeReceived();
    if (uSize > 0)
        AppendBytes(pBytes, uSize, TerminalNowMs(), false);
}

void TerminalWindow::QueueReceived(const char* pBytes, unsigned uSize)
{
    bool full = false;
    {
        std::lock_guard<std::mutex> lock(mReceived);
        vReceivedAt.push_back({sReceived.size(), TerminalNowMs()});
        sReceived.append(pBytes, uSize);
        full = sReceived.size() > OUTPUT_MAX;
    }
    if (full) {
        // The window has not taken anything for long: wait until it has,
        // rather than let the queue grow.
        RunOnWindowThread([this] { TakeReceived(); });
    } else if (!bTakeAsked.exchange(true)) {
        // Dropped with the window if it goes before the take runs.
        PostToWindowThread([this] { ScheduleTake(); }, this);
    }
}

void TerminalWindow::ScheduleTake()
{
    const long long since = SteadyMs() - nLastTakeMs;
    if (since >= nFrameMs)
        TakeReceived();
    else if (!pTakeTimer->isActive())
        pTakeTimer->start(static_cast<int>(nFrameMs - since));
}

void TerminalWindow::TakeReceived()
{
    std::string bytes;
    std::vector<std::pair<size_t, int64_t>> at;
    {
        std::lock_guard<std::mutex> lock(mReceived);
        // Cleared under the lock: a block queued after this take asks again.
        bTakeAsked = false;
        bytes.swap(sReceived);
        at.swap(vReceivedAt);
    }
    pTakeTimer->stop();
    nLastTakeMs = SteadyMs();
    for (size_t i = 0; i < at.size(); i++) {
        const size_t end = i + 1 < at.size() ? at[i + 1].first : bytes.size();
        AppendBytes(bytes.data() + at[i].first, end - at[i].first, at[i].second, true);
    }
}

void TerminalWindow::AppendBytes(const char* pBytes, size_t uSize, int64_t nStampMs, bool bSpread)
{
    const size_t dropped = tOutput.Append(pBytes, uSize, nStampMs, bSpread);
    pOutputBox->OutputChanged(dropped);
    if (pLiveLog != nullptr)
        WriteLiveLog(pBytes, uSize, nStampMs, bSpread);
}

void TerminalWindow::DlgMainSend()
{
    if (!bConnected)
        return;
    const QByteArray command = pCommandLine->currentText().toLocal8Bit().left(kCommandMax);
    if (!command.isEmpty())
        pCommandLine->addItem(QString::fromLocal8Bit(command));
    // The line is free at once: what is typed while the command goes out
    // belongs to the next one.
    pCommandLine->setCurrentIndex(-1);
    pCommandLine->clearEditText();
    nHistoryPos = -1;
    sDraft.clear();

    // A send waits (events running) for the receive loop to pause, so an
    // Enter can arrive meanwhile: its command goes out after this one.
    vPending.push_back(command.toStdString());
    if (bSending)
        return;
    bSending = true;
    while (!vPending.empty() && bConnected) {
        const std::string next = std::move(vPending.front());
        vPending.pop_front();
        tLink.Send(next, TerminalLineEndBytes(tSettings.nLineEnd));
        // A silent sensor shows nothing at all: say that the command went
        // out and nothing came back.
        const unsigned long long received = tLink.Received();
        const unsigned connection = nConnection;
        QTimer::singleShot(NO_ANSWER_MS, this, [this, next, received, connection] {
            if (bConnected && connection == nConnection && tLink.Received() == received) {
                char text[TerminalLink::COMMAND_MAX + 32];
                std::snprintf(text, sizeof text, "no answer to '%s'", next.c_str());
                Notice(text);
            }
        });
    }
    vPending.clear();
    bSending = false;
}

void TerminalWindow::DlgMainClear()
{
    TakeReceived();
    tOutput.Clear();
    pOutputBox->OutputCleared();
}

void TerminalWindow::DlgMainSaveAs()
{
    FileDialogRequest request;
    request.vFilters = {{"All (*.*)", "*.*"}, {"Text file (*.txt)", "*.TXT"}};
    request.nFilter = 1;
    request.sDefaultExt = "txt";
    std::string path;
    if (!UiSaveFile(request, &path))
        return;
    if (FileExists(path.c_str())) {
        char question[APP_PATH_SIZE + 96];
        std::snprintf(question, sizeof question, "File '%s' already exists !\nDo you want to overwrite it ?",
                      path.c_str());
        if (!UiQuestion(MESSAGE_INFO, question))
            return;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        Error("Could not create file '%s' !", path.c_str());
        return;
    }
    const std::string& bytes = tOutput.Bytes();
    const size_t total = bytes.size();
    const size_t written = std::fwrite(bytes.data(), 1, total, f);
    const bool closed = std::fclose(f) == 0;
    if (written < total || !closed)
        Error("Only %u/%u write !", static_cast<unsigned>(closed ? written : 0), static_cast<unsigned>(total));
}

void TerminalWindow::OnClosed()
{
    // The receive loop is stopped and the port closed before the program ends.
    if (bConnected)
        DlgMainDisconnect();
}

