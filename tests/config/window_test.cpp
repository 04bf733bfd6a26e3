// The configuration window against the simulator: states, connection,
// apply, reload, reset, disconnect, unlock, the pages' reactions and the
// summary copy, all through the window's own controls.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "appmain.h"
#include "config_task.h"
#include "filedialog.h"
#include "page_widget.h"
#include "param_table.h"
#include "sensor_kind.h"
#include "serial.h"
#include "suitemenu.h"
#include "waitpump.h"
#include "window_fixture.h"
#include "window_probe.h"

namespace {

constexpr CtlId tIdentityIds[] = {CTL_MAIN_SENSOR,        CTL_MAIN_VERSION, CTL_MAIN_SN,   CTL_MAIN_HARDWARE,
                                  CTL_MAIN_FIRMWARE,      CTL_MAIN_MANUFACTURING, CTL_MAIN_VISA,
                                  CTL_MAIN_CONSO};
constexpr const char* tToolItems[] = {"Toolbox Menu...", "Terminal...", "Scope...", "Datalogger...", "Flash..."};

bool Contains(const std::vector<std::string>& v, const std::string& s)
{
    return std::find(v.begin(), v.end(), s) != v.end();
}

}  // namespace

TEST_F(ConfigWindowTest, StartsDisconnectedAndConnectShowsEveryPage)
{
    StartSim();
    OpenWindow({sim->PortPath()});
    QTabWidget* tabs = window->Tabs();
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "Home");
    for (CtlId id : tIdentityIds) {
        EXPECT_TRUE(Widget(id)->isHidden()) << id;
        EXPECT_TRUE(window->Control(id)->pCaption->isHidden()) << id;
    }
    for (const char* item : tToolItems)
        EXPECT_TRUE(window->MenuItem(item)->isEnabled()) << item;
    for (QPushButton* w : {window->ApplyButton(), window->ReloadButton(), window->ResetButton(),
                           window->DisconnectButton()})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(window->MenuItem("Import configuration...")->isEnabled());
    EXPECT_FALSE(window->MenuItem("Export configuration...")->isEnabled());
    EXPECT_TRUE(window->MenuButton()->isEnabled());
    EXPECT_EQ(window->windowTitle().toStdString(), std::string(szAppTitle));

    Click(window->ConnectButton());
    ASSERT_EQ(window->Operations().ChainResult(), 1) << messages->Last();
    EXPECT_TRUE(messages->Texts().empty()) << messages->Last();
    ASSERT_EQ(tabs->count(), PAGE_COUNT);
    for (int i = 0; i < PAGE_COUNT; i++) {
        EXPECT_EQ(tabs->tabText(i).toStdString(), tDlgMainTabInfo[i].szName);
        EXPECT_EQ(tabs->widget(i), window->Page(i));
        EXPECT_FALSE(tabs->tabIcon(i).isNull());
    }
    EXPECT_EQ(tabs->currentIndex(), PAGE_SUMMARY);
    for (CtlId id : tIdentityIds)
        EXPECT_FALSE(Widget(id)->isHidden()) << id;
    EXPECT_EQ(TextOf(CTL_MAIN_SENSOR), "KORVALIN");
    EXPECT_EQ(TextOf(CTL_MAIN_SN), sim->Param("sens-sn"));
    EXPECT_EQ(TextOf(CTL_MAIN_FIRMWARE), "3.45");
    EXPECT_EQ(TextOf(CTL_MAIN_VISA), sim->Param("hw-sn"));
    EXPECT_EQ(TextOf(CTL_MAIN_MANUFACTURING), sim->Param("sens-date"));
    EXPECT_NE(TextOf(CTL_MAIN_CONSO).find(" mA"), std::string::npos);
    EXPECT_NE(TextOf(CTL_SUMMARY_TEXT).find("out1-mode="), std::string::npos);
    for (const char* item : tToolItems)
        EXPECT_FALSE(window->MenuItem(item)->isEnabled()) << item;
    EXPECT_TRUE(window->MenuItem("Import configuration...")->isEnabled());
    EXPECT_TRUE(window->MenuItem("Export configuration...")->isEnabled());
    for (QWidget* w : {static_cast<QWidget*>(window->PortList()), static_cast<QWidget*>(window->RefreshButton()),
                       static_cast<QWidget*>(window->ConnectButton()), static_cast<QWidget*>(window->MenuButton())})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (QPushButton* w : {window->ApplyButton(), window->ReloadButton(), window->ResetButton(),
                           window->DisconnectButton()})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    // The menu's own items and "Debug" never change.
    EXPECT_TRUE(window->MenuItem("Quit")->isEnabled());
    EXPECT_TRUE(window->MenuItem("About...")->isEnabled());
    EXPECT_TRUE(window->DebugBox()->isEnabled());
}

TEST_F(ConfigWindowTest, ConnectWithoutAPortOrWithOneThatDoesNotOpen)
{
    StartSim();
    OpenWindow({sim->PortPath()});
    window->PortList()->setCurrentIndex(0);   // "Select..."
    Click(window->ConnectButton());
    EXPECT_EQ(messages->Last(), "E:No serial port selected !");
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(window->Tabs()->count(), 1);
    EXPECT_TRUE(Commands().empty());

    // The sensor's line goes away between the listing and the click.
    window->PortList()->setCurrentIndex(1);
    sim->Stop();
    const size_t before = messages->Count();
    Click(window->ConnectButton());
    EXPECT_GT(messages->Count(), before);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_FALSE(window->IsConnected());
    EXPECT_TRUE(window->ConnectButton()->isEnabled());
    EXPECT_FALSE(window->ApplyButton()->isEnabled());
}

TEST_F(ConfigWindowTest, ApplySendsTheEditedValuesAndShowsWhatTheSensorReadsBack)
{
    Connected();
    window->DlgMainTabSelect(PAGE_AVERAGING);
    // The user types a new measurement duration and picks other outputs.
    auto* m = static_cast<QLineEdit*>(Widget(CTL_AVG_M));
    m->selectAll();
    QTest::keyClicks(m, "1200");
    auto* c = static_cast<QLineEdit*>(Widget(CTL_AVG_C));
    c->selectAll();
    QTest::keyClicks(c, "120");
    EXPECT_EQ(TextOf(CTL_AVG_D), "4.2") << "the duty cycle follows the typing";
    const std::string consoBefore = TextOf(CTL_MAIN_CONSO);
    window->DlgMainTabSelect(PAGE_OUTPUTS);
    ClickControl(CTL_OUT1_DISABLED);
    ClickControl(CTL_OUT2_DISABLED);
    window->DlgMainTabSelect(PAGE_AVERAGING);
    EXPECT_NE(TextOf(CTL_MAIN_CONSO), consoBefore) << "no output draws less";

    Click(window->ApplyButton());
    ASSERT_EQ(window->Operations().ChainResult(), 1) << messages->Last();
    const std::vector<std::string> sent = Commands();
    EXPECT_TRUE(Contains(sent, "set out1-mode off"));
    EXPECT_TRUE(Contains(sent, "set out2-mode off"));
    // The averaging durations in their safe order, then the reboot and the
    // load that reads them back.
    const auto m1 = std::find(sent.begin(), sent.end(), "set avg-m 1200");
    ASSERT_NE(m1, sent.end());
    EXPECT_EQ(*(m1 - 2), "set avg-a 1");
    EXPECT_EQ(*(m1 - 1), "set avg-c 1");
    EXPECT_EQ(*(m1 + 1), "set avg-c 120");
    const auto reboot = std::find(sent.begin(), sent.end(), "reboot");
    ASSERT_NE(reboot, sent.end());
    EXPECT_NE(std::find(reboot, sent.end(), "get avg-m"), sent.end());
    EXPECT_EQ(sim->Param("avg-m"), "1200");
    EXPECT_EQ(TextOf(CTL_AVG_M), "1200");
    EXPECT_TRUE(Pages().Checked(CTL_OUT1_DISABLED));
    EXPECT_EQ(window->Tabs()->currentIndex(), PAGE_AVERAGING);
    EXPECT_TRUE(window->InputEnabled());
}

TEST_F(ConfigWindowTest, ATypoCannotBeTypedAndABadValueIsNamedWithNothingSent)
{
    Connected();
    window->DlgMainTabSelect(PAGE_AVERAGING);
    auto* m = static_cast<QLineEdit*>(Widget(CTL_AVG_M));
    m->selectAll();
    QTest::keyClicks(m, "600x");
    EXPECT_EQ(TextOf(CTL_AVG_M), "600") << "a number field takes no letter";
    auto* wc1 = static_cast<QLineEdit*>(Widget(CTL_LIN_WC1));
    wc1->selectAll();
    QTest::keyClicks(wc1, "-1.5e");
    EXPECT_EQ(TextOf(CTL_LIN_WC1), "-1.5");

    // What a file or a script put there is checked when it is applied.
    m->setText("600x");
    window->DlgMainTabSelect(PAGE_HOME);
    sim->ClearCommands();
    Click(window->ApplyButton());
    EXPECT_EQ(window->Operations().ChainResult(), 0);
    EXPECT_TRUE(sim->Commands().empty()) << "not even a wake-up";
    EXPECT_EQ(window->Tabs()->currentIndex(), PAGE_AVERAGING);
    EXPECT_EQ(m->window()->focusWidget(), m) << "the field to mend has the focus";
    EXPECT_EQ(messages->Last().rfind("E:Bad value in 'Measurement duration \"M\" (s)' on the page 'Averaging'", 0), 0u)
        << messages->Last();
    EXPECT_TRUE(window->IsConnected());
}

TEST_F(ConfigWindowTest, ALoadCutByAHangUpEndsDisconnected)
{
    StartSim();
    sim->SetAnswerDelayMs(20);
    OpenWindow({sim->PortPath()});
    QTest::mouseClick(window->ConnectButton(), Qt::LeftButton);
    // Pulled while the parameters are read.
    ASSERT_TRUE(UiWaitFor(
        [this] {
            const std::vector<std::string> c = sim->Commands();
            return std::find(c.begin(), c.end(), "get out2-mode") != c.end();
        },
        30000));
    sim->HangUp();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->Operations().ChainResult(), 0);
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(window->Tabs()->count(), 1);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_FALSE(window->ApplyButton()->isEnabled());
    EXPECT_TRUE(window->ConnectButton()->isEnabled());
    EXPECT_TRUE(window->InputEnabled());
}

TEST_F(ConfigWindowTest, ReloadKeepsTheTabResetAsksFirstDisconnectLocksAndGoesHome)
{
    Connected();
    window->DlgMainTabSelect(PAGE_EXPERT);
    sim->SetParam("misc-pwrdly", "250");
    Click(window->ReloadButton());
    EXPECT_EQ(TextOf(CTL_MISC_PWRDLY), "250");
    EXPECT_EQ(window->Tabs()->currentIndex(), PAGE_EXPERT);

    // "No": nothing goes to the sensor.
    sim->ClearCommands();
    nAnswer = 0;
    Click(window->ResetButton());
    ASSERT_EQ(vQuestions.size(), 1u);
    EXPECT_EQ(vQuestions[0], "Do you really want to reset all sensor parameters ?");
    EXPECT_TRUE(Commands().empty());

    nAnswer = 1;
    Click(window->ResetButton());
    const std::vector<std::string> sent = Commands();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0], "reset confirm");
    EXPECT_TRUE(Contains(sent, "get misc-pwrdly"));
    EXPECT_EQ(TextOf(CTL_MISC_PWRDLY), sim->Param("misc-pwrdly"));
    EXPECT_NE(TextOf(CTL_MISC_PWRDLY), "250") << "the defaults were read back";
    EXPECT_EQ(window->Tabs()->currentIndex(), PAGE_EXPERT);

    AnswerPassword("varn");
    Click(Widget(CTL_FACTORY_UNLOCK));
    ASSERT_EQ(bAdmin.load(), 1) << messages->Last();
    Click(window->DisconnectButton());
    EXPECT_EQ(bAdmin.load(), 0);
    EXPECT_FALSE(Pages().Enabled(CTL_SENS_SN));
    EXPECT_EQ(window->Tabs()->count(), 1);
    EXPECT_EQ(window->Tabs()->currentIndex(), PAGE_HOME);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_TRUE(Widget(CTL_MAIN_SENSOR)->isHidden());
    EXPECT_TRUE(window->ConnectButton()->isEnabled());
}

struct UnlockCase {
    const char* szKind;
    bool bPrimary;   // "Frs calibration factor" follows the unlock
    bool bWind;      // "Wind speed calibration factor" follows it
};

class ConfigUnlockTest : public ConfigWindowTest, public ::testing::WithParamInterface<UnlockCase> {};

TEST_P(ConfigUnlockTest, RightAndWrongPasswordThroughTheDialog)
{
    const UnlockCase& k = GetParam();
    Connected(k.szKind);
    window->DlgMainTabSelect(PAGE_FACTORY);
    constexpr CtlId always[] = {CTL_SENS_VERSION, CTL_SENS_DATE, CTL_SENS_SN, CTL_HW_VERSION, CTL_HW_DATE,
                                CTL_CALIB_DATE};
    for (CtlId id : always)
        EXPECT_FALSE(Pages().Enabled(id)) << id;

    AnswerPassword("wrong");
    Click(Widget(CTL_FACTORY_UNLOCK));
    EXPECT_TRUE(tPasswordSeen.bShown);
    EXPECT_EQ(tPasswordSeen.sTitle, "Administrator");
    EXPECT_EQ(tPasswordSeen.sLabel, "Password");
    EXPECT_TRUE(tPasswordSeen.bMasked);
    EXPECT_TRUE(tPasswordSeen.bOkDefault);
    EXPECT_EQ(tPasswordSeen.sCancel, "Annuler");
    EXPECT_TRUE(Contains(Commands(), "admin wrong"));
    EXPECT_EQ(bAdmin.load(), 0);
    ASSERT_FALSE(messages->Texts().empty());
    EXPECT_EQ(messages->Last().find("unlocked"), std::string::npos);
    for (CtlId id : always)
        EXPECT_FALSE(Pages().Enabled(id)) << id;

    AnswerPassword("varn");
    Click(Widget(CTL_FACTORY_UNLOCK));
    ASSERT_EQ(bAdmin.load(), 1) << messages->Last();
    EXPECT_EQ(messages->Last(), "I:Factory parameters are unlocked !");
    for (CtlId id : always)
        EXPECT_TRUE(Pages().Enabled(id)) << id;
    EXPECT_EQ(Pages().Enabled(CTL_CALIB_PRIMARY), k.bPrimary);
    EXPECT_EQ(Pages().Enabled(CTL_CALIB_WIND), k.bWind);

    // "Annuler" sends nothing and keeps the unlock (its message again).
    sim->ClearCommands();
    AnswerPassword("ignored", false);
    Click(Widget(CTL_FACTORY_UNLOCK));
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(bAdmin.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ConfigUnlockTest,
                         ::testing::Values(UnlockCase{"KORVALIN", true, true}, UnlockCase{"MESTRALO", true, false},
                                           UnlockCase{"PALVETRA", false, true}),
                         [](const ::testing::TestParamInfo<UnlockCase>& i) { return std::string(i.param.szKind); });

TEST_F(ConfigWindowTest, PageReactionsFollowTheUsersClicks)
{
    Connected();
    // SDI12: "Disabled" greys the address at once, any other choice enables it.
    window->DlgMainTabSelect(PAGE_SDI12);
    ClickControl(CTL_SDI12_DISABLED);
    EXPECT_FALSE(Pages().Enabled(CTL_SDI12_ADDR));
    ClickControl(CTL_SDI12_WIND);
    EXPECT_TRUE(Pages().Enabled(CTL_SDI12_ADDR));

    // Datalogger: the capacity line follows the mode and the boxes.
    window->DlgMainTabSelect(PAGE_DATALOGGER);
    ClickControl(CTL_LOGGER_DISABLED);
    EXPECT_EQ(TextOf(CTL_LOGGER_STATUS), "");
    ClickControl(CTL_LOGGER_ENABLED);
    for (int bit = 0; bit < 8; bit++)
        Pages().SetChecked(nLoggerFieldIds[bit], false);
    ClickControl(CTL_FIELD_5);
    EXPECT_EQ(TextOf(CTL_LOGGER_STATUS).rfind("Datalogger capacity : 65536 measures", 0), 0u)
        << TextOf(CTL_LOGGER_STATUS);

    // Expert: the clock list changes the consumption.
    window->DlgMainTabSelect(PAGE_EXPERT);
    const std::string before = TextOf(CTL_MAIN_CONSO);
    auto* clock = static_cast<QComboBox*>(Widget(CTL_SYS_SPEED));
    QTest::keyClick(clock, Qt::Key_End);   // "32 MHz", as the user picks it
    EXPECT_EQ(clock->currentIndex(), 3);
    EXPECT_NE(TextOf(CTL_MAIN_CONSO), before);
}

TEST_F(ConfigWindowTest, CopyPutsTheSummaryOnTheClipboard)
{
    Connected();
    QApplication::clipboard()->setText("before");
    Click(Widget(CTL_SUMMARY_COPY));
    const QString shown = static_cast<QPlainTextEdit*>(Widget(CTL_SUMMARY_TEXT))->toPlainText();
    EXPECT_EQ(QApplication::clipboard()->text(), shown);
    EXPECT_TRUE(shown.contains("out1-mode="));
    EXPECT_FALSE(shown.contains('\r'));
}

TEST_F(ConfigWindowTest, EveryKindsPagesFitTheWindowAtItsMinimumSize)
{
    for (const char* kind : {"KORVALIN", "DUVIKORN", "MESTRALO", "PALVETRA", "GRESTOLV"}) {
        SCOPED_TRACE(kind);
        Connected(kind);
        window->resize(window->minimumSizeHint());
        QApplication::processEvents();
        for (int i = 0; i < PAGE_COUNT; i++) {
            window->DlgMainTabSelect(i);
            QApplication::processEvents();
            PageWidget* page = window->Page(i);
            const QSize need = page->layout()->totalMinimumSize();
            EXPECT_LE(need.width(), page->width()) << tDlgMainTabInfo[i].szName;
            EXPECT_LE(need.height(), page->height()) << tDlgMainTabInfo[i].szName;
        }
        window.reset();
        hDlgMain = nullptr;
        sim.reset();
    }
}

TEST_F(ConfigWindowTest, ALoadThatFindsTheScopeModeDisconnectsTheWindow)
{
    StartSim();
    sim->SetParam("misc-scopemode", "yes");
    OpenWindow({sim->PortPath()});
    Click(window->ConnectButton());
    EXPECT_EQ(window->Operations().ChainResult(), 0);
    EXPECT_EQ(messages->Last(), "W:The scope mode of this sensor is currently enabled, please reboot the sensor !");
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(window->Tabs()->count(), 1);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_TRUE(window->ConnectButton()->isEnabled());
    EXPECT_TRUE(window->InputEnabled());
}

TEST_F(ConfigWindowTest, TheDebugModeQuestionSwitchesItOffAndLoadsAgain)
{
    StartSim();
    sim->SetParam("misc-dbg", "0x00FF");
    OpenWindow({sim->PortPath()});
    nAnswer = 1;
    Click(window->ConnectButton());
    ASSERT_EQ(vQuestions.size(), 1u);
    EXPECT_EQ(vQuestions[0],
              "The debug mode of this sensor is currently enabled !\nDo you want to disable debug mode now ?");
    const std::vector<std::string> sent = Commands();
    const auto off = std::find(sent.begin(), sent.end(), "debug all off");
    ASSERT_NE(off, sent.end());
    EXPECT_EQ(*(off + 1), "reboot");
    EXPECT_NE(std::find(off, sent.end(), "get sens-type"), sent.end()) << "a fresh load follows";
    EXPECT_EQ(sim->Param("misc-dbg"), "0x0000");
    EXPECT_EQ(window->Tabs()->currentIndex(), PAGE_SUMMARY);
    EXPECT_TRUE(window->InputEnabled());
}

TEST_F(ConfigWindowTest, MenusToolTipsAndFontsAsCreated)
{
    OpenWindow({});
    // Each menu's title in brackets, then its items in order, "-" for a separator.
    const std::vector<std::string> expected = {
        "[File]", "Import configuration...", "Export configuration...", "-", "Check for update at startup", "-",
        "Quit", "[Tools]", "Toolbox Menu...", "-", "Terminal...", "Scope...", "Datalogger...", "Flash...", "-",
        "Open application directory...", "[?]", "User Guide...", "-", "Check for Update...", "-", "About...",
    };
    EXPECT_EQ(MenuListing(window->menuBar()), expected);

    const std::vector<std::pair<QWidget*, const char*>> tips = {
        {window->PortList(), "Serial port list found on this system..."},
        {window->RefreshButton(), "Refresh serial port list..."},
        {window->DebugBox(), "Enable/Disable debug and log into file..."},
        {window->ConnectButton(), "Connect to the sensor plug in selected serial port..."},
        {window->DisconnectButton(), "Disconnect from sensor..."},
        {window->Tabs(), "Select configuration page..."},
        {window->ApplyButton(), "Send this configuration to sensor..."},
        {window->ReloadButton(), "Reload configuration from sensor..."},
        {window->ResetButton(), "Reset sensor to default configuration..."},
        {Widget(CTL_SUMMARY_COPY), "Copy this configuration summary to clipboard..."},
        {Widget(CTL_FACTORY_UNLOCK), "Unlock factory parameter to be able to change them..."},
    };
    for (const auto& [w, text] : tips)
        EXPECT_EQ(w->toolTip().toStdString(), text) << w->objectName().toStdString();

    for (CtlId id : tIdentityIds) {
        EXPECT_EQ(Widget(id)->font().pixelSize(), 14) << id;
        EXPECT_TRUE(Widget(id)->font().bold()) << id;
    }
    const QFont summary = Widget(CTL_SUMMARY_TEXT)->font();
    EXPECT_EQ(summary.pixelSize(), 16);
    const QFontMetrics fm(summary);
    EXPECT_EQ(fm.horizontalAdvance('i'), fm.horizontalAdvance('W')) << "a fixed-pitch face";
    EXPECT_EQ(static_cast<QLineEdit*>(Widget(CTL_MAIN_CONSO))->alignment() & Qt::AlignRight, Qt::AlignRight);
    QTabBar* bar = window->Tabs()->tabBar();
    EXPECT_GE(bar->tabRect(0).width(), 50);
    EXPECT_EQ(window->Tabs()->iconSize(), QSize(16, 16));
}

TEST_F(ConfigWindowTest, TheFileMenuExportsThePagesAndOpensTheImportDialog)
{
    Connected();
    const std::string path = dir.File("korvalin.varncfg");
    SetFileDialogHandler([path](FileDialogMode, const FileDialogRequest&, std::string* pPath) {
        *pPath = path;
        return true;
    });
    ProgressSeen seen;
    {
        WindowProbe probe(Watch(window.get(), &seen));
        window->MenuItem("Export configuration...")->trigger();
        EXPECT_TRUE(WaitIdle());
    }
    SetFileDialogHandler(nullptr);
    EXPECT_EQ(window->Operations().ChainResult(), 1) << messages->Last();
    EXPECT_EQ(seen.nMostVisible, 1);
    EXPECT_FALSE(seen.bInputWhileOpen);
    const std::string written = ReadFileText(path);
    EXPECT_NE(written.find("out1-mode=" + sim->Param("out1-mode")), std::string::npos) << written;
    EXPECT_NE(written.find("avg-m=" + sim->Param("avg-m")), std::string::npos);

    // "Import configuration..." shows its dialog over the window; closing
    // it imports nothing.
    bool shown = false;
    QTimer::singleShot(50, window.get(), [&] {
        if (QWidget* dlg = QApplication::activeModalWidget()) {
            shown = dlg->objectName() == "DlgImport" && dlg->parentWidget() == window.get();
            dlg->close();
        }
    });
    sim->ClearCommands();
    window->MenuItem("Import configuration...")->trigger();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(window->InputEnabled());
}
