// Suite menus built from tables, the Tools-menu convention and the About dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <memory>
#include <mutex>

#include "about.h"
#include "appframe.h"
#include "appmain.h"
#include "standin.h"
#include "suite.h"
#include "suitemenu.h"
#include "window_probe.h"

namespace {

// The program itself (the terminal) is in the table's Tools rows and must be
// left out of the built menu.
const MenuItem tMenu[] = {
    {"File", "Save as...", MENU_CUSTOM, true},
    {"File", "Check for update at startup", MENU_CHECK_STARTUP, true},
    {"File", "Quit", MENU_QUIT, false},
    {"Tools", nullptr, MENU_TOOL, false, PROGRAM_SCOPE},
    {"Tools", nullptr, MENU_TOOL, true, PROGRAM_TERMINAL},
    {"?", "Check for Update...", MENU_CHECK_UPDATE, true},
    {"?", "About...", MENU_ABOUT, false},
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_TERMINAL, app.Path().c_str());
        SetSuiteTodayHandler([] { return std::string("20261207"); });
        actions = BuildSuiteMenu(window.menuBar(), PROGRAM_TERMINAL, tMenu);
        hDlgMain = &window;
        window.show();
    }
    void TearDown() override
    {
        hDlgMain = nullptr;
        SetSuiteTodayHandler(nullptr);
    }

    TempDir app;
    MessageRecorder messages;
    QMainWindow window;
    MenuActions actions;
};

}  // namespace

TEST_F(MenuTest, TableGivesMenusItemsAndSeparators)
{
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(PlainMenuText(menus[0]->text()), "File");
    EXPECT_EQ(PlainMenuText(menus[2]->text()), "?");
    EXPECT_EQ(MenuItemTexts(menus[0]->menu()),
              (std::vector<std::string>{"Save as...", "-", "Check for update at startup", "-", "Quit"}));
    EXPECT_EQ(actions.size(), 6u);
    EXPECT_EQ(MenuItemTexts(menus[1]->menu()), (std::vector<std::string>{"Scope..."}));
    EXPECT_TRUE(IsToolMenuItem(actions.at("Scope...")));
    EXPECT_FALSE(IsToolMenuItem(actions.at("About...")));
    EXPECT_TRUE(actions.at("Check for update at startup")->isCheckable());
    EXPECT_FALSE(actions.at("Save as...")->isCheckable());
}

TEST_F(MenuTest, EveryMenuAndItemHasItsOwnMnemonicAndF10OpensTheBar)
{
    const QList<QAction*> menus = window.menuBar()->actions();
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Tools");
    EXPECT_EQ(menus[2]->text(), "&?");
    EXPECT_EQ(actions.at("Save as...")->text(), "&Save as...");
    EXPECT_EQ(actions.at("Check for update at startup")->text(), "&Check for update at startup");
    EXPECT_EQ(actions.at("Quit")->text(), "&Quit");
    EXPECT_EQ(actions.at("Check for Update...")->text(), "&Check for Update...");
    EXPECT_EQ(actions.at("About...")->text(), "&About...");
    // A taken letter moves to the next word, then to any letter; a '&' of
    // the text stays text.
    std::string used = "S";
    EXPECT_EQ(MnemonicText("Save picture as PNG...", &used), "Save &picture as PNG...");
    EXPECT_EQ(MnemonicText("Statistics", &used), "S&tatistics");
    EXPECT_EQ(MnemonicText("Sp", &used), "Sp");
    EXPECT_EQ(MnemonicText("R&D notes", &used), "&R&&D notes");
    EXPECT_EQ(PlainMenuText("&R&&D notes"), "R&D notes");

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F10);
    EXPECT_EQ(window.menuBar()->activeAction(), menus[0]);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
}

TEST_F(MenuTest, StartupCheckTicksAndTogglingTwiceRestoresIt)
{
    QAction* check = actions.at("Check for update at startup");
    UiStartupCheckUpdate(check);
    EXPECT_TRUE(check->isChecked());
    check->trigger();
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(ReadFileText(app.File(SUITE_UPDATE_MARKER)), "0|19700101");
    check->trigger();
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(ReadFileText(app.File(SUITE_UPDATE_MARKER)), "1|19700101");

    ASSERT_TRUE(FileWriteOk(app.File(SUITE_UPDATE_MARKER), "0|20260101"));
    UiStartupCheckUpdate(check);
    EXPECT_FALSE(check->isChecked());
}

TEST_F(MenuTest, MissingToolReportsAndTheWindowStays)
{
    actions.at("Scope...")->trigger();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"E:File '" + app.File("VARN-Scope") + "' not found !"});
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MenuTest, StartedToolClosesTheWindow)
{
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Scope"));
    actions.at("Scope...")->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Scope\ncwd=" + app.Path() + "\n\n");
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(MenuTest, CheckForUpdateStartsTheUpdaterAndStays)
{
    actions.at("Check for Update...")->trigger();
    EXPECT_EQ(messages.Last(), "E:File '" + app.File("VARN-Update") + "' not found !");
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Update"));
    actions.at("Check for Update...")->trigger();
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
    EXPECT_TRUE(window.isVisible());
}

TEST(About, ShowsTitleNoticeAndAWorkingLink)
{
    TempDir app;
    AppStartupFrameIn(PROGRAM_TERMINAL, app.Path().c_str());
    std::mutex m;
    std::vector<std::string> opened;
    SetDesktopOpenHandler([&](const std::string& target) {
        std::lock_guard<std::mutex> lock(m);
        opened.push_back(target);
        return true;
    });
    std::unique_ptr<QDialog> dlg(UiCreateAboutDialog(nullptr));
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), "About");
    EXPECT_EQ(dlg->minimumSize(), dlg->maximumSize());   // fixed size

    auto* title = dlg->findChild<QLabel*>("aboutTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text().toStdString(), szAppTitle);
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->font().pixelSize(), 16);
    auto* notice = dlg->findChild<QLabel*>("aboutNotice");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->palette().color(QPalette::WindowText), QColor(127, 127, 127));

    // The logo's white backdrop is keyed away.
    auto* picture = dlg->findChild<QLabel*>("aboutPicture");
    ASSERT_NE(picture, nullptr);
    const QImage logo = picture->pixmap().toImage();
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(qAlpha(logo.pixel(0, 0)), 0);

    auto* link = dlg->findChild<QLabel*>("aboutLink");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(link, Qt::LeftButton);
    {
        std::lock_guard<std::mutex> lock(m);
        EXPECT_EQ(opened, std::vector<std::string>{std::string("http://") + szAboutWebAddress});
    }
    SetDesktopOpenHandler(nullptr);
}
