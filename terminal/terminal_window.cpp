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
#include "fileutil.h"
#include "log.h"
#include "winutil.h"

namespace {

constexpr int kClientWidth = 720;        // client size the window opens with
constexpr int kClientHeight = 460;
constexpr int kMinWidth = 550;           // smallest window the layout still fits
constexpr int kMinHeight = 300;
constexpr int kPortListWidth = 136;      // port list width in the smallest window
constexpr int kPortListGrowth = 240;     // at most this much wider in a wider window
constexpr int kCommandMax = static_cast<int>(TerminalLink::COMMAND_MAX);
constexpr int kOutputFormatSize = 4096;  // DlgMainOutput's formatted text

const MenuItem tTerminalMenu[] = {
    {"File", "Save as...", MENU_CUSTOM, true},
    {"File", "Clear terminal", MENU_CUSTOM, true},
    {"File", "Check for update at startup", MENU_CHECK_STARTUP, true},
    {"File", "Quit", MENU_QUIT, false},
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

TerminalWindow::TerminalWindow(QWidget* pParent) : ToolWindow(PROGRAM_TERMINAL, pParent)
{
    setObjectName("terminalWindow");
    CreateControls();
    CreateMenu(tTerminalMenu);
    connect(MenuItem("Save as..."), &QAction::triggered, this, [this] { DlgMainSaveAs(); });
    connect(MenuItem("Clear terminal"), &QAction::triggered, this, [this] { DlgMainClear(); });

    for (const ToolTip& t : tToolTips)
        SetToolTip(this, t.szControl, t.szText);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    FinishCreate();
}

TerminalWindow::~TerminalWindow()
{
    if (bConnected)
        DlgMainDisconnect();
    EndWork();
}

void TerminalWindow::CreateControls()
{
    pClient = new QWidget(this);
    setCentralWidget(pClient);
    pClient->installEventFilter(this);

    auto place = [](QWidget* w, int x, int y, int width, int height) { w->setGeometry(x, y, width, height); };
    // The top row is laid out for the smallest window (550 pixels); the
    // port list widens with the window (Linux port paths are long) and the
    // controls right of it follow. The kit's row layout is not used.
    PortRowSpec row;
    row.szLabel = "Serial port";
    row.bConnectButtons = true;
    row.bDebugIdleOnly = false;
    delete CreatePortRow(pClient, row);
    place(PortLabel(), 8, 10, 62, 22);
    place(PortList(), 74, 9, kPortListWidth, 24);
    PortList()->view()->setMinimumWidth(320);
    place(RefreshButton(), 214, 9, 24, 24);
    place(DebugBox(), 246, 10, 62, 22);
    place(ConnectButton(), 312, 8, 76, 26);
    place(DisconnectButton(), 392, 8, 78, 26);
    place(MenuButton(), kClientWidth - 8 - 66, 8, 66, 26);
    for (QWidget* w : {static_cast<QWidget*>(RefreshButton()), static_cast<QWidget*>(DebugBox()),
                       static_cast<QWidget*>(ConnectButton()), static_cast<QWidget*>(DisconnectButton())})
        vFollowPortList.push_back({w, w->x()});

    pOutputBox = new QPlainTextEdit(pClient);
    pOutputBox->setObjectName("outputBox");
    place(pOutputBox, 8, 42, kClientWidth - 16, kClientHeight - 42 - 8 - 26 - 8);
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
    pCommandLabel->setObjectName("commandLabel");
    place(pCommandLabel, 8, kClientHeight - 22 - 8 - 2, 60, 22);
    pCommandLine = new QComboBox(pClient);
    pCommandLine->setObjectName("commandLine");
    place(pCommandLine, 76, kClientHeight - 26 - 8, kClientWidth - 76 - 8 - 70 - 8, 26);
    pCommandLine->setEditable(true);
    pCommandLine->setInsertPolicy(QComboBox::NoInsert);
    pCommandLine->setMaxCount(INT_MAX);
    pCommandLine->lineEdit()->setMaxLength(kCommandMax);
    // No inline completion from the history: Enter must send exactly what
    // was typed, not a longer remembered command.
    pCommandLine->setCompleter(nullptr);
    pSend = new QPushButton("Send", pClient);
    pSend->setObjectName("sendButton");
    place(pSend, kClientWidth - 8 - 70, kClientHeight - 26 - 8, 70, 26);
    // "Send" is the default action: Enter in the command line sends (see
    // eventFilter; default buttons are a dialog's).
    AddBusyOnly({pCommandLine, pSend});

    connect(ConnectButton(), &QPushButton::clicked, this, [this] { DlgMainConnect(); });
    connect(DisconnectButton(), &QPushButton::clicked, this, [this] { DlgMainDisconnect(); });
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
    return ToolWindow::eventFilter(pObject, pEvent);
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
    const int grow = std::clamp(W - kMinWidth, 0, kPortListGrowth);
    PortList()->resize(kPortListWidth + grow, PortList()->height());
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

int TerminalWindow::DlgMainConnect()
{
    Log("%s", szAppTitle);
    if (PortList()->currentIndex() <= 0)
        return Error("No serial port selected !");
    const QByteArray port = PortList()->currentText().toLocal8Bit();
    if (port.size() >= APP_PATH_SIZE)
        return Error("Could not open serial port '%s' !", port.left(APP_PATH_SIZE - 1).constData());
    if (!tLink.Open(port.constData()))
        return 0;
    DlgMainOutput("Serial port '%s' open !\r\n", port.constData());

    tLink.StartReceive(
        [this](const char* pBytes, unsigned uSize) { RunOnWindowThread([&] { DlgMainAppend(pBytes, uSize); }); },
        [this] {
            // The adapter is gone: say so once and let the window disconnect.
            RunOnWindowThread([this] {
                DlgMainOutput("Serial port connection lost !\r\n");
                QMetaObject::invokeMethod(
                    this, [this] { if (bConnected) DlgMainDisconnect(); }, Qt::QueuedConnection);
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
    const QByteArray command = pCommandLine->currentText().toLocal8Bit().left(kCommandMax);
    if (!command.isEmpty())
        pCommandLine->addItem(QString::fromLocal8Bit(command));
    tLink.Send(command.toStdString());
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

void TerminalWindow::OnClosed()
{
    // The receive loop is stopped and the port closed before the program ends.
    if (bConnected)
        DlgMainDisconnect();
}
