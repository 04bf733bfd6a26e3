#include "profile.h"

const char szFailPrefixLong[] =
    "Error during sensor communication !\n(Please check sensor connection, power, serial port "
    "configuration and firmware version)\n\n";
const char szFailPrefixShort[] =
    "Error during sensor communication !\n(Please check sensor connection, power and serial "
    "port configuration)\n\n";

int nProgram = PROGRAM_CONFIG;

// clang-format off
const ProgramProfile tProgramProfiles[PROGRAM_COUNT] = {
    // file name          internal name     version single debug  examp  warn   msg   fread queue  open  fatal  write label   empty  wk wkread form            prefix             cfgread
    { "VARN-Config",     "VARN-CONFIG",    "1.60", true,  true,  true,  true,  512,  4096, 4096,  500, true,  "WRITE : ",  true,  5, 2048, CONSOLE_LINES,  szFailPrefixLong,  2048 },
    { "VARN-Scope",      "VARN-SCOPE",     "1.45", true,  true,  true,  false, 4096, 8192, 8192, 1000, true,  "WRITE : ",  true,  3, 8192, CONSOLE_SINGLE, szFailPrefixShort, 8192 },
    { "VARN-Flash",      "VARN-FLASH",     "1.47", true,  true,  true,  true,  512,  4096, 4096,    0, false, "WRITE  : ", true,  0, 2048, CONSOLE_NONE,   szFailPrefixShort, 2048 },
    { "VARN-Datalogger", "VARN-LOGGER",    "1.26", true,  true,  true,  true,  512,  4096, 4096, 5000, false, "WRITE  : ", true,  3, 2048, CONSOLE_LINES,  szFailPrefixShort, 2048 },
    { "VARN-Terminal",   "VARN-TERMINAL",  "1.28", true,  true,  true,  false, 512,  4096, 4096,  500, true,  "WRITE : ",  false, 1, 2048, CONSOLE_NONE,   szFailPrefixShort, 2048 },
    { "VARN-Toolbox",    "VARN-TOOLBOX",   "1.45", true,  false, true,  false, 512,  4096,    0,    0, false, "WRITE : ",  true,  0, 2048, CONSOLE_NONE,   szFailPrefixShort, 2048 },
    { "VARN-Install",    "VARN-INSTALL",   "1.29", false, false, false, true,  512,  4096,    0,    0, false, "WRITE : ",  true,  0, 2048, CONSOLE_NONE,   szFailPrefixShort, 2048 },
};
// clang-format on
