#include "install_journal.h"

#include <cstdio>
#include <fstream>

#include "install_files.h"

void ScriptHash::Add(const char* pData, size_t uSize)
{
    for (size_t i = 0; i < uSize; i++) {
        uHash ^= static_cast<unsigned char>(pData[i]);
        uHash *= 0x100000001b3ull;
    }
}

namespace {

std::string HashLine(uint64_t uHash)
{
    char line[32];
    std::snprintf(line, sizeof line, "%016llx\n", static_cast<unsigned long long>(uHash));
    return line;
}

}  // namespace

std::set<unsigned> JournalParse(const char* pData, size_t uSize, uint64_t uHash)
{
    std::set<unsigned> lines;
    const std::string head = HashLine(uHash);
    if (uSize < head.size() || std::string(pData, head.size()) != head)
        return lines;
    size_t pos = head.size();
    while (pos < uSize) {
        unsigned long long value = 0;
        size_t digits = 0;
        while (pos < uSize && pData[pos] >= '0' && pData[pos] <= '9' && digits < 10) {
            value = value * 10 + static_cast<unsigned>(pData[pos] - '0');
            pos++;
            digits++;
        }
        if (digits == 0 || pos >= uSize || pData[pos] != '\n' || value == 0 || value > 0xFFFFFFFFull)
            break;
        lines.insert(static_cast<unsigned>(value));
        pos++;
    }
    return lines;
}

void InstallJournal::Load(const std::string& sFile, uint64_t uScriptHash)
{
    sPath = sFile;
    uHash = uScriptHash;
    sLines.clear();
    std::ifstream in(sPath, std::ios::binary);
    if (!in)
        return;
    std::string bytes(MAX_SIZE, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    sLines = JournalParse(bytes.data(), bytes.size(), uHash);
}

bool InstallJournal::Add(unsigned uLine)
{
    if (sPath.empty())
        return false;
    std::set<unsigned> lines = sLines;
    lines.insert(uLine);
    std::string text = HashLine(uHash);
    for (unsigned line : lines)
        text += std::to_string(line) + "\n";
    // The whole record is written anew in one step, so that an abrupt end
    // leaves either the old record or the new one.
    if (!InstallWriteFileAtOnce(sPath, text))
        return false;
    sLines = std::move(lines);
    return true;
}

void InstallJournal::Remove()
{
    if (!sPath.empty())
        std::remove(sPath.c_str());
    sLines.clear();
}
