// The seven programs of the suite and what differs between them.
//
// Every behaviour that varies per program (title, log name, serial queue
// sizes, opening time-out, trace labels, console wake-up, failure prefix)
// stands in one record per program, so shared code asks the profile instead
// of branching on the program.
#pragma once

#include <cstddef>

enum Program {
    PROGRAM_CONFIG = 0,
    PROGRAM_SCOPE,
    PROGRAM_FLASH,
    PROGRAM_DATALOGGER,
    PROGRAM_TERMINAL,
    PROGRAM_TOOLBOX,
    PROGRAM_INSTALL,
    PROGRAM_COUNT
};

// How a program exchanges one console command (see sensor.h).
enum ConsoleForm {
    CONSOLE_NONE = 0,   // raw terminal: only the wake-up is used
    CONSOLE_LINES,      // echo and status read line by line
    CONSOLE_SINGLE      // echo and status taken from one read
};

struct ProgramProfile {
    const char* szFileName;       // program file and log name, e.g. "VARN-Config"
    const char* szInternalName;   // title and single-instance name, e.g. "VARN-CONFIG"
    const char* szVersion;        // version text, e.g. "1.60"
    bool bSingleInstance;         // a second start raises the first and exits
    bool bDebugBox;               // has the "Debug" check box (can enable logging)
    bool bExampleDir;             // builds szProgExampleDir
    bool bWarning;                // has the Warning reporter
    unsigned uMessageSize;        // reporter buffer, bytes including the terminator
    unsigned uFileReadSize;       // FileRead buffer, bytes including the terminator
    unsigned uQueueSize;          // serial driver queue sizes, bytes (0: no serial port)
    unsigned uOpenTimeout;        // ms set by SerialOpen (0: none set)
    bool bOpenTimeoutFatal;       // a failed opening time-out fails the open
    const char* szWriteLabel;     // trace label of written blocks
    bool bTraceEmptyReads;        // reads of 0 bytes are traced too
    unsigned uWakeupCount;        // "wakeup!" repetitions
    unsigned uWakeupReadSize;     // bytes read (and dropped) after each wake-up
    ConsoleForm nConsoleForm;     // command exchange form
    const char* szFailPrefix;     // prefix of every console wrapper's failure message
    unsigned uConfigReadSize;     // bytes read for the configuration listing
};

extern const ProgramProfile tProgramProfiles[PROGRAM_COUNT];

// The running program; set once by the start-up frame (tests set it per case).
extern int nProgram;

inline const ProgramProfile& CurrentProfile() { return tProgramProfiles[nProgram]; }

// The prefixes of console failure messages.
extern const char szFailPrefixLong[];
extern const char szFailPrefixShort[];
