// The record of an installation's second pass, kept beside the script in
// the update's folder, so that a stopped installation can be run again and
// complete.
//
// A file moved into place has left the update's folder; when the run stops
// later (a missing file, the window closed), running it again would find
// that source gone. Before each move the pass writes the line's number into
// the record; a later run of the same script takes a missing source on a
// recorded line as installed already. A line is recorded only while its
// source is there, so a source that never came is still reported.
//
// File: the script's hash as 16 lower-case hexadecimal digits, then one line
// number per line, every line ended by "\n". The record belongs to the
// script whose bytes have that hash; any other record is ignored and
// replaced. It is removed with the script after a complete run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

constexpr char JOURNAL_FILE_NAME[] = "VARN-Update.installed";

// 64-bit FNV-1a of a byte stream, fed in pieces.
class ScriptHash {
public:
    void Add(const char* pData, size_t uSize);
    uint64_t Value() const { return uHash; }

private:
    uint64_t uHash = 0xcbf29ce484222325ull;
};

// The line numbers of a record held in memory, for the script with uHash:
// empty when the first line is not that hash. Reading stops at the first
// line that is not a number or has no line end (a write cut short).
std::set<unsigned> JournalParse(const char* pData, size_t uSize, uint64_t uHash);

class InstallJournal {
public:
    // Longest record read, bytes; lines past it are not seen.
    static constexpr size_t MAX_SIZE = 65536;

    // Reads the record at sPath for the script with uHash (a missing or
    // foreign record gives no lines).
    void Load(const std::string& sPath, uint64_t uHash);
    bool Has(unsigned uLine) const { return sLines.count(uLine) != 0; }
    // Adds the line number and writes the record to disk at once (a
    // foreign or missing record is replaced). false when it cannot be
    // written.
    bool Add(unsigned uLine);
    // Deletes the record's file.
    void Remove();

private:
    std::string sPath;
    uint64_t uHash = 0;
    std::set<unsigned> sLines;
};
