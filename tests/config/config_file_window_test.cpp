// The Import dialog and the File menu's export steps offscreen, on
// in-memory pages: the dialog's controls, dropped and chosen files, the
// checks of "Import", and the save dialog's request and overwrite question;
// an import through the dialog against the simulator.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <fstream>
#include <sys/stat.h>

#include "config_file_window.h"
#include "config_fixture.h"
#include "config_task.h"
#include "file_task.h"
#include "filedialog.h"
#include "import_dialog.h"
#include "msgbox.h"
#include "progress.h"
#include "sensor_kind.h"
#include "window_probe.h"

namespace {

const std::vector<std::pair<std::string, std::string>> tExpectedFilters = {
    {"All (*.*)", "*.*"}, {"VARN configuration (*.varncfg)", "*.VARNCFG"}};

class ConfigFileWindowTest : public ConfigTest {
protected:
    void TearDown() override
    {
        SetFileDialogHandler(nullptr);
        SetQuestionHandler(nullptr);
        ConfigTest::TearDown();
    }
    // The last request a file dialog was given; it answers sAnswer, or
    // cancels when that is empty.
    void AnswerFileDialog(const std::string& sAnswer)
    {
        SetFileDialogHandler([this, sAnswer](FileDialogMode nMode, const FileDialogRequest& r, std::string* pPath) {
            nLastMode = nMode;
            tLastRequest = r;
            if (sAnswer.empty())
                return false;
            *pPath = sAnswer;
            return true;
        });
    }
    static void Drop(QWidget* pTarget, const QList<QUrl>& vUrls)
    {
        QMimeData data;
        data.setUrls(vUrls);
        const QPoint at = pTarget->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pTarget, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pTarget, &drop);
    }
    void PretendKorvalin()
    {
        nSensorType = SENSOR_TYPE_KORVALIN;
        std::snprintf(szSensorType, sizeof szSensorType, "KORVALIN");
        pages.SetText(CTL_MAIN_VISA, "0036003F3137510A33353438");
    }

    int nLastMode = -1;
    FileDialogRequest tLastRequest;
};

TEST_F(ConfigFileWindowTest, ImportDialogControlsAsCreated)
{
    ImportDialog dlg;
    EXPECT_EQ(dlg.windowTitle(), "Import");
    EXPECT_TRUE(dlg.isModal());
    EXPECT_EQ(ControlText(&dlg, ImportName::File), "");
    auto* browse = FindChild<QToolButton>(&dlg, ImportName::Browse);
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(browse->iconSize(), QSize(16, 16));
    EXPECT_FALSE(browse->icon().isNull());
    EXPECT_EQ(browse->toolTip(), "Select file...");
    struct Box {
        const char* szName;
        const char* szCaption;
        bool bChecked;
        const char* szTip;
    };
    const Box boxes[] = {
        {ImportName::Apply, "Apply imported parameters", true, "Immediately apply impoted parameters..."},
        {ImportName::CheckSignature, "Check for sensor signature", true,
         "Check if the export file is made from the same sensor..."},
        {ImportName::Factory, "Import factory parameters", false,
         "Import factory parameter from export file (Admin password required)..."},
        {ImportName::IgnoreErrors, "Ignore import error", false, "Continue after import error..."},
    };
    for (const Box& b : boxes) {
        auto* box = FindChild<QCheckBox>(&dlg, b.szName);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), b.szCaption);
        EXPECT_EQ(box->isChecked(), b.bChecked) << b.szCaption;
        EXPECT_EQ(box->toolTip(), b.szTip);
    }
    EXPECT_EQ(ControlText(&dlg, ImportName::Import), "Import");
    EXPECT_EQ(dlg.ImportButton()->toolTip(), "Import selected file...");
}

TEST_F(ConfigFileWindowTest, DroppedOrChosenFileFillsTheBox)
{
    ImportDialog dlg;
    dlg.show();
    Drop(&dlg, {QUrl::fromLocalFile("/data/first one.varncfg"), QUrl::fromLocalFile("/data/second.varncfg")});
    EXPECT_EQ(dlg.FileField()->text(), "/data/first one.varncfg");
    Drop(dlg.FileField(), {QUrl::fromLocalFile("/data/onto the box.varncfg")});
    EXPECT_EQ(dlg.FileField()->text(), "/data/onto the box.varncfg");
    Drop(&dlg, {QUrl("https://example.invalid/x.varncfg")});
    EXPECT_EQ(dlg.FileField()->text(), "/data/onto the box.varncfg") << "only a local file";

    AnswerFileDialog("/data/chosen.varncfg");
    ClickButton(&dlg, ImportName::Browse);
    EXPECT_EQ(nLastMode, FILE_DIALOG_OPEN);
    EXPECT_EQ(tLastRequest.vFilters, tExpectedFilters);
    EXPECT_EQ(tLastRequest.nFilter, 1);
    EXPECT_EQ(tLastRequest.sStartFile, "/data/onto the box.varncfg");
    EXPECT_EQ(dlg.FileField()->text(), "/data/chosen.varncfg");
    AnswerFileDialog("");
    ClickButton(&dlg, ImportName::Browse);
    EXPECT_EQ(dlg.FileField()->text(), "/data/chosen.varncfg") << "cancelled";
}

TEST_F(ConfigFileWindowTest, ImportChecksKeepTheDialogOpen)
{
    PretendKorvalin();
    ImportDialog dlg;
    dlg.show();
    ClickButton(&dlg, ImportName::Import);
    EXPECT_EQ(messages->Last(), "E:Please enter export filename !");
    EXPECT_TRUE(dlg.isVisible());
    dlg.FileField()->setText(QString::fromStdString(dir.File("missing.varncfg")));
    ClickButton(&dlg, ImportName::Import);
    EXPECT_EQ(messages->Last(), "E:Filename  '" + dir.File("missing.varncfg") + "' not found !");
    EXPECT_TRUE(dlg.isVisible());

    // Factory import with the password dialog cancelled: nothing happens.
    const std::string file = dir.File("k.varncfg");
    std::ofstream(file) << "; empty\n";
    dlg.FileField()->setText(QString::fromStdString(file));
    FindChild<QCheckBox>(&dlg, ImportName::Factory)->setChecked(true);
    SetPasswordDialog(nullptr);
    ClickButton(&dlg, ImportName::Import);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(ops.Busy());
    EXPECT_TRUE(StateLog().empty());
}

TEST_F(ConfigFileWindowTest, ImportThroughTheDialogRunsTheWorkerWithItsOptions)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(1), 1);
    const std::string file = dir.File("k.varncfg");
    std::ofstream(file) << "[VARN-CONFIG=0036003F3137510A33353499]\nsens-type=KORVALIN\navg-m=1500\nlogger-mode=on\n"
                           "pulse-ms=175\nsens-version=5.5\n";

    // Another sensor's file with an unknown line: the options of the boxes
    // decide. The modal dialog is answered from its own event loop.
    QTimer::singleShot(0, [file] {
        auto* dlg = qobject_cast<ImportDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->FileField()->setText(QString::fromStdString(file));
        FindChild<QCheckBox>(dlg, ImportName::Apply)->setChecked(false);
        FindChild<QCheckBox>(dlg, ImportName::CheckSignature)->setChecked(false);
        FindChild<QCheckBox>(dlg, ImportName::IgnoreErrors)->setChecked(true);
        dlg->ImportButton()->click();
    });
    EXPECT_EQ(ConfigImportFromWindow(nullptr), 1);
    ASSERT_TRUE(ops.WaitIdle(60000));
    EXPECT_EQ(ops.ChainResult(), 1);
    EXPECT_EQ(pages.Text(CTL_AVG_M), "1500");
    EXPECT_EQ(pages.Text(CTL_PULSE_MS), "175");
    EXPECT_NE(pages.Text(CTL_SENS_VERSION), "5.5");
    EXPECT_EQ(messages->Last(), "I:Configuration successfully imported !");
    EXPECT_EQ(StateLog().back(), "idle");
    EXPECT_EQ(sim->Param("avg-m"), "600") << "nothing sent without apply";
}

TEST_F(ConfigFileWindowTest, ExportProposesTheNameAndAsksBeforeOverwriting)
{
    PretendKorvalin();
    pages.SetText(CTL_SENS_SN, "KV 2103 0042");
    const std::string typed = dir.File("typed");   // no extension is added
    AnswerFileDialog(typed);
    ASSERT_EQ(ConfigExportFromWindow(), 1);
    ASSERT_TRUE(ops.WaitIdle(60000));
    EXPECT_EQ(nLastMode, FILE_DIALOG_SAVE);
    EXPECT_EQ(tLastRequest.sStartFile, "KV.varncfg");
    EXPECT_EQ(tLastRequest.vFilters, tExpectedFilters);
    EXPECT_EQ(tLastRequest.nFilter, 1);
    EXPECT_EQ(tLastRequest.sDefaultExt, "");
    const std::string first = ReadFileText(typed);
    EXPECT_EQ(first.rfind("[VARN-CONFIG=0036003F3137510A33353438]\nsens-type=KORVALIN\n", 0), 0u) << first;

    std::vector<std::string> asked;
    int answer = 0;
    SetQuestionHandler([&asked, &answer](MessageKind, const std::string& s) {
        asked.push_back(s);
        return answer;
    });
    pages.SetText(CTL_AVG_A, "42");
    EXPECT_EQ(ConfigExportFromWindow(), 0);
    EXPECT_EQ(asked, std::vector<std::string>{"File '" + typed + "' already exists !\nDo you want to overwrite it ?"});
    EXPECT_EQ(ReadFileText(typed), first);
    answer = 1;
    ASSERT_EQ(ConfigExportFromWindow(), 1);
    ASSERT_TRUE(ops.WaitIdle(60000));
    EXPECT_NE(ReadFileText(typed).find("\navg-a=42\n"), std::string::npos);

    pages.SetText(CTL_SENS_SN, "");
    AnswerFileDialog("");
    EXPECT_EQ(ConfigExportFromWindow(), 0);
    EXPECT_EQ(tLastRequest.sStartFile, "") << "an empty box proposes nothing";

    // A pipe chosen in the dialog is refused before the question.
    const std::string fifo = dir.File("pipe.varncfg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    AnswerFileDialog(fifo);
    asked.clear();
    EXPECT_EQ(ConfigExportFromWindow(), 0);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + fifo + "' for writing : it is a pipe, not a regular file !");
}

}  // namespace
