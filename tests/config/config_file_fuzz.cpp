#include "config_file_fuzz.h"

#include <cstdio>

#include "config_file.h"
#include "log.h"
#include "memory_pages.h"
#include "sensor_kind.h"

namespace {

void Drop(MessageKind, const char*) {}

}  // namespace

int ConfigFileFuzzOne(const uint8_t* pData, size_t uSize)
{
    const unsigned selector = uSize > 0 ? pData[0] : 0;
    ConfigPages& previous = Pages();
    MemoryPages pages;
    ConfigAttachPages(&pages);
    ConfigPagesCreate();
    const MessageFn previousMessages = GetMessageHandler();
    SetMessageHandler(Drop);

    const int type = static_cast<int>(selector % SENSOR_TYPE_COUNT);
    nSensorType = type;
    std::snprintf(szSensorType, sizeof szSensorType, "%s", tSensorKinds[type].szName);
    pages.SetText(CTL_MAIN_VISA, "0036003F3137510A33353438");
    ConfigImportOptions options;
    options.bImportCheckHwSn = (selector & 0x08) != 0;
    options.bImportFactory = (selector & 0x10) != 0;
    options.bImportIgnoreErr = (selector & 0x20) != 0;
    const char* text = reinterpret_cast<const char*>(pData);
    ConfigPagesImport import(options);
    ConfigFileRead(text, uSize, import, options.bImportIgnoreErr);
    ConfigFileValues values;
    ConfigFileRead(text, uSize, values, false);

    SetMessageHandler(previousMessages);
    ConfigAttachPages(&previous);
    return 0;
}
