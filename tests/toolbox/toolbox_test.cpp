// The launcher as a user meets it: the pointer over items, clicks on any
// part of an item, what stays open, the blue titles, the menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <memory>

#include "appframe.h"
#include "appmain.h"
#include "standin.h"
#include "suitemenu.h"
#include "test_support.h"
#include "toolbox_window.h"
#include "window_probe.h"
#include "winutil.h"

namespace {

class ToolboxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_TOOLBOX, app.Path().c_str());
        // Updates checked today already: nothing starts on its own.
        ASSERT_TRUE(FileWriteOk(app.File("VARN-Update.check"), "1|" + Today()));
        window = std::make_unique<ToolboxWindow>();
        hDlgMain = window.get();
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        window.reset();
        hDlgMain = nullptr;
    }
    static std::string Today()
    {
        char day[16];
        const time_t now = time(nullptr);
        strftime(day, sizeof day, "%Y%m%d", localtime(&now));
        return day;
    }
    QLabel* Part(const char* szItem, const char* szPart)
    {
        return FindChild<QLabel>(window.get(), (std::string(szItem) + "." + szPart).c_str());
    }
    // The centre of a control in the client area's coordinates.
    QPoint Centre(QWidget* w) { return w->mapTo(window->centralWidget(), w->rect().center()); }

    TempDir app;
    MessageRecorder messages;
    std::unique_ptr<ToolboxWindow> window;
};

TEST_F(ToolboxTest, TwentyFourAreasInTheItemOrderAndNoMore)
{
    ASSERT_EQ(nItemAreas, 24u);
    const char* const order[] = {"Configuration", "Scope", "Datalogger", "Terminal",
                                 "Flash", "Update", "Manual", "Programming Examples"};
    for (unsigned i = 0; i < 24; i++) {
        EXPECT_EQ(ItemAreas[i].nId, static_cast<int>(i));
        EXPECT_EQ(ItemAreas[i].bHighlight, i % 3 == 0 ? 1 : 0);
        const QLabel* title = Part(order[i / 3], "title");
        if (i % 3 == 0) {
            EXPECT_EQ(ItemAreas[i].hWnd, title) << i;
        }
    }
    for (unsigned i = 24; i < TOOLBOX_MAX_AREAS; i++)
        EXPECT_EQ(DeclareItemArea(100 + static_cast<int>(i), nullptr, AreaRect{}, 0), 1);
    EXPECT_EQ(DeclareItemArea(999, nullptr, AreaRect{}, 0), 0);
    EXPECT_EQ(messages.Last(), "E:Too many area declared");
    EXPECT_EQ(nItemAreas, TOOLBOX_MAX_AREAS);
}

TEST_F(ToolboxTest, TheHandOverEveryPartOfAnItemAndTheArrowBetween)
{

    for (const char* item : {"Configuration", "Flash", "Update", "Programming Examples"}) {
        for (const char* part : {"title", "description", "icon"})
            EXPECT_EQ(window->CursorAt(Centre(Part(item, part))), Qt::PointingHandCursor) << item << " " << part;
    }
    // Between two items, over a group caption and in the window's margin.
    QLabel* scopeIcon = Part("Scope", "icon");
    QLabel* dataIcon = Part("Datalogger", "icon");
    const QPoint between((Centre(scopeIcon).x()),
                         (scopeIcon->mapTo(window->centralWidget(), QPoint(0, scopeIcon->height())).y() +
                          dataIcon->mapTo(window->centralWidget(), QPoint(0, 0)).y()) /
                             2);
    EXPECT_EQ(window->CursorAt(between), Qt::ArrowCursor);
    auto* group = FindChild<QGroupBox>(window.get(), "UTILITIES");
    EXPECT_EQ(window->CursorAt(group->mapTo(window->centralWidget(), QPoint(12, 4))), Qt::ArrowCursor);
    EXPECT_EQ(window->CursorAt(QPoint(2, 2)), Qt::ArrowCursor);

    // A real pointer move over the description shows the hand.
    QTest::mouseMove(Part("Scope", "description"));
    QApplication::processEvents();
    EXPECT_EQ(window->centralWidget()->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(ToolboxTest, ClickingTheScopeDescriptionStartsTheToolAndCloses)
{
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Scope"));
    QTest::mouseClick(Part("Scope", "description"), Qt::LeftButton);
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Scope\ncwd=" + app.Path() + "\n\n");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(ToolboxTest, UpdateManualAndExamplesKeepTheLauncherOpen)
{
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Update"));
    QTest::mouseClick(Part("Update", "icon"), Qt::LeftButton);
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
    EXPECT_TRUE(window->isVisible());

    // A missing tool, document or folder is reported and the launcher stays.
    QTest::mouseClick(Part("Terminal", "title"), Qt::LeftButton);
    EXPECT_EQ(messages.Last(), "E:File '" + app.File("VARN-Terminal") + "' not found !");
    QTest::mouseClick(Part("Manual", "description"), Qt::LeftButton);
    EXPECT_EQ(messages.Last(), "E:File '" + app.File("Docs/VARN-UserGuide.pdf") + "' not found !");
    QTest::mouseClick(Part("Programming Examples", "title"), Qt::LeftButton);
    EXPECT_EQ(messages.Last(), "E:Directory '" + app.File("Examples") + "' not found !");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ToolboxTest, OnlyTheEightTitlesAreBlue)
{
    const QImage image = window->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    auto blueIn = [&](QWidget* w) {
        const QPoint at = w->mapTo(window.get(), QPoint(0, 0));
        int blue = 0;
        for (int y = at.y(); y < at.y() + w->height(); y++)
            for (int x = at.x(); x < at.x() + w->width(); x++) {
                const QColor c = image.pixelColor(QPoint(qRound(x * scale), qRound(y * scale)));
                if (c.blue() > 200 && c.red() < 60 && c.green() < 60)
                    blue++;
            }
        return blue;
    };
    for (size_t i = 0; i < TOOLBOX_ITEM_COUNT; i++) {
        const char* item = tToolboxItems[i].szTitle;
        EXPECT_GT(blueIn(Part(item, "title")), 5) << item;
        EXPECT_EQ(blueIn(Part(item, "description")), 0) << item;
    }
}

TEST_F(ToolboxTest, TitlesTakeTheLinkColourOfADarkPalette)
{
    QLabel* title = Part("Scope", "title");
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QPalette dark = window->palette();
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Link, QColor(90, 170, 255));
    window->setPalette(dark);
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(90, 170, 255));
    // A link colour too dark to read on it is lightened until it reads.
    dark.setColor(QPalette::Link, QColor(0, 0, 255));
    window->setPalette(dark);
    EXPECT_GE(UiContrastRatio(title->palette().color(QPalette::WindowText), dark.color(QPalette::Window)), 4.5);
    EXPECT_EQ(Part("Scope", "description")->palette().color(QPalette::WindowText), QColor(230, 230, 230));
}

TEST_F(ToolboxTest, TabAndEnterStartATool)
{
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Scope"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    Part("Configuration", "title")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Part("Scope", "title"));
    // The arrows move too.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    ASSERT_EQ(QApplication::focusWidget(), Part("Scope", "title"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Scope\ncwd=" + app.Path() + "\n\n");
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ToolboxTest, MenuHoldsTheToolsButNotItself)
{
    EXPECT_EQ(MenuListing(window->menuBar()), (std::vector<std::string>{
                       "[File]", "Check for update at startup", "-", "Quit",
                       "[Tools]", "Terminal...", "Scope...", "Datalogger...", "Configuration...", "Flash...", "-",
                       "Open application directory...",
                       "[?]", "User Guide...", "-", "Programming Examples...", "-", "Check for Update...", "-",
                       "About..."}));
    EXPECT_TRUE(window->MenuItem("Check for update at startup")->isChecked());
    EXPECT_EQ(window->windowTitle().toStdString(), "VARN-TOOLBOX V1.45 (linux64)");

    // A Tools item does what its item does.
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Flash"));
    window->MenuItem("Flash...")->trigger();
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Flash\ncwd=" + app.Path() + "\n\n");
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
