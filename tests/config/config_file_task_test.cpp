// Export and import as operations against the simulator on a real
// pseudo-terminal through in-memory pages: the round trip of every kind,
// the progress windows and their order, the send that follows an import,
// the Import dialog's checks and unlock, and the failures of the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

#include "codecs.h"
#include "config_file.h"
#include "config_fixture.h"
#include "config_task.h"
#include "file_task.h"
#include "progress.h"
#include "sensor_kind.h"
#include "serial.h"

namespace {

constexpr unsigned WAIT_MS = 60000;

std::vector<std::string> FileLines(const std::string& sPath)
{
    std::vector<std::string> v;
    std::ifstream in(sPath);
    for (std::string line; std::getline(in, line);)
        v.push_back(line);
    return v;
}

void WriteText(const std::string& sPath, const std::string& sText)
{
    std::ofstream(sPath, std::ios::binary) << sText;
}

class FileTaskTest : public ConfigTest {
protected:
    int Export(const std::string& sPath)
    {
        const int started = ExportSensorConfig(sPath);
        EXPECT_TRUE(ops.WaitIdle(WAIT_MS));
        return started && ops.ChainResult();
    }
    int Import(const std::string& sPath, const ConfigImportOptions& tOptions)
    {
        const int started = ImportDialogAccept(sPath, tOptions);
        EXPECT_TRUE(ops.WaitIdle(WAIT_MS));
        return started && ops.ChainResult();
    }
    void AnswerPassword(const std::string& sPassword)
    {
        SetPasswordDialog([sPassword](std::string* pText) {
            *pText = sPassword;
            return true;
        });
    }
    // Every row's line as an export would write it now.
    std::vector<std::string> PageLines()
    {
        std::vector<std::string> v;
        for (const SensorParam* p : ConfigFileRows(nSensorType.load()))
            v.push_back(ConfigFileLine(*p));
        return v;
    }
    // Another value on every row but the sensor type, as a user would.
    void ChangeEveryRow()
    {
        for (const SensorParam* p : ConfigFileRows(nSensorType.load())) {
            const std::string now = ParamGetValue(*p, USE_FILE);
            std::string other;
            switch (p->nCodec) {
            case CODEC_NONE:
                continue;
            case CODEC_OUT1:
            case CODEC_OUT2:
                other = now == "off" ? "pulse" : "off";
                break;
            case CODEC_RANGE:
                other = now == "2V5" ? "5V" : "2V5";
                break;
            case CODEC_SDI12:
            case CODEC_SERIAL_MODE:
                other = now == "off" ? "all" : "off";
                break;
            case CODEC_SYS_SPEED:
                other = now == "4MHz" ? "32MHz" : "4MHz";
                break;
            case CODEC_SYS_CLK:
                other = now == "internal" ? "external" : "internal";
                break;
            case CODEC_DATE:
                other = now == "1999-09-09" ? "1998-08-08" : "1999-09-09";
                break;
            default:
                other = now + "9";
                break;
            }
            ParamSetValue(*p, other.c_str(), USE_FILE);
        }
    }
    std::vector<std::string> Sets() const
    {
        std::vector<std::string> v;
        for (const std::string& c : Commands())
            if (c.rfind("set ", 0) == 0)
                v.push_back(c);
        return v;
    }
    size_t Has(const std::vector<std::string>& v, const std::string& s) const
    {
        return static_cast<size_t>(std::count(v.begin(), v.end(), s));
    }
};

class RoundTripTest : public FileTaskTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RoundTripTest, ExportChangeEveryPageImportGivesTheExportedPages)
{
    StartSim(SimOptions(GetParam()));
    ASSERT_EQ(Load(1), 1);
    const bool palvetra = nSensorType.load() == SENSOR_TYPE_PALVETRA;
    const std::string path = dir.File("sensor.varncfg");
    const size_t reportsBefore = fe.Progresses().size();
    ASSERT_EQ(Export(path), 1) << messages->Last();
    EXPECT_EQ(messages->Last(), "I:Configuration successfully exported !");

    const std::vector<std::string> file = FileLines(path);
    ASSERT_EQ(file.size(), palvetra ? 35u : 38u);
    EXPECT_EQ(file[0], "[VARN-CONFIG=" + sim->Param("hw-sn") + "]");
    EXPECT_EQ(sim->Param("hw-sn").size(), CONFIG_SIGNATURE_LEN);
    const std::vector<std::string> exported(file.begin() + 1, file.end());
    EXPECT_EQ(exported, PageLines());
    EXPECT_EQ(ReadFileText(path).find('\r'), std::string::npos) << "the platform's line end";
    // Locked: a step before each line after the first, factory lines left out.
    const std::vector<std::pair<int, std::string>> r = fe.Progresses();
    const long steps = std::count_if(r.begin() + static_cast<long>(reportsBefore), r.end(),
                                     [](const auto& x) { return x.first != TASK_POSITION_KEEP; });
    EXPECT_EQ(steps, (palvetra ? 26 : 28) + 1);

    ChangeEveryRow();
    const std::vector<std::string> changed = PageLines();
    for (size_t i = 1; i < changed.size(); i++)
        EXPECT_NE(changed[i], exported[i]) << "not changed: " << exported[i];

    // Factory import while locked asks for the password first.
    AnswerPassword("varn");
    ConfigImportOptions options;
    options.bImportFactory = true;
    options.bImportApply = false;
    ClearCommands();
    ASSERT_EQ(Import(path, options), 1) << messages->Last();
    EXPECT_EQ(bAdmin.load(), 1) << "the unlock stays in force";
    EXPECT_TRUE(pages.Enabled(CTL_SENS_VERSION));
    EXPECT_EQ(PageLines(), exported);
    EXPECT_EQ(messages->Last(), "I:Configuration successfully imported !");
    EXPECT_TRUE(Sets().empty()) << "nothing is sent without apply";
    const std::vector<std::string> commands = Commands();
    EXPECT_EQ(Has(commands, "get hw-sn"), 1u) << "the identity header is read again";

    if (nSensorType.load() == SENSOR_TYPE_GRESTOLV) {
        for (const char* key : {"range-hail", "thld-hail", "calib-hail", "sens-date", "hw-date", "calib-date"}) {
            const std::string line = std::string(key) + "=" + ParamGetValue(*SensorParamForFile(key), USE_FILE);
            EXPECT_EQ(Has(exported, line), 1u) << line;
        }
    }
    const std::vector<std::string> states = StateLog();
    EXPECT_EQ(std::vector<std::string>(states.end() - 4, states.end()),
              (std::vector<std::string>{"busy:Export...", "idle", "busy:Import...", "idle"}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoundTripTest,
                         ::testing::Values("KORVALIN", "DUVIKORN", "MESTRALO", "PALVETRA", "GRESTOLV"));

TEST_F(FileTaskTest, ImportWithApplySendsTheImportedValuesAfterItsWindowClosed)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(1), 1);
    const std::string path = dir.File("k.varncfg");
    ASSERT_EQ(Export(path), 1);
    std::string text = ReadFileText(path);
    auto replace = [&text](const std::string& a, const std::string& b) {
        const size_t at = text.find(a);
        ASSERT_NE(at, std::string::npos) << a;
        text.replace(at, a.size(), b);
    };
    replace("avg-m=" + sim->Param("avg-m") + "\n", "avg-m=1200\n");
    replace("out2-mode=" + sim->Param("out2-mode") + "\n", "out2-mode=raw\n");
    replace("sens-version=" + sim->Param("sens-version") + "\n", "sens-version=7.7\n");
    WriteText(path, text);
    const std::string version = sim->Param("sens-version");

    ClearCommands();
    const size_t statesBefore = StateLog().size();
    ASSERT_EQ(Import(path, ConfigImportOptions()), 1) << messages->Last();
    const std::vector<std::string> sets = Sets();
    EXPECT_EQ(Has(sets, "set avg-m 1200"), 1u);
    EXPECT_EQ(Has(sets, "set out2-mode raw"), 1u);
    EXPECT_EQ(sim->Param("avg-m"), "1200");
    EXPECT_EQ(sim->Param("out2-mode"), "raw");
    EXPECT_EQ(sim->Param("sens-version"), version) << "factory lines are skipped without the option";
    const std::vector<std::string> states = StateLog();
    EXPECT_EQ(std::vector<std::string>(states.begin() + static_cast<long>(statesBefore), states.end()),
              (std::vector<std::string>{"busy:Import...", "idle", "busy:Sending...", "idle", "busy:Loading...",
                                        "idle"}));
}

TEST_F(FileTaskTest, DebugModeSwitchedOffDuringAnImportKeepsTheImportedValuesForTheSend)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(1), 1);
    const std::string path = dir.File("d.varncfg");
    ASSERT_EQ(Export(path), 1);
    std::string text = ReadFileText(path);
    const std::string old = "avg-m=" + sim->Param("avg-m") + "\n";
    ASSERT_NE(text.find(old), std::string::npos);
    text.replace(text.find(old), old.size(), "avg-m=1300\n");
    WriteText(path, text);

    sim->SetParam("misc-dbg", "0x0004");
    fe.nAnswer = 1;
    ClearCommands();
    ASSERT_EQ(Import(path, ConfigImportOptions()), 1) << messages->Last();
    EXPECT_EQ(sim->Param("misc-dbg"), "0x0000");
    EXPECT_EQ(Has(Sets(), "set avg-m 1300"), 1u);
    EXPECT_EQ(sim->Param("avg-m"), "1300");
}

TEST_F(FileTaskTest, AFileThatAppliesNothingIsAnErrorAndNothingIsSent)
{
    StartSim(SimOptions("MESTRALO", "3.24"));
    ASSERT_EQ(Load(1), 1);
    const std::string path = dir.File("k.varncfg");
    ASSERT_EQ(Export(path), 1);
    // Lines that end in a carriage return alone read as one header line.
    std::string crOnly = ReadFileText(path);
    std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
    for (const std::string& text : {std::string("; nothing but notes\r\n\r\n"), crOnly}) {
        WriteText(path, text);
        ClearCommands();
        EXPECT_EQ(Import(path, ConfigImportOptions()), 0);
        EXPECT_EQ(messages->Last(), "E:No parameter was imported from file '" + path + "' !");
        EXPECT_EQ(Has(messages->Texts(), "I:Configuration successfully imported !"), 0u);
        EXPECT_TRUE(Commands().empty()) << "nothing sent";
    }
}

TEST_F(FileTaskTest, BadValuesInAFileAreNamedWithTheirLineAndNeverSent)
{
    StartSim(SimOptions("MESTRALO", "3.24"));
    ASSERT_EQ(Load(1), 1);
    const std::string path = dir.File("m.varncfg");
    ASSERT_EQ(Export(path), 1);
    const std::string exported = ReadFileText(path);
    auto with = [&exported](const std::string& sKey, const std::string& sValue) {
        std::string text = exported;
        const size_t at = text.find("\n" + sKey + "=") + 1;
        text.replace(at, text.find('\n', at) - at, sKey + "=" + sValue);
        return text;
    };
    const std::string range = GetRange(CTL_PRIMARY_RANGE);
    const std::string other = range == "2V5" ? "5V" : "2V5";
    struct Case {
        std::string sText;
        const char* szMessage;
    };
    const Case cases[] = {
        {with("out1-mode", "bogus"), "E:Bad value for 'out1-mode' at line 3 : 'bogus' is not one of its values !"},
        {with("cons-idle", ""), "E:Bad value for 'cons-idle' at line 14 : it is empty !"},
        {exported + "range-hail=" + other + "\n", "E:Parameter 'range-hail' at line 39 is not applied to a MESTRALO sensor !"},
    };
    for (const Case& c : cases) {
        WriteText(path, c.sText);
        ClearCommands();
        EXPECT_EQ(Import(path, ConfigImportOptions()), 0) << c.szMessage;
        EXPECT_EQ(messages->Last(), c.szMessage);
        EXPECT_TRUE(Sets().empty()) << c.szMessage;
        EXPECT_EQ(GetRange(CTL_PRIMARY_RANGE), range) << "the rain range is never touched";
    }
    // Ignoring errors goes on past them; the rest is applied and sent.
    ConfigImportOptions ignore;
    ignore.bImportIgnoreErr = true;
    WriteText(path, with("avg-m", "1800") + "range-hail=" + other + "\n");
    ClearCommands();
    EXPECT_EQ(Import(path, ignore), 1) << messages->Last();
    EXPECT_EQ(GetRange(CTL_PRIMARY_RANGE), range);
    EXPECT_EQ(sim->Param("avg-m"), "1800");

    // A typo in a number or a line too long for a command: the send that
    // follows names it and sends nothing.
    for (const std::string& text : {with("avg-m", "600x"), with("lin-xc1", std::string(2030, '1'))}) {
        WriteText(path, text);
        ClearCommands();
        EXPECT_EQ(Import(path, ConfigImportOptions()), 0);
        EXPECT_NE(messages->Last().find("Nothing has been sent to the sensor !"), std::string::npos)
            << messages->Last();
        EXPECT_TRUE(Sets().empty());
    }
}

TEST_F(FileTaskTest, AShortSignatureExportsAndImportsBackIntoItsSensor)
{
    StartSim(SimOptions("KORVALIN"));
    sim->SetParam("hw-sn", "ABC123");
    ASSERT_EQ(Load(1), 1);
    const std::string path = dir.File("short.varncfg");
    ASSERT_EQ(Export(path), 1);
    EXPECT_EQ(FileLines(path).front(), "[VARN-CONFIG=ABC123]");
    ConfigImportOptions options;
    options.bImportApply = false;
    EXPECT_EQ(Import(path, options), 1) << messages->Last();
    EXPECT_EQ(messages->Last(), "I:Configuration successfully imported !");
}

TEST_F(FileTaskTest, PipesAndDevicesAreRefusedAtOnce)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(1), 1);
    const std::string fifo = dir.File("pipe.varncfg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const size_t statesBefore = StateLog().size();
    EXPECT_EQ(ImportDialogAccept(fifo, ConfigImportOptions()), 0);
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + fifo + "' for reading : it is a pipe, not a regular file !");
    EXPECT_EQ(ImportDialogAccept("/dev/zero", ConfigImportOptions()), 0);
    EXPECT_EQ(messages->Last(), "E:Could not open file '/dev/zero' for reading : it is a device, not a regular file !");
    EXPECT_EQ(ExportSensorConfig(fifo), 0);
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + fifo + "' for writing : it is a pipe, not a regular file !");
    EXPECT_EQ(StateLog().size(), statesBefore) << "no worker started";
    // Put there after the dialog: the workers refuse it too, without blocking.
    ASSERT_EQ(ConfigStorePath(fifo, szImportFile), 1);
    EXPECT_EQ(ImportSensorConfig(), 1);
    ASSERT_TRUE(ops.WaitIdle(WAIT_MS));
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + fifo + "' for reading : it is a pipe, not a regular file !");
    ASSERT_EQ(ConfigStorePath(fifo, szExportFile), 1);
    EXPECT_EQ(ops.Start(CONFIG_OP_EXPORT, [] { return ExportSensorConfigFn(); }), 1);
    ASSERT_TRUE(ops.WaitIdle(WAIT_MS));
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + fifo + "' for writing !");
}

TEST_F(FileTaskTest, SensorFoundInScopeModeIsDisconnectedAndNothingIsSent)
{
    StartSim(SimOptions("GRESTOLV"));
    ASSERT_EQ(Load(1), 1);
    const std::string path = dir.File("g.varncfg");
    ASSERT_EQ(Export(path), 1);
    sim->SetParam("misc-scopemode", "yes");
    ClearCommands();
    EXPECT_EQ(Import(path, ConfigImportOptions()), 1);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_FALSE(ops.Busy());
    EXPECT_EQ(StateLog().back(), "idle");
    EXPECT_EQ(Has(StateLog(), "busy:Sending..."), 0u);
}

TEST_F(FileTaskTest, ImportDialogChecksAndTheFactoryUnlock)
{
    StartSim(SimOptions("DUVIKORN"));
    ASSERT_EQ(Load(1), 1);
    const std::string path = dir.File("d.varncfg");
    ASSERT_EQ(Export(path), 1);
    const size_t statesBefore = StateLog().size();
    ConfigImportOptions factory;
    factory.bImportFactory = true;

    EXPECT_EQ(ImportDialogAccept("", ConfigImportOptions()), 0);
    EXPECT_EQ(messages->Last(), "E:Please enter export filename !");
    EXPECT_EQ(ImportDialogAccept(dir.File("none.varncfg"), ConfigImportOptions()), 0);
    EXPECT_EQ(messages->Last(), "E:Filename  '" + dir.File("none.varncfg") + "' not found !");
    EXPECT_EQ(ImportDialogAccept(dir.Path(), ConfigImportOptions()), 0) << "a folder is no file";
    EXPECT_EQ(ImportDialogAccept("/" + std::string(600, 'a'), ConfigImportOptions()), 0);

    SetPasswordDialog(nullptr);   // cancelled
    ClearCommands();
    EXPECT_EQ(ImportDialogAccept(path, factory), 0);
    EXPECT_TRUE(Commands().empty());
    AnswerPassword("wrong");
    EXPECT_EQ(ImportDialogAccept(path, factory), 0);
    EXPECT_EQ(Has(Commands(), "admin wrong"), 1u);
    EXPECT_EQ(bAdmin.load(), 0);
    EXPECT_FALSE(pages.Enabled(CTL_SENS_VERSION));
    EXPECT_EQ(StateLog().size(), statesBefore) << "nothing was imported";

    // The path is kept whole or refused, never cut to another name.
    const std::string longPath = dir.File(std::string(APP_PATH_SIZE, 'b'));
    EXPECT_EQ(ExportSensorConfig(longPath), 0);
    EXPECT_EQ(messages->Last().rfind("E:The path is too long", 0), 0u);
}

TEST_F(FileTaskTest, FilesThatCannotBeOpenedReadOrWrittenAreReported)
{
    nSensorType = SENSOR_TYPE_KORVALIN;
    std::snprintf(szSensorType, sizeof szSensorType, "KORVALIN");
    const std::string missing = dir.File("no/such/folder.varncfg");
    EXPECT_EQ(Export(missing), 0);
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + missing + "' for writing !");
    EXPECT_EQ(fe.LastPosition(), 100);
    EXPECT_EQ(StateLog(), (std::vector<std::string>{"busy:Export...", "idle"}));

    // A write error (here the file size limit, as a full disk) is reported
    // instead of the success, and the file that was there is kept.
    const std::string path = dir.File("full.varncfg");
    WriteText(path, "old");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int written = Export(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(messages->Last(), "E:Could not write file '" + path + "' !");
    EXPECT_EQ(ReadFileText(path), "old");
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        entries += e.path().filename() == "full.varncfg" ? 0 : 1;
    EXPECT_EQ(entries, 0u) << "no temporary file is left";

    // The import's own file faults: gone since the dialog, or unreadable.
    ASSERT_EQ(ConfigStorePath(dir.File("gone.varncfg"), szImportFile), 1);
    EXPECT_EQ(ImportSensorConfig(), 1);
    ASSERT_TRUE(ops.WaitIdle(WAIT_MS));
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + dir.File("gone.varncfg") + "' for reading !");
    ASSERT_EQ(ConfigStorePath(dir.Path(), szImportFile), 1);
    EXPECT_EQ(ImportSensorConfig(), 1);
    ASSERT_TRUE(ops.WaitIdle(WAIT_MS));
    EXPECT_EQ(ops.ChainResult(), 0);
    EXPECT_EQ(messages->Last(), "E:Could not open file '" + dir.Path() + "' for reading : it is a folder, not a regular file !");
    EXPECT_EQ(StateLog().back(), "idle");
}

}  // namespace
