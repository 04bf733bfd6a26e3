// Command registry of the varn tool: each cmd_*.cpp file registers its
// commands with a static VarnCommandGroup, so families of commands stay in
// files of their own.
#pragma once

#include <string>
#include <vector>

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;   // the sensor, the port or a file failed
constexpr int EXIT_USAGE = 2;    // bad command line

struct VarnCommand {
    const char* szName;   // one or two words, e.g. "get" or "logger info"
    const char* szArgs;   // e.g. "PORT KEY..."
    const char* szHelp;   // one line
    int nMinArgs;
    int nMaxArgs;         // -1: no limit
    int (*pfnRun)(const std::vector<std::string>& vArgs);
    // The options the command takes, blank-separated ("--yes -y"); a
    // trailing '=' marks one that takes a value ("--unlock="). Any other
    // word that looks like an option is refused before the port is opened.
    const char* szOptions;
};

class VarnCommandGroup {
public:
    VarnCommandGroup(std::vector<VarnCommand> vCommands);
};

const std::vector<VarnCommand>& VarnCommands();
