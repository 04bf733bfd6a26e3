// Configuration file commands: export and import as the configuration
// program's File menu runs them, on in-memory pages, and a diff of a file
// against a sensor or another file for checking a fleet against a
// reference.
//
// "config export" loads, then writes the file beside its name and renames
// it over the name when complete. "config import" loads, reads the file
// into the pages with the Import dialog's options, then runs the Apply
// sequence unless --no-apply, and prints the resulting configuration as
// "config load" does. "config diff" prints "key: value -> other-value" for
// every parameter whose value differs ("(none)" where one side lacks the
// key), comparing the file's lines as written with what an export of the
// sensor would write now (or with the second file's lines); the header's
// signature is no parameter and is not compared.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "cli.h"
#include "config_file.h"
#include "config_session.h"
#include "file_task.h"
#include "fileutil.h"
#include "log.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

constexpr char szNone[] = "(none)";

// The words left after the options must be exactly uWords.
bool TakeWords(std::vector<std::string>& vArgs, size_t uWords, const char* szUsage)
{
    if (!CliNoOptionsLeft(vArgs))
        return false;
    if (vArgs.size() != uWords) {
        std::fprintf(stderr, "Usage: varn %s\n", szUsage);
        return false;
    }
    return true;
}

int RunExport(const std::vector<std::string>& vArgs)
{
    std::vector<std::string> args = vArgs;
    const bool yes = CliTakeYes(args);
    if (!TakeWords(args, 2, "config export PORT FILE [--yes]"))
        return EXIT_USAGE;
    const std::string& port = args[0];
    const std::string& path = args[1];
    ConfigSession session(yes);
    // A pipe or a device at the name is refused before the question and
    // before the sensor is loaded.
    if (!ConfigCheckExportTarget(path))
        return EXIT_FAILED;
    if (PathExists(path.c_str())) {
        const std::string question = "File '" + path + "' already exists !\nDo you want to overwrite it ?";
        if (!ConfigFrontEnd().Question(MESSAGE_INFO, question.c_str()))
            return EXIT_FAILED;
    }
    if (!session.Finish(DlgMainConnect(port.c_str())))
        return EXIT_FAILED;
    return session.Finish(ExportSensorConfig(path)) ? EXIT_OK : EXIT_FAILED;
}

int RunImport(const std::vector<std::string>& vArgs)
{
    std::vector<std::string> args = vArgs;
    const bool yes = CliTakeYes(args);
    ConfigImportOptions options;
    options.bImportFactory = CliTakeFlag(args, "--factory");
    options.bImportCheckHwSn = !CliTakeFlag(args, "--no-signature-check");
    options.bImportIgnoreErr = CliTakeFlag(args, "--ignore-errors");
    options.bImportApply = !CliTakeFlag(args, "--no-apply");
    std::string password;
    const int hasPassword = CliTakeOption(args, "--password", &password);
    if (hasPassword < 0)
        return EXIT_USAGE;
    if (options.bImportFactory != (hasPassword == 1)) {
        std::fprintf(stderr, "varn: --factory and --password TEXT go together\n");
        return EXIT_USAGE;
    }
    if (!TakeWords(args, 2,
                   "config import PORT FILE [--factory --password TEXT] [--no-signature-check] [--ignore-errors] "
                   "[--no-apply] [--yes]"))
        return EXIT_USAGE;
    const std::string& port = args[0];
    const std::string& path = args[1];
    ConfigSession session(yes);
    // The dialog's own check, made before a load that would be in vain.
    if (!FileExists(path.c_str())) {
        Error("Filename  '%s' not found !", path.c_str());
        return EXIT_FAILED;
    }
    // Only a regular file: a pipe or a device would be read without end.
    if (!ConfigCheckImportSource(path))
        return EXIT_FAILED;
    if (!session.Finish(DlgMainConnect(port.c_str())))
        return EXIT_FAILED;
    if (options.bImportFactory)
        ConfigSession::AnswerPassword(password);
    if (!session.Finish(ImportDialogAccept(path, options)))
        return EXIT_FAILED;
    session.Print();
    return EXIT_OK;
}

// The body lines of a file as written; 0 when it could not be read whole
// (reported).
int FileValues(const std::string& sPath, Values* pValues)
{
    const char* kind = nullptr;
    FILE* file = FileOpenRegular(sPath.c_str(), &kind);
    if (file == nullptr && kind != nullptr)
        return Error("Could not open file '%s' for reading : it is a %s, not a regular file !", sPath.c_str(), kind);
    if (file == nullptr)
        return Error("Could not open file '%s' for reading !", sPath.c_str());
    ConfigFileValues values;
    const int ok = ConfigFileReadStream(file, sPath.c_str(), values, false);
    std::fclose(file);
    *pValues = values.Values();
    return ok;
}

// What an export of the loaded sensor would write.
Values SensorValues()
{
    Values v;
    for (const SensorParam* p : ConfigFileRows(nSensorType.load())) {
        const std::string line = ConfigFileLine(*p);
        const size_t eq = line.find('=');
        v.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return v;
}

// Prints the differences; true when there is none.
bool PrintDifferences(const Values& vLeft, const Values& vRight)
{
    std::map<std::string, std::string> right(vRight.begin(), vRight.end());
    std::map<std::string, bool> seen;
    bool equal = true;
    for (const auto& [key, value] : vLeft) {
        seen[key] = true;
        const auto it = right.find(key);
        const std::string other = it != right.end() ? it->second : szNone;
        if (it == right.end() || it->second != value) {
            std::printf("%s: %s -> %s\n", key.c_str(), value.c_str(), other.c_str());
            equal = false;
        }
    }
    for (const auto& [key, value] : vRight) {
        if (!seen[key]) {
            std::printf("%s: %s -> %s\n", key.c_str(), szNone, value.c_str());
            equal = false;
        }
    }
    std::fflush(stdout);
    return equal;
}

int RunDiff(const std::vector<std::string>& vArgs)
{
    std::vector<std::string> args = vArgs;
    const bool yes = CliTakeYes(args);
    if (!TakeWords(args, 2, "config diff FILE PORT|FILE2 [--yes]"))
        return EXIT_USAGE;
    ConfigSession session(yes);
    Values left, right;
    if (!FileValues(args[0], &left))
        return EXIT_FAILED;
    // A port is a device (or a link to one); only a regular file is a file.
    std::error_code ec;
    if (std::filesystem::is_regular_file(args[1], ec)) {
        if (!FileValues(args[1], &right))
            return EXIT_FAILED;
    } else {
        if (!session.Finish(DlgMainConnect(args[1].c_str())))
            return EXIT_FAILED;
        right = SensorValues();
    }
    return PrintDifferences(left, right) ? EXIT_OK : EXIT_FAILED;
}

const VarnCommandGroup tConfigFileCommands({
    {"config export", "PORT FILE [--yes]",
     "Load the configuration and write it into FILE (.varncfg); the file appears only when complete. "
     "Asks before overwriting unless --yes.",
     2, 3, RunExport},
    {"config import", "PORT FILE [options]",
     "Load, read FILE (a regular file, not a pipe) into the configuration and send it (--no-apply: only read it). "
     "--factory --password "
     "TEXT also imports the factory parameters; --no-signature-check takes a file of another sensor of the "
     "same kind; --ignore-errors goes on after a faulty line.",
     2, 9, RunImport},
    {"config diff", "FILE PORT|FILE2",
     "Print 'key: file-value -> sensor-value' for every parameter that differs; exit status 0 when none "
     "does, 1 otherwise.",
     2, 3, RunDiff},
});

}  // namespace
