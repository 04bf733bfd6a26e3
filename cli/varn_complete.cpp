// Words for the shell's completion of varn (cli/varn.bash-completion asks
// "varn --complete WHAT"): the command names, a command's options and the
// sensor's parameter keys, so the completion never lists them itself.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "cli.h"
#include "param_table.h"
#include "varn_args.h"

bool VarnPrintCompletion(const std::vector<std::string>& vWhat, FILE* pOut)
{
    if (vWhat.size() == 1 && vWhat[0] == "commands") {
        std::set<std::string> first;
        for (const VarnCommand& c : VarnCommands()) {
            const std::string name = c.szName;
            first.insert(name.substr(0, name.find(' ')));
        }
        for (const std::string& n : first)
            std::fprintf(pOut, "%s\n", n.c_str());
        return true;
    }
    if (vWhat.size() == 1 && vWhat[0] == "keys") {
        std::set<std::string> keys;
        for (size_t i = 0; i < uSensorParamCount; i++)
            keys.insert(tSensorParams[i].szKey);
        for (const std::string& k : keys)
            std::fprintf(pOut, "%s\n", k.c_str());
        return true;
    }
    if (vWhat.size() >= 2 && vWhat[0] == "options") {
        std::string name = vWhat[1];
        const std::string two = vWhat.size() >= 3 ? name + " " + vWhat[2] : std::string();
        for (const VarnCommand& c : VarnCommands()) {
            if (two != c.szName && name != c.szName)
                continue;
            std::string options = c.szOptions ? c.szOptions : "";
            for (size_t at = 0; at < options.size();) {
                size_t end = options.find(' ', at);
                if (end == std::string::npos)
                    end = options.size();
                std::string o = options.substr(at, end - at);
                if (!o.empty() && o.back() == '=')
                    o.pop_back();
                if (!o.empty())
                    std::fprintf(pOut, "%s\n", o.c_str());
                at = end + 1;
            }
            std::fprintf(pOut, "--help\n");
            return true;
        }
        return true;
    }
    return false;
}
