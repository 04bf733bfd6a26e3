// "varn ports": every port a window's list would offer, with what the
// system knows of it, in columns for people and as JSON for scripts. The
// descriptions come from the same functions as the windows' lists
// (LoadPortList, PortDescribeDetails).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "frontend.h"
#include "portaccess.h"
#include "portname.h"
#include "serial.h"

namespace {

constexpr char szUnknown[] = "-";

// A JSON string: quotes, backslashes and control bytes escaped (the texts
// are printable ASCII already; paths may hold anything).
std::string Json(const std::string& sText)
{
    std::string out = "\"";
    for (char c : sText) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string OrUnknown(const std::string& sText)
{
    return sText.empty() ? szUnknown : sText;
}

struct Row {
    PortDetails d;
    std::string sNote;
    std::string sReason;
};

void PrintJson(const std::vector<Row>& vRows)
{
    std::printf("[");
    for (size_t i = 0; i < vRows.size(); i++) {
        const Row& r = vRows[i];
        const PortUsbInfo& u = r.d.usb;
        std::printf("%s\n  {\"path\": %s, \"name\": %s, \"by_id\": %s, \"vendor_id\": %s, \"product_id\": %s, "
                    "\"product\": %s, \"maker\": %s, \"serial\": %s, \"access\": %s",
                    i == 0 ? "" : ",", Json(r.d.sPath).c_str(), Json(r.d.sName).c_str(), Json(r.d.sById).c_str(),
                    Json(u.sVendorId).c_str(), Json(u.sProductId).c_str(), Json(u.sProduct).c_str(),
                    Json(u.sMaker).c_str(), Json(u.sSerial).c_str(), r.sNote.empty() ? "true" : "false");
        if (!r.sReason.empty())
            std::printf(", \"reason\": %s", Json(r.sReason).c_str());
        std::printf("}");
    }
    std::printf("%s]\n", vRows.empty() ? "" : "\n");
}

void PrintColumns(const std::vector<Row>& vRows)
{
    std::vector<std::vector<std::string>> cells = {{"PORT", "BY-ID", "USB-ID", "PRODUCT", "MAKER", "SERIAL"}};
    for (const Row& r : vRows) {
        const PortUsbInfo& u = r.d.usb;
        const std::string ids = u.sVendorId.empty() ? szUnknown : u.sVendorId + ":" + OrUnknown(u.sProductId);
        const size_t slash = r.d.sById.rfind('/');
        cells.push_back({r.d.sPath, r.d.sById.empty() ? szUnknown : r.d.sById.substr(slash + 1), ids,
                         OrUnknown(u.sProduct), OrUnknown(u.sMaker), OrUnknown(u.sSerial)});
    }
    std::vector<size_t> width(cells[0].size(), 0);
    for (const auto& line : cells)
        for (size_t c = 0; c < line.size(); c++)
            width[c] = std::max(width[c], line[c].size());
    for (size_t i = 0; i < cells.size(); i++) {
        std::string text;
        for (size_t c = 0; c < cells[i].size(); c++) {
            text += cells[i][c];
            if (c + 1 < cells[i].size())
                text += std::string(width[c] - cells[i][c].size() + 2, ' ');
        }
        if (i > 0 && !vRows[i - 1].sReason.empty())
            text += "  (" + vRows[i - 1].sReason + ")";
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        std::printf("%s\n", text.c_str());
    }
}

int RunPorts(const std::vector<std::string>& vArgs)
{
    std::vector<std::string> args = vArgs;
    const bool json = CliTakeFlag(args, "--json");
    if (!CliNoOptionsLeft(args))
        return EXIT_USAGE;
    const PortList list = LoadPortList();
    std::vector<Row> rows;
    for (size_t i = 1; i < list.vEntries.size(); i++) {
        Row r;
        r.d = PortDescribeDetails(list.vEntries[i]);
        r.sNote = i < list.vNotes.size() ? list.vNotes[i] : std::string();
        if (!r.sNote.empty())
            r.sReason = SerialPortOpenReason(list.vEntries[i], EACCES);
        rows.push_back(r);
    }
    if (json)
        PrintJson(rows);
    else if (!rows.empty())
        PrintColumns(rows);
    return EXIT_OK;
}

const VarnCommandGroup tPortCommands({
    {"ports", "[--json]",
     "List the serial ports: path, stable name under /dev/serial/by-id, USB vendor:product ids, product, "
     "maker and serial number ('-' where unknown); ports you may not open are listed with the reason. --json "
     "prints an array of objects for scripts.",
     0, 1, RunPorts, "--json"},
});

}  // namespace
