// A FILE argument given as "-": standard input or standard output in place
// of a file. The commands work on files (a configuration file is read
// twice, an export appears only when complete), so the stream passes
// through a private temporary folder that goes away with this object.
#pragma once

#include <string>

constexpr const char CLI_STANDARD_STREAM[] = "-";
// Most bytes taken from standard input: far above a configuration file or
// a firmware image.
constexpr size_t CLI_STDIN_MAX = 16u * 1024u * 1024u;

class CliStdioFile {
public:
    CliStdioFile() = default;
    ~CliStdioFile();
    CliStdioFile(const CliStdioFile&) = delete;
    CliStdioFile& operator=(const CliStdioFile&) = delete;

    // For a file varn reads: sArg itself, or for "-" a temporary file that
    // holds standard input. false after reporting (empty or oversized input,
    // no temporary folder).
    bool Input(const std::string& sArg, std::string* pPath);
    // For a file varn writes: sArg itself, or for "-" a name in the
    // temporary folder whose file Finish copies to standard output.
    bool Output(const std::string& sArg, std::string* pPath);
    // After a successful write: copies the temporary file to standard
    // output (nothing for a real file). false after reporting.
    bool Finish();

private:
    bool MakeFolder();
    std::string sFolder;
    std::string sOutput;
};
