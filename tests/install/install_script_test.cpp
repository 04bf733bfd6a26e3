// The two passes over the install script in temporary folders.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "install_files.h"
#include "install_test_support.h"

namespace {

// A program name no other process of the machine has, so that closing it
// cannot end anything but this test's own program.
std::string UniqueProgram(const char* szBase)
{
    return std::string(szBase) + "-" + std::to_string(getpid());
}

bool Contains(const std::vector<std::string>& v, const std::string& s)
{
    return std::find(v.begin(), v.end(), s) != v.end();
}

// true when the texts appear in this order (others may come between).
bool InOrder(const std::vector<std::string>& v, const std::vector<std::string>& wanted)
{
    size_t i = 0;
    for (const std::string& s : v) {
        if (i < wanted.size() && s == wanted[i])
            i++;
    }
    return i == wanted.size();
}

}  // namespace

TEST_F(InstallTest, ExampleScriptClosesTheRunningProgramAndCompletes)
{
    const std::string config = UniqueProgram("VARN-Config");
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(App("old.dll"), "old"));
    ASSERT_TRUE(WriteFile(Tmp(config), "new config program", 0755));
    ASSERT_TRUE(WriteFile(Tmp("Docs/VARN-UserGuide.pdf"), "%PDF guide"));
    Script("; update 1.61\r\n"
           "[VARN-UPDATE-INSTALL]\r\n"
           "INSTALL=" + config + "|" + config + "\r\n"
           "INSTALL=Docs\\VARN-UserGuide.pdf|Docs\\VARN-UserGuide.pdf\r\n"
           "DELETE=old.dll\r\n");
    const pid_t running = StartRunningProgram(App(config));
    ASSERT_GT(running, 0);

    ASSERT_EQ(ParseScript(0), 1);
    EXPECT_EQ(nOpTotal, 3u);
    EXPECT_TRUE(InOrder(PlainTexts(fe), {"Scanning 1...", "Scanning 2...", "Scanning 3..."}));
    ASSERT_EQ(ParseScript(1), 1);

    // Closed before its file was replaced.
    int status = 0;
    ASSERT_EQ(waitpid(running, &status, 0), running);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadFileText(App(config)), "new config program");
    EXPECT_EQ(FileMode(App(config)), 0755u);
    EXPECT_EQ(ReadFileText(App("Docs/VARN-UserGuide.pdf")), "%PDF guide");
    EXPECT_FALSE(FileExistsOnDisk(App("old.dll")));
    EXPECT_FALSE(FileExistsOnDisk(Tmp(config)));
    EXPECT_FALSE(ScriptExists());
    EXPECT_TRUE(messages.Texts().empty()) << messages.Last();

    EXPECT_TRUE(InOrder(BarTexts(fe), {"Installing '" + config + "'... (0 %)",
                                    "Installing 'Docs\\VARN-UserGuide.pdf'... (33 %)", "Removing 'old.dll'... (66 %)",
                                    "Removing 'old.dll'... (100 %)"}));
    EXPECT_TRUE(InOrder(PlainTexts(fe), {"Installing '" + config + "'...", "Closing '" + config + "' application...",
                                     "Installing 'Docs\\VARN-UserGuide.pdf'...", "Done !"}));
    EXPECT_EQ(PlainTexts(fe).back(), "Done !");
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
}

TEST_F(InstallTest, UpperCaseExeIsNoProgramToClose)
{
    const std::string name = UniqueProgram("VARN-Tool") + ".EXE";
    const pid_t running = StartRunningProgram(App(name));
    ASSERT_GT(running, 0);
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(Tmp("new"), "x", 0755));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=new|" + name + "\n");
    EXPECT_TRUE(RunInstall());
    EXPECT_FALSE(ChildEnded(running, 100));
    EXPECT_FALSE(Contains(PlainTexts(fe), "Closing '" + name + "' application..."));
    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
}

TEST_F(InstallTest, SameProgramInAnotherFolderKeepsRunning)
{
    // A second copy of the suite (a technician's USB copy) runs the same name.
    const std::string name = UniqueProgram("VARN-Config");
    TempDir other;
    const pid_t elsewhere = StartRunningProgram(other.File(name));
    ASSERT_GT(elsewhere, 0);
    const pid_t replaced = StartRunningProgram(App(name));
    ASSERT_GT(replaced, 0);
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(Tmp(name), "new", 0755));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=" + name + "|" + name + "\n");
    EXPECT_TRUE(RunInstall());
    EXPECT_TRUE(ChildEnded(replaced, 5000));
    EXPECT_FALSE(ChildEnded(elsewhere, 100));
    kill(elsewhere, SIGKILL);
    waitpid(elsewhere, nullptr, 0);
}

TEST_F(InstallTest, PipeOrDeviceAsSourceIsRefusedBeforeAnythingIsTouched)
{
    ASSERT_TRUE(WriteFile(App("VARN-Config"), "old", 0755));
    ASSERT_TRUE(WriteFile(Tmp("Docs/guide.pdf"), "guide"));
    ASSERT_EQ(mkfifo(Tmp("pipe").c_str(), 0600), 0);
    std::vector<std::string> kinds{"pipe"};
    // A device node in the update folder needs the administrator to make.
    if (mknod(Tmp("device").c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0)
        kinds.push_back("device");
    for (const std::string& kind : kinds) {
        Script("[VARN-UPDATE-INSTALL]\nINSTALL=Docs\\guide.pdf|Docs\\guide.pdf\nINSTALL=" + kind + "|VARN-Config\n");
        const size_t before = messages.Count();
        EXPECT_EQ(ParseScript(0), 0);
        ASSERT_EQ(messages.Count(), before + 1);
        EXPECT_EQ(messages.Last(), "E:Could not install '" + App("VARN-Config") + "' (Source file '" + Tmp(kind) +
                                       "' is a " + kind + ", not a regular file) !");
        EXPECT_EQ(ReadFileText(App("VARN-Config")), "old");
        EXPECT_FALSE(FileExistsOnDisk(App("Docs/guide.pdf")));
        EXPECT_TRUE(ScriptExists());
    }
}

TEST_F(InstallTest, HeaderOnlyScriptIsDoneAtOnce)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    Script("; nothing to do\n[VARN-UPDATE-INSTALL]\n;\n\n");
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(nOpTotal, 0u);
    EXPECT_FALSE(ScriptExists());
    const auto reports = fe.Progresses();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[reports.size() - 2].first, 100);
    EXPECT_EQ(reports.back().second, "Done !");
    EXPECT_EQ(fe.Steps().back(), TASK_STEP_DONE);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
}

TEST_F(InstallTest, UnknownCommandsChangeNothing)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(App("a"), "a"));
    ASSERT_TRUE(WriteFile(App("b"), "b"));
    Script("[VARN-UPDATE-INSTALL]\nRUN=x|y\nDELETE=a\ninstall=q|r\nCOPY=\nDELETE=b\n");
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(nOpTotal, 2u);
    // Every command line, known or not, shows the count.
    EXPECT_TRUE(InOrder(PlainTexts(fe), {"Scanning 0...", "Scanning 1...", "Scanning 1...", "Scanning 1...",
                                     "Scanning 2..."}));
    EXPECT_TRUE(InOrder(BarTexts(fe), {"Removing 'a'... (0 %)", "Removing 'b'... (50 %)", "Removing 'b'... (100 %)"}));
    EXPECT_FALSE(FileExistsOnDisk(App("a")));
    EXPECT_FALSE(FileExistsOnDisk(App("b")));
    EXPECT_FALSE(FileExistsOnDisk(App("r")));
}

TEST_F(InstallTest, SplitsAtTheFirstEqualsAndBar)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(Tmp("a=b"), "content"));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=a=b|c|d\n");
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(ReadFileText(App("c|d")), "content");
}

TEST_F(InstallTest, DeleteOfAMissingFileIsSilent)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    Script("[VARN-UPDATE-INSTALL]\nDELETE=not-there\nDELETE=Docs\\not-there-either\n");
    EXPECT_TRUE(RunInstall());
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_FALSE(ScriptExists());
}

TEST_F(InstallTest, FormatErrorsStopThePassBeforeAnythingIsTouched)
{
    struct Case {
        const char* szScript;
        const char* szMessage;
    };
    const Case cases[] = {
        {"INSTALL=f|f\n", "E:Install script is not valid (Bad header) !"},
        {"; c\n\n[VARN-UPDATE-INSTALL]\n; c\nINSTALL=f|f\n\nNO SEPARATOR\n",
         "E:Bad install script format at line 7 (Bad argument separator) !"},
        {"[VARN-UPDATE-INSTALL]\n;\n;\nINSTALL=f|f\nINSTALL=f\n",
         "E:Bad install script format at line 5 (Destination field not found) !"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFile(Tmp("f"), "new"));
        ASSERT_TRUE(WriteFile(App("f"), "old"));
        Script(c.szScript);
        const size_t before = messages.Count();
        EXPECT_EQ(ParseScript(0), 0) << c.szScript;
        ASSERT_EQ(messages.Count(), before + 1);
        EXPECT_EQ(messages.Last(), c.szMessage);
        EXPECT_EQ(ReadFileText(App("f")), "old");
        EXPECT_TRUE(ScriptExists());
        EXPECT_EQ(fe.LastPosition(), 100);
    }
}

TEST_F(InstallTest, MissingScriptCannotBeOpened)
{
    EXPECT_EQ(ParseScript(0), 0);
    EXPECT_EQ(messages.Last(), "E:Could not open install script !");
}

TEST_F(InstallTest, EscapingPathsAreRefusedBeforeAnythingIsTouched)
{
    TempDir outside;
    ASSERT_TRUE(WriteFile(outside.File("victim"), "keep me"));
    ASSERT_TRUE(WriteFile(Tmp("first"), "first"));
    ASSERT_TRUE(WriteFile(Tmp("f"), "f"));
    ASSERT_EQ(symlink(outside.Path().c_str(), App("elsewhere").c_str()), 0);
    ASSERT_EQ(symlink(outside.File("victim").c_str(), Tmp("stolen").c_str()), 0);
    const std::string rel = "..\\" + outside.Path().substr(outside.Path().rfind('/') + 1) + "\\victim";
    struct Case {
        std::string sLine;
        std::string sWritten;
    };
    const Case cases[] = {
        {"DELETE=" + outside.File("victim"), outside.File("victim")},
        {"DELETE=" + rel, rel},
        {"INSTALL=f|" + rel, rel},
        {"INSTALL=f|elsewhere\\victim", "elsewhere\\victim"},
        {"INSTALL=stolen|copy", "stolen"},
        {"INSTALL=..\\..\\etc\\passwd|copy", "..\\..\\etc\\passwd"},
        {"INSTALL=f|VARN-Install\\..\\..\\x", "VARN-Install\\..\\..\\x"},
    };
    for (const Case& c : cases) {
        Script("[VARN-UPDATE-INSTALL]\nINSTALL=first|first\n;\n" + c.sLine + "\n");
        EXPECT_EQ(ParseScript(0), 0) << c.sLine;
        EXPECT_EQ(messages.Last(),
                  "E:Bad install script format at line 4 (Path '" + c.sWritten + "' leaves its directory) !");
        EXPECT_EQ(ReadFileText(outside.File("victim")), "keep me");
        EXPECT_FALSE(FileExistsOnDisk(App("first")));
        EXPECT_TRUE(FileExistsOnDisk(Tmp("first")));
    }
    const std::string longName(INSTALL_PATH_MAX, 'x');
    Script("[VARN-UPDATE-INSTALL]\nDELETE=" + longName + "\n");
    EXPECT_EQ(ParseScript(0), 0);
    EXPECT_EQ(messages.Last(), "E:Bad install script format at line 2 (Path too long) !");
}

TEST_F(InstallTest, MissingSourceStopsWithEarlierOperationsDoneAndRerunCompletes)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(Tmp("one"), "1"));
    ASSERT_TRUE(WriteFile(Tmp("three"), "3"));
    ASSERT_TRUE(WriteFile(App("gone"), "x"));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=one|Sub\\one\nDELETE=gone\nINSTALL=two|two\nINSTALL=three|three\n");
    ASSERT_EQ(ParseScript(0), 1);
    EXPECT_EQ(ParseScript(1), 0);
    EXPECT_EQ(messages.Last(), "E:Could not install '" + App("two") + "' (Source file '" + Tmp("two") +
                                   "' not found) !");
    EXPECT_EQ(ReadFileText(App("Sub/one")), "1");
    EXPECT_FALSE(FileExistsOnDisk(App("gone")));
    EXPECT_FALSE(FileExistsOnDisk(App("three")));
    EXPECT_TRUE(ScriptExists());
    EXPECT_EQ(fe.LastPosition(), 100);
    EXPECT_EQ(ReadFileText(app.File("standin.log")), "");

    // The missing file arrives; the same folder is installed again. The
    // line whose file was moved already is not a missing source now.
    ASSERT_TRUE(WriteFile(Tmp("two"), "2"));
    const size_t before = messages.Count();
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(messages.Count(), before);
    EXPECT_EQ(ReadFileText(App("two")), "2");
    EXPECT_EQ(ReadFileText(App("three")), "3");
    EXPECT_FALSE(ScriptExists());
    EXPECT_FALSE(FileExistsOnDisk(Tmp("VARN-Update.installed")));
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
}

TEST_F(InstallTest, SourceNeverThereIsReportedOnEveryRun)
{
    ASSERT_TRUE(WriteFile(App("two"), "old"));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=two|two\n");
    for (int run = 0; run < 2; run++) {
        EXPECT_FALSE(RunInstall());
        EXPECT_EQ(messages.Last(), "E:Could not install '" + App("two") + "' (Source file '" + Tmp("two") +
                                       "' not found) !");
    }
    // A record of another script does not excuse it either.
    ASSERT_TRUE(WriteFile(Tmp("VARN-Update.installed"), "0123456789abcdef\n2\n"));
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(ReadFileText(App("two")), "old");
}

TEST_F(InstallTest, FolderThatCannotBeMadeAndMoveThatFails)
{
    ASSERT_TRUE(WriteFile(App("Sub"), "a file where a folder should be"));
    ASSERT_TRUE(WriteFile(Tmp("f"), "f"));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=f|Sub\\f\n");
    EXPECT_FALSE(RunInstall());
    const auto texts = messages.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "E:Could not create '" + App("Sub") + "' directory !");
    EXPECT_EQ(texts.back(), "E:Could not install '" + App("Sub/f") + "' (Could not create path) !");

    ASSERT_EQ(mkdir(App("Folder").c_str(), 0755), 0);
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=f|Folder\n");
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(messages.Last(), "E:Could not move file '" + Tmp("f") + "' to '" + App("Folder") + "' !");
    EXPECT_TRUE(FileExistsOnDisk(Tmp("f")));
}

TEST_F(InstallTest, UpdateFolderOnAnotherFileSystem)
{
    OtherFsDir other;
    if (other.Path().empty())
        GTEST_SKIP() << "no second file system (/dev/shm) on this machine";
    UseTmpDir(other.Path());
    const std::string tool = UniqueProgram("VARN-Scope");
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(App(tool), "old", 0755));
    ASSERT_TRUE(WriteFile(Tmp(tool), "new scope", 0755));
    ASSERT_TRUE(WriteFile(Tmp("Firmwares/fw.bin"), std::string(300000, '\xA5')));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=" + tool + "|" + tool + "\nINSTALL=Firmwares\\fw.bin|Firmwares\\fw.bin\n");
    EXPECT_TRUE(RunInstall()) << messages.Last();
    EXPECT_EQ(ReadFileText(App(tool)), "new scope");
    EXPECT_EQ(FileMode(App(tool)), 0755u);
    EXPECT_EQ(ReadFileText(App("Firmwares/fw.bin")), std::string(300000, '\xA5'));
    EXPECT_FALSE(FileExistsOnDisk(Tmp(tool)));
    EXPECT_FALSE(ScriptExists());
}

TEST_F(InstallTest, InstallerLineStartsTheSelfInstallationAfterTheWholeCheck)
{
    // The "installer" here is the stand-in: its copy records how it was started.
    ASSERT_TRUE(CopyStandin(App("VARN-Install")));
    ASSERT_TRUE(WriteFile(Tmp("VARN-Install"), "new installer", 0755));
    ASSERT_TRUE(WriteFile(Tmp("f"), "f"));
    ASSERT_TRUE(WriteFile(App("VARN-TempInstall"), "stale copy"));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=f|f\nINSTALL=VARN-Install|VARN-Install\nDELETE=x\n");
    EXPECT_EQ(ParseScript(0), 0);
    EXPECT_TRUE(messages.Texts().empty()) << messages.Last();
    EXPECT_TRUE(Contains(PlainTexts(fe), "Self installing..."));
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-TempInstall\ncwd=" + app.Path() + "\narg=self\narg=" + sTmp +
                                          "\narg=" + Tmp("VARN-Install") + "\narg=" + App("VARN-Install") + "\n\n");
    EXPECT_FALSE(FileExistsOnDisk(App("f")));
    EXPECT_TRUE(ScriptExists());

    // A format error after the installer's line is found before the
    // installer is touched.
    ASSERT_EQ(unlink(app.File("standin.log").c_str()), 0);
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=VARN-Install|VARN-Install\nBROKEN\n");
    EXPECT_EQ(ParseScript(0), 0);
    EXPECT_EQ(messages.Last(), "E:Bad install script format at line 3 (Bad argument separator) !");
    EXPECT_EQ(ReadFileText(app.File("standin.log")), "");
}

TEST_F(InstallTest, InstallerLineWithoutItsFileIsAnOperationThatDoesNothing)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(CopyStandin(App("VARN-TempInstall")));
    ASSERT_TRUE(WriteFile(App("VARN-Install"), "the installer", 0755));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=VARN-Install|VARN-Install\nDELETE=x\n");
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(nOpTotal, 2u);
    EXPECT_TRUE(Contains(BarTexts(fe), "Installing 'VARN-Install'... (0 %)"));
    EXPECT_TRUE(messages.Texts().empty()) << messages.Last();
    // The temporary copy of a self-installation is removed by each pass.
    EXPECT_FALSE(FileExistsOnDisk(App("VARN-TempInstall")));
    EXPECT_EQ(ReadFileText(App("VARN-Install")), "the installer");
}

TEST_F(InstallTest, SelfInstallationReportsACopyThatFails)
{
    ASSERT_TRUE(WriteFile(Tmp("VARN-Install"), "new installer", 0755));
    Script("[VARN-UPDATE-INSTALL]\nINSTALL=VARN-Install|VARN-Install\n");
    EXPECT_EQ(ParseScript(0), 0);
    EXPECT_EQ(messages.Last(),
              "E:Could not copy file '" + App("VARN-Install") + "' to '" + App("VARN-TempInstall") + "' !");
    EXPECT_TRUE(FileExistsOnDisk(Tmp("VARN-Install")));
}

TEST_F(InstallTest, ProcessRunsBothPassesOnItsThreadAndEnds)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    Script("[VARN-UPDATE-INSTALL]\n");
    Worker worker("process");
    std::atomic<bool> ended{false};
    ASSERT_EQ(Process(worker, [&] { ended = true; }), 1);
    ASSERT_TRUE(worker.Wait(5000));
    EXPECT_TRUE(ended);
    EXPECT_EQ(PlainTexts(fe).front(), "Installing...");
    EXPECT_EQ(PlainTexts(fe).back(), "Done !");
    EXPECT_FALSE(ScriptExists());

    // A script that stops still ends the window.
    ended = false;
    ASSERT_EQ(Process(worker, [&] { ended = true; }), 1);
    ASSERT_TRUE(worker.Wait(5000));
    EXPECT_TRUE(ended);
    EXPECT_EQ(messages.Last(), "E:Could not open install script !");
}
