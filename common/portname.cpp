#include "portname.h"

#include <map>

std::string PortDescribe(const std::string& sDevice, const PortUsbInfo& info)
{
    std::string known;
    for (const std::string& field : {info.sProduct, info.sMaker,
                                     info.sSerial.empty() ? std::string() : "S/N " + info.sSerial}) {
        if (field.empty())
            continue;
        if (!known.empty())
            known += ", ";
        known += field;
    }
    return known.empty() ? sDevice : sDevice + " (" + known + ")";
}

std::vector<std::string> PortDisplayNames(const std::vector<std::string>& vPaths, const std::string& sSysRoot)
{
    std::vector<std::string> names;
    std::map<std::string, int> uses;
    for (const std::string& path : vPaths) {
        names.push_back(PortDisplayName(path, sSysRoot));
        uses[names.back()]++;
    }
    for (size_t i = 0; i < names.size(); i++) {
        if (uses[names[i]] > 1)
            names[i] = vPaths[i];
    }
    return names;
}
