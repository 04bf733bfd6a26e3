#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "appframe.h"
#include "appmain.h"
#include "config_task.h"
#include "msgbox.h"
#include "page_widget.h"
#include "password_dialog.h"
#include "portlist.h"
#include "sensor_kind.h"
#include "serial.h"
#include "waitpump.h"

namespace {

// The simulator answers at once; the bounds leave room for a loaded
// machine, where a 100 ms parameter read can run out before the answer.
constexpr unsigned TEST_IDENTIFY_MS = 200;
constexpr unsigned TEST_PARAMETER_MS = 1000;
constexpr unsigned TEST_REBOOT_WAIT_MS = 150;
constexpr unsigned TEST_WAIT_MS = 60000;

}  // namespace

void ConfigWindowTest::SetUp()
{
    AppStartupFrameIn(PROGRAM_CONFIG, dir.Path().c_str());
    ConfigResetState();
    messages = std::make_unique<MessageRecorder>();
    tConfigTimeouts.uIdentifyMs = TEST_IDENTIFY_MS;
    tConfigTimeouts.uParameterMs = TEST_PARAMETER_MS;
    tConfigTimeouts.uRebootWaitMs = TEST_REBOOT_WAIT_MS;
    SetPortCandidatesHandler([this] { return vPorts; });
    SetQuestionHandler([this](MessageKind, const std::string& sText) {
        vQuestions.push_back(sText);
        return nAnswer;
    });
}

void ConfigWindowTest::TearDown()
{
    window.reset();
    hDlgMain = nullptr;
    SerialClose();
    if (sim)
        sim->Stop();
    sim.reset();
    SetPortCandidatesHandler(nullptr);
    SetQuestionHandler(nullptr);
    tConfigTimeouts = ConfigTimeouts();
    messages.reset();
}

void ConfigWindowTest::StartSim(const std::string& sKind, const std::string& sFirmware)
{
    varnsim::Options o;
    o.kind = sKind;
    o.fwVersion = sFirmware;
    o.paced = false;
    o.bootWindowMs = 0;
    o.rebootMs = 50;
    sim = std::make_unique<varnsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->Start(&error)) << error;
}

void ConfigWindowTest::OpenWindow(std::vector<std::string> vPortList)
{
    vPorts = std::move(vPortList);
    window = std::make_unique<ConfigWindow>();
    hDlgMain = window.get();
    window->show();
}

void ConfigWindowTest::Connected(const std::string& sKind)
{
    StartSim(sKind);
    OpenWindow({sim->PortPath()});
    Click(window->ConnectButton());
    ASSERT_TRUE(window->IsConnected()) << messages->Last();
    ASSERT_EQ(window->Operations().ChainResult(), 1) << messages->Last();
    sim->ClearCommands();
}

void ConfigWindowTest::Click(QWidget* pButton)
{
    ASSERT_NE(pButton, nullptr);
    // A control of a page is clicked on its page, as the user sees it.
    for (QWidget* w = pButton; w != nullptr; w = w->parentWidget())
        if (auto* page = qobject_cast<PageWidget*>(w))
            window->DlgMainTabSelect(page->Page());
    ASSERT_TRUE(pButton->isEnabled()) << pButton->objectName().toStdString();
    QTest::mouseClick(pButton, Qt::LeftButton);
    EXPECT_TRUE(WaitIdle());
}

void ConfigWindowTest::ClickControl(CtlId nId)
{
    QWidget* w = Widget(nId);
    ASSERT_NE(w, nullptr);
    const bool box = tConfigControls[nId].nKind == CTL_KIND_RADIO || tConfigControls[nId].nKind == CTL_KIND_CHECK;
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, box ? QPoint(8, w->height() / 2) : w->rect().center());
}

bool ConfigWindowTest::WaitIdle()
{
    // The worker's last call (the progress window's close) comes back
    // through the events pumped here.
    return window->Operations().WaitIdle(TEST_WAIT_MS) && UiWaitFor([this] { return window->InputEnabled(); }, 5000);
}

QWidget* ConfigWindowTest::Widget(CtlId nId)
{
    const PageControl* c = window->Control(nId);
    EXPECT_NE(c, nullptr) << nId;
    return c != nullptr ? c->pWidget : nullptr;
}

std::string ConfigWindowTest::TextOf(CtlId nId)
{
    return Pages().Text(nId);
}

std::vector<std::string> ConfigWindowTest::Commands() const
{
    std::vector<std::string> v;
    for (const std::string& c : sim->Commands())
        if (c != "wakeup!")
            v.push_back(c);
    return v;
}

void ConfigWindowTest::AnswerPassword(const std::string& sText, bool bOk)
{
    tPasswordSeen = PasswordSeen();
    auto* timer = new QTimer(window.get());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, sText, bOk] {
        PasswordDialog* dlg = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<PasswordDialog*>(w); d != nullptr && d->isVisible())
                dlg = d;
        if (dlg == nullptr)
            return;
        timer->stop();
        tPasswordSeen.bShown = true;
        tPasswordSeen.sTitle = dlg->windowTitle();
        if (QLabel* label = dlg->findChild<QLabel*>())
            tPasswordSeen.sLabel = label->text();
        tPasswordSeen.bMasked = dlg->Field()->echoMode() == QLineEdit::Password;
        tPasswordSeen.bOkDefault = dlg->OkButton()->isDefault();
        tPasswordSeen.sCancel = dlg->CancelButton()->text();
        QTest::keyClicks(dlg->Field(), QString::fromUtf8(sText.c_str()));
        if (bOk)
            QTest::keyClick(dlg->Field(), Qt::Key_Return);   // the default button
        else
            dlg->CancelButton()->click();
        timer->deleteLater();
    });
    timer->start();
}

std::function<void()> Watch(ConfigWindow* pWindow, ProgressSeen* pSeen)
{
    return [pWindow, pSeen] {
        int visible = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "DlgPrg" && w->isVisible())
                visible++;
        pSeen->nMostVisible = std::max(pSeen->nMostVisible, visible);
        ProgressWindow* prg = pWindow->Progress().Window();
        if (prg == nullptr || !prg->isVisible())
            return;
        const std::string title = prg->windowTitle().toStdString();
        if (pSeen->vTitles.empty() || pSeen->vTitles.back() != title)
            pSeen->vTitles.push_back(title);
        if (pWindow->InputEnabled())
            pSeen->bInputWhileOpen = true;
        const QPoint offset = prg->frameGeometry().center() - pWindow->frameGeometry().center();
        if (offset.manhattanLength() > 4)
            pSeen->bCentred = false;
        pSeen->nLastValue = prg->Bar()->value();
    };
}


class WindowProbe::Impl {
public:
    QTimer tTimer;
};

WindowProbe::WindowProbe(std::function<void()> fn) : pImpl(std::make_unique<Impl>())
{
    pImpl->tTimer.setInterval(0);
    QObject::connect(&pImpl->tTimer, &QTimer::timeout, fn);
    pImpl->tTimer.start();
}

WindowProbe::~WindowProbe() = default;
