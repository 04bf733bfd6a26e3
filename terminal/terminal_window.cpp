#include "terminal_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "appframe.h"
#include "event.h"
#include "fileutil.h"
#include "log.h"
#include "sensor.h"
#include "serial.h"
#include "winutil.h"

namespace {

constexpr int kClientWidth = 720;        // client size the window opens with
constexpr int kClientHeight = 460;
constexpr int kMinWidth = 550;           // smallest window the layout still fits
constexpr int kMinHeight = 300;
constexpr int kPortListWidth = 136;      // port list width in the smallest window
constexpr int kPortListGrowth = 240;     // at most this much wider in a wider window
constexpr unsigned kReceiveSize = 2048;  // bytes per read of the receive thread
constexpr int kCommandMax = 2047;        // longest command text sent
constexpr int kOutputFormatSize = 4096;  // DlgMainOutput's formatted text
constexpr unsigned kStopWaitMs = 1000;   // longest wait for the receive thread
constexpr unsigned kFailedReadPauseMs = 50;   // pause after a read that failed at once

const MenuItem tTerminalMenu[] = {
    {"File", "Save as...", MENU_CUSTOM, true, nullptr},
    {"File", "Clear terminal", MENU_CUSTOM, true, nullptr},
    {"File", "Check for update at startup", MENU_CHECK_STARTUP, true, nullptr},
    {"File", "Quit", MENU_QUIT, false, nullptr},
    {"Tools", "Toolbox Menu...", MENU_TOOL, true, "VARN-Toolbox"},
    {"Tools", "Scope...", MENU_TOOL, false, "VARN-Scope"},
    {"Tools", "Datalogger...", MENU_TOOL, false, "VARN-Datalogger"},
    {"Tools", "Configuration...", MENU_TOOL, false, "VARN-Config"},
    {"Tools", "Flash...", MENU_TOOL, true, "VARN-Flash"},
    {"Tools", "Open application directory...", MENU_OPEN_APPDIR, false, nullptr},
    {"?", "User Guide...", MENU_USER_GUIDE, true, nullptr},
    {"?", "Programming Examples...", MENU_EXAMPLES, true, nullptr},
    {"?", "Check for Update...", MENU_CHECK_UPDATE, true, nullptr},
    {"?", "About...", MENU_ABOUT, false, nullptr},
};

// Items that start a sibling tool: only while the port is free.
const char* const tToolItems[] = {"Toolbox Menu...", "Scope...", "Datalogger...", "Configuration...", "Flash..."};

struct ToolTip {
    const char* szControl;
    const char* szText;
};
const ToolTip tToolTips[] = {
    {"portList", "Serial port list found on this system..."},
    {"refreshButton", "Refresh serial port list..."},
    {"debugBox", "Enable/Disable debug and log into file..."},
    {"connectButton", "Connect to the sensor plug in selected serial port..."},
    {"disconnectButton", "Disconnect from sensor..."},
    {"outputBox", "Terminal command output..."},
    {"commandLine", "Terminal command input history..."},
    {"sendButton", "Send command to sensor..."},
};

// A 16x16 circular arrow for the refresh button.
QIcon RefreshIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c(30, 100, 170);
    p.setPen(QPen(c, 2));
    p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 270 * 16);
    QPainterPath head;
    head.moveTo(9, 0.5);
    head.lineTo(14, 3.5);
    head.lineTo(9, 7);
    head.closeSubpath();
    p.fillPath(head, c);
    return QIcon(pm);
}

// Display text of received bytes: 8-bit characters, CR LF, lone CR and lone
// LF each as one line break (a CR LF split over two reads too, through
// bAfterCr), zero bytes left out.
QString DisplayText(const char* pBytes, size_t uSize, bool bAfterCr)
{
    QString text;
    text.reserve(static_cast<int>(uSize));
    for (size_t i = 0; i < uSize; i++) {
        const unsigned char c = static_cast<unsigned char>(pBytes[i]);
        if (c == '\n') {
            if (!bAfterCr)
                text += QChar('\n');
        } else if (c == '\r') {
            text += QChar('\n');
        } else if (c != 0) {
            text += QChar(c);
        }
        bAfterCr = c == '\r';
    }
    return text;
}

}  // namespace

TerminalWindow::TerminalWindow(QWidget* pParent) : QMainWindow(pParent)
{
    setObjectName("terminalWindow");
    setWindowTitle(QString::fromLocal8Bit(szAppTitle));
    CreateControls();
    tMenu = BuildSuiteMenu(menuBar(), tTerminalMenu);
    connect(tMenu["Save as..."], &QAction::triggered, this, [this] { DlgMainSaveAs(); });
    connect(tMenu["Clear terminal"], &QAction::triggered, this, [this] { DlgMainClear(); });

    for (const ToolTip& t : tToolTips)
        SetToolTip(this, t.szControl, t.szText);
    DlgMainRefreshPorts();
    DlgMainStatus(0);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    UiStartupCheckUpdate(tMenu["Check for update at startup"]);
}

TerminalWindow::~TerminalWindow()
{
    if (bConnected)
        DlgMainDisconnect();
    StopReceive();
}

void TerminalWindow::CreateControls()
{
    pClient = new QWidget(this);
    setCentralWidget(pClient);
    pClient->installEventFilter(this);

    auto place = [](QWidget* w, const char* name, int x, int y, int width, int height) {
        w->setObjectName(name);
        w->setGeometry(x, y, width, height);
    };
    // The top row is laid out for the smallest window (550 pixels); the
    // port list widens with the window (Linux port paths are long) and the
    // controls right of it follow.
    pPortLabel = new QLabel("Serial port", pClient);
    place(pPortLabel, "portLabel", 8, 10, 62, 22);
    pPortList = new QComboBox(pClient);
    place(pPortList, "portList", 74, 9, kPortListWidth, 24);
    pPortList->view()->setMinimumWidth(320);
    pRefresh = new QToolButton(pClient);
    place(pRefresh, "refreshButton", 214, 9, 24, 24);
    pRefresh->setIcon(RefreshIcon());
    pRefresh->setIconSize(QSize(16, 16));
    pDebug = new QCheckBox("Debug", pClient);
    place(pDebug, "debugBox", 246, 10, 62, 22);
    pConnect = new QPushButton("Connect", pClient);
    place(pConnect, "connectButton", 312, 8, 76, 26);
    pDisconnect = new QPushButton("Disconnect", pClient);
    place(pDisconnect, "disconnectButton", 392, 8, 78, 26);
    pMenuButton = new QPushButton("Menu >>", pClient);
    place(pMenuButton, "menuButton", kClientWidth - 8 - 66, 8, 66, 26);
    for (QWidget* w : {static_cast<QWidget*>(pRefresh), static_cast<QWidget*>(pDebug),
                       static_cast<QWidget*>(pConnect), static_cast<QWidget*>(pDisconnect)})
        vFollowPortList.push_back({w, w->x()});

    pOutputBox = new QPlainTextEdit(pClient);
    place(pOutputBox, "outputBox", 8, 42, kClientWidth - 16, kClientHeight - 42 - 8 - 26 - 8);
    pOutputBox->setReadOnly(true);
    pOutputBox->setMaximumBlockCount(0);
    pOutputBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono("Courier New");
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    mono.setPixelSize(16);
    mono.setWeight(QFont::Normal);
    pOutputBox->setFont(mono);
    QPalette pal = pOutputBox->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    pOutputBox->setPalette(pal);

    pCommandLabel = new QLabel("Command", pClient);
    place(pCommandLabel, "commandLabel", 8, kClientHeight - 22 - 8 - 2, 60, 22);
    pCommandLine = new QComboBox(pClient);
    place(pCommandLine, "commandLine", 76, kClientHeight - 26 - 8, kClientWidth - 76 - 8 - 70 - 8, 26);
    pCommandLine->setEditable(true);
    pCommandLine->setInsertPolicy(QComboBox::NoInsert);
    pCommandLine->setMaxCount(INT_MAX);
    pCommandLine->lineEdit()->setMaxLength(kCommandMax);
    // No inline completion from the history: Enter must send exactly what
    // was typed, not a longer remembered command.
    pCommandLine->setCompleter(nullptr);
    pSend = new QPushButton("Send", pClient);
    place(pSend, "sendButton", kClientWidth - 8 - 70, kClientHeight - 26 - 8, 70, 26);
    // "Send" is the default action: Enter in the command line sends (see
    // eventFilter; default buttons are a dialog's).

    connect(pRefresh, &QToolButton::clicked, this, [this] { DlgMainRefreshPorts(); });
    connect(pDebug, &QCheckBox::toggled, this, [](bool on) { bLogEnabled = on ? 1 : 0; });
    connect(pConnect, &QPushButton::clicked, this, [this] { DlgMainConnect(); });
    connect(pDisconnect, &QPushButton::clicked, this, [this] { DlgMainDisconnect(); });
    connect(pMenuButton, &QPushButton::clicked, this, [] { UiStartTool("VARN-Toolbox"); });
    connect(pSend, &QPushButton::clicked, this, [this] { DlgMainSend(); });
    // Enter is taken from the command line itself: an editable combo box
    // hands an unused Return to its line edit a second time, so its
    // returnPressed fires twice.
    pCommandLine->lineEdit()->installEventFilter(this);
}

bool TerminalWindow::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (pObject == pClient && pEvent->type() == QEvent::Resize)
        LayoutControls(pClient->width(), pClient->height());
    if (pCommandLine != nullptr && pObject == pCommandLine->lineEdit() && pEvent->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(pEvent)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            DlgMainSend();
            return true;
        }
    }
    return QMainWindow::eventFilter(pObject, pEvent);
}

void TerminalWindow::LayoutControls(int W, int H)
{
    QRect menu, label, send, line, output;
    GetWindowPos(pOutputBox, &output);
    const int m = output.left();
    GetWindowPos(pMenuButton, &menu);
    GetWindowPos(pCommandLabel, &label);
    GetWindowPos(pSend, &send);
    GetWindowPos(pCommandLine, &line);

    pMenuButton->move(W - menu.width() - m, menu.top());
    const int grow = std::clamp(W - kMinWidth, 0, kPortListGrowth);
    pPortList->resize(kPortListWidth + grow, pPortList->height());
    for (const auto& [w, x] : vFollowPortList)
        w->move(x + grow, w->y());
    pCommandLabel->move(m, H - label.height() - m - 2);
    const int sendX = W - send.width() - m;
    pSend->move(sendX, H - send.height() - m);
    const int lineX = m + label.width() + m;
    const int lineY = H - line.height() - m;
    pCommandLine->setGeometry(lineX, lineY, std::max(0, sendX - lineX - m), line.height());
    pOutputBox->setGeometry(m, output.top(), std::max(0, W - 2 * m), std::max(0, lineY - output.top() - m));
}

QAction* TerminalWindow::MenuItemAction(const char* szText) const
{
    auto it = tMenu.find(szText);
    return it != tMenu.end() ? it->second : nullptr;
}

void TerminalWindow::DlgMainRefreshPorts()
{
    FillPortList(pPortList);
}

void TerminalWindow::DlgMainStatus(int bOn)
{
    for (const char* item : tToolItems) {
        if (QAction* a = MenuItemAction(item))
            a->setEnabled(!bOn);
    }
    for (QWidget* w : {static_cast<QWidget*>(pPortList), static_cast<QWidget*>(pRefresh),
                       static_cast<QWidget*>(pConnect), static_cast<QWidget*>(pMenuButton)})
        w->setEnabled(!bOn);
    for (QWidget* w : {static_cast<QWidget*>(pDisconnect), static_cast<QWidget*>(pCommandLine),
                       static_cast<QWidget*>(pSend)})
        w->setEnabled(bOn != 0);
}

int TerminalWindow::DlgMainConnect()
{
    Log("%s", szAppTitle);
    if (pPortList->currentIndex() <= 0)
        return Error("No serial port selected !");
    const QByteArray port = pPortList->currentText().toLocal8Bit();
    if (port.size() >= APP_PATH_SIZE)
        return Error("Could not open serial port '%s' !", port.left(APP_PATH_SIZE - 1).constData());
    if (!SerialOpen(port.constData()))
        return 0;
    DlgMainOutput("Serial port '%s' open !\r\n", port.constData());

    bStopRecv = false;
    bRecvDone = false;
    try {
        hThreadRecv = std::thread([this] { ReceiveFn(); });
    } catch (const std::system_error&) {
        bRecvDone = true;
        Error("Could not create receive thread !");
    }
    bConnected = true;
    DlgMainStatus(1);
    pCommandLine->setFocus();
    return 1;
}

void TerminalWindow::ReceiveFn()
{
    std::vector<char> buffer(kReceiveSize);
    while (!bStopRecv) {
        const unsigned long long began = TickCountMs();
        const unsigned n = SerialRead(buffer.data(), kReceiveSize);
        if (n > 0) {
            RunOnWindowThread([&] { DlgMainAppend(buffer.data(), n); });
            continue;
        }
        if (!SerialIsHungUp()) {
            // An empty read normally took the whole time-out; one that failed
            // at once is not repeated at full speed.
            if (TickCountMs() - began < kFailedReadPauseMs)
                std::this_thread::sleep_for(std::chrono::milliseconds(kFailedReadPauseMs));
            continue;
        }
        // The adapter is gone: say so once and let the window disconnect.
        RunOnWindowThread([this] {
            DlgMainOutput("Serial port connection lost !\r\n");
            QMetaObject::invokeMethod(
                this, [this] { if (bConnected) DlgMainDisconnect(); }, Qt::QueuedConnection);
        });
        break;
    }
    bRecvDone = true;
}

void TerminalWindow::StopReceive()
{
    if (!hThreadRecv.joinable())
        return;
    bStopRecv = true;
    // The thread may be waiting in RunOnWindowThread for this thread, so the
    // window's events keep running while it ends (within one read time-out).
    while (!UiWaitFor([this] { return bRecvDone.load(); }, kStopWaitMs))
        Log("Waiting for the receive thread...");
    hThreadRecv.join();
}

void TerminalWindow::DlgMainDisconnect()
{
    // Waiting for the receive thread runs the window's events, which may
    // hold a queued disconnect of a hung-up line: that one finds us busy.
    if (!bConnected || bDisconnecting)
        return;
    bDisconnecting = true;
    StopReceive();
    SerialClose();
    bConnected = false;
    bDisconnecting = false;
    DlgMainOutput("Serial port closed !\r\n");
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

void TerminalWindow::DlgMainAppend(const char* pBytes, size_t uSize)
{
    if (uSize == 0)
        return;
    const bool afterCr = !sOutput.empty() && sOutput.back() == '\r';
    for (size_t i = 0; i < uSize; i++) {
        if (pBytes[i] != '\0')
            sOutput += pBytes[i];
    }
    const QString text = DisplayText(pBytes, uSize, afterCr);
    if (text.isEmpty())
        return;

    // Append at the end without disturbing what the user selected (a
    // cursor at the very end would move along with the new text), then
    // show the end.
    QTextCursor user = pOutputBox->textCursor();
    const int anchor = user.anchor(), position = user.position();
    QTextCursor end(pOutputBox->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    user = pOutputBox->textCursor();
    if (user.anchor() != anchor || user.position() != position) {
        user.setPosition(anchor);
        user.setPosition(position, QTextCursor::KeepAnchor);
        pOutputBox->setTextCursor(user);
    }
    QScrollBar* bar = pOutputBox->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TerminalWindow::DlgMainSend()
{
    if (!bConnected)
        return;
    QByteArray command = pCommandLine->currentText().toLocal8Bit().left(kCommandMax);
    if (!command.isEmpty())
        pCommandLine->addItem(QString::fromLocal8Bit(command));
    command.append('\r');
    SensorWakeup();
    SerialWrite(command.constData(), static_cast<unsigned>(command.size()));
    pCommandLine->setCurrentIndex(-1);
    pCommandLine->clearEditText();
}

void TerminalWindow::DlgMainClear()
{
    pOutputBox->clear();
    sOutput.clear();
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
    const size_t total = sOutput.size();
    const size_t written = std::fwrite(sOutput.data(), 1, total, f);
    const bool closed = std::fclose(f) == 0;
    if (written < total || !closed)
        Error("Only %u/%u write !", static_cast<unsigned>(closed ? written : 0), static_cast<unsigned>(total));
}

void TerminalWindow::closeEvent(QCloseEvent* pEvent)
{
    // The receive thread is stopped and the port closed before the program ends.
    if (bConnected)
        DlgMainDisconnect();
    pEvent->accept();
}
