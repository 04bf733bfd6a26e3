// This folder's own copy of the core tests' helpers (test_support.h), so the
// flash tests build without the core test executable's sources.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace {
std::mutex mRecorded;
std::vector<std::string> vRecorded;
}  // namespace

MessageRecorder::MessageRecorder() : pfnPrevious(GetMessageHandler())
{
    std::lock_guard<std::mutex> lock(mRecorded);
    vRecorded.clear();
    SetMessageHandler(Record);
}

MessageRecorder::~MessageRecorder()
{
    SetMessageHandler(pfnPrevious);
}

void MessageRecorder::Record(MessageKind nKind, const char* szText)
{
    static const char* const tKind[] = {"E:", "W:", "I:"};
    std::lock_guard<std::mutex> lock(mRecorded);
    vRecorded.push_back(std::string(tKind[nKind]) + szText);
}

std::vector<std::string> MessageRecorder::Texts() const
{
    std::lock_guard<std::mutex> lock(mRecorded);
    return vRecorded;
}

std::string MessageRecorder::Last() const
{
    std::lock_guard<std::mutex> lock(mRecorded);
    return vRecorded.empty() ? std::string() : vRecorded.back();
}

size_t MessageRecorder::Count() const
{
    std::lock_guard<std::mutex> lock(mRecorded);
    return vRecorded.size();
}

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/varn-flash-test-XXXXXX";
    if (mkdtemp(tmpl.data()) != nullptr)
        sPath = tmpl;
}

TempDir::~TempDir()
{
    if (!sPath.empty())
        std::system(("rm -rf '" + sPath + "'").c_str());
}

std::string ReadFileText(const std::string& sPath)
{
    std::ifstream in(sPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool FileExistsOnDisk(const std::string& sPath)
{
    struct stat st{};
    return stat(sPath.c_str(), &st) == 0;
}
