// The install script: a text file, "VARN-Update.install", that the updater
// puts into the update's temporary folder to say which file goes where and
// which files go away:
//
//     ; comment
//     [VARN-UPDATE-INSTALL]
//     INSTALL=source|destination
//     DELETE=path
//
// The reader works on bytes only (no files, no state outside the object), so
// that a fuzzer or a test can feed it anything:
//  - lines are taken as a 1024-byte line buffer takes them: at most 1023
//    bytes at a time, up to and including a line feed; a longer line is cut
//    and its rest read as a further line; a zero byte ends the line's text;
//  - one line feed, then one carriage return are removed from the end;
//  - empty lines and lines beginning with ";" are skipped, but every line
//    read counts for the line numbers (from 1);
//  - the first other line must be exactly the header;
//  - every further line is "name=argument", split at the first "=", nothing
//    trimmed, names case-sensitive; INSTALL's argument is split at its first
//    "|"; unknown names are reported as such, and ignored by the installer.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

constexpr char SCRIPT_FILE_NAME[] = "VARN-Update.install";
constexpr char SCRIPT_HEADER[] = "[VARN-UPDATE-INSTALL]";
constexpr size_t SCRIPT_LINE_SIZE = 1024;   // line buffer, bytes including the terminator

enum ScriptEntryKind {
    SCRIPT_INSTALL = 0,       // INSTALL=source|destination
    SCRIPT_DELETE,            // DELETE=path
    SCRIPT_UNKNOWN,           // any other name: no action
    SCRIPT_BAD_HEADER,        // a line before the header that is not the header
    SCRIPT_BAD_SEPARATOR,     // a command line without "="
    SCRIPT_NO_DESTINATION,    // an INSTALL argument without "|"
};

// One command line of the script, or the error that ends the reading.
struct ScriptEntry {
    ScriptEntryKind nKind = SCRIPT_UNKNOWN;
    unsigned uLine = 0;       // number of the line, every line read counted from 1
    std::string sName;        // text before the first "="
    std::string sArg;         // text after it
    std::string sSource;      // INSTALL: argument before the first "|"
    std::string sDest;        // INSTALL: argument after it
};

inline bool ScriptEntryIsError(const ScriptEntry& e)
{
    return e.nKind >= SCRIPT_BAD_HEADER;
}

// Reads a script from successive blocks of bytes. Every command line (and
// the first error) is handed to the callback, in order; the header and the
// skipped lines are not. The reading stops after an error, or when the
// callback returns false.
class ScriptReader {
public:
    using EntryFn = std::function<bool(const ScriptEntry&)>;
    explicit ScriptReader(EntryFn fnEntry) : fnEntry(std::move(fnEntry)) {}

    // The next bytes of the file. false once the reading has stopped.
    bool Feed(const char* pData, size_t uSize);
    // The end of the file: a last line without a line end is read. false
    // when the reading had stopped or stops at that line.
    bool Finish();

    bool Stopped() const { return bStopped; }
    bool HeaderSeen() const { return bHeader; }
    unsigned LinesRead() const { return uLines; }

private:
    bool Line();

    EntryFn fnEntry;
    std::string sPiece;       // the line being gathered, at most SCRIPT_LINE_SIZE - 1 bytes
    unsigned uLines = 0;
    bool bHeader = false;
    bool bStopped = false;
};

// Reads a whole script held in memory: the entries up to and including the
// first error.
std::vector<ScriptEntry> ScriptReadAll(const char* pData, size_t uSize);
