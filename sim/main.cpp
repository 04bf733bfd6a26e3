// varn-sim: the sensor simulator as a process. Prints the port path and the
// link path (an empty line without a link), then answers until SIGINT or
// SIGTERM. SIGUSR1 powers the sensor on, SIGUSR2 powers it off.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <getopt.h>
#include <string>
#include <utility>
#include <vector>

#include "simulator.h"

namespace {

const char kUsage[] =
    "Usage: varn-sim [OPTION]...\n"
    "Simulates the sensor on a pseudo-terminal. Prints the port path and the link\n"
    "path (empty line without --link), then runs until SIGINT or SIGTERM.\n"
    "SIGUSR1 powers the sensor on, SIGUSR2 powers it off.\n"
    "\n"
    "Sensor:\n"
    "  --kind NAME               KORVALIN (default), DUVIKORN, MESTRALO, PALVETRA,\n"
    "                            GRESTOLV or ORBIK\n"
    "  --fw-version TEXT         firmware version (default 3.45)\n"
    "  --unique-id HEX           24 hex digits, also the hardware serial number\n"
    "  --admin-password TEXT     password of \"admin\" (default varn)\n"
    "  --param KEY=VALUE         preset a parameter verbatim (repeatable)\n"
    "  --logger-records N        records stored in the logger (default 0)\n"
    "  --logger-capacity N       records the logger holds (default 262144, or\n"
    "                            the record count when that is more)\n"
    "  --no-extflash             no logger flash chip\n"
    "Line and power:\n"
    "  --link NAME               publish the port in the virtual port folder\n"
    "  --no-pace                 do not pace the line at 115200 baud\n"
    "  --powered-off             start powered off (SIGUSR1 powers on)\n"
    "  --power-up-after MS       start powered off, power up after MS\n"
    "  --boot-window MS          bootloader listening time (default 1000)\n"
    "  --reboot-time MS          deaf time of a reboot (default 300)\n"
    "  --idle-timeout MS         console sleep time (default: cons-idle seconds)\n"
    "Faults:\n"
    "  --refuse-set KEY          refuse \"set KEY\" (repeatable)\n"
    "  --refuse-get KEY          refuse \"get KEY\" (repeatable)\n"
    "  --answer-delay MS         answer every command MS late\n"
    "  --logger-skip K           leave record K out of downloads\n"
    "  --logger-no-separator K   send record K without ';'\n"
    "  --logger-stop-after K     stop downloads after record K\n"
    "  --logger-cut K            stop downloads in the middle of record K\n"
    "  --magic-reply BYTE        answer MAGIC with BYTE instead of '!'\n"
    "  --boot-noise MS           noise on the line for MS after power-up\n"
    "  --fail-frame CODE:N:STATUS  answer the N-th frame CODE with STATUS\n"
    "  --silence-upload-after K  stop answering after K data blocks\n"
    "  --scope-fault NAME:K      scope stream fault at frame K: short, long,\n"
    "                            newline, oversized, garbage or hangup\n"
    "  -h, --help                show this help\n"
    "  --version                 print the version\n"
    "\n"
    "Exit status: 0 after SIGINT or SIGTERM, 1 the port could not be made, 2 bad usage.\n";

enum OptionId {
    kKind = 256, kFwVersion, kUniqueId, kAdminPassword, kParam, kLoggerRecords, kLoggerCapacity, kNoExtFlash,
    kLink, kNoPace, kPoweredOff, kPowerUpAfter, kBootWindow, kRebootTime, kIdleTimeout, kRefuseSet, kRefuseGet,
    kAnswerDelay, kLoggerSkip, kLoggerNoSeparator, kLoggerStopAfter, kLoggerCut, kMagicReply, kBootNoise,
    kFailFrame, kSilenceUploadAfter, kScopeFault, kHelp, kVersion,
};

const option kOptions[] = {
    {"kind", required_argument, nullptr, kKind},
    {"fw-version", required_argument, nullptr, kFwVersion},
    {"unique-id", required_argument, nullptr, kUniqueId},
    {"admin-password", required_argument, nullptr, kAdminPassword},
    {"param", required_argument, nullptr, kParam},
    {"logger-records", required_argument, nullptr, kLoggerRecords},
    {"logger-capacity", required_argument, nullptr, kLoggerCapacity},
    {"no-extflash", no_argument, nullptr, kNoExtFlash},
    {"link", required_argument, nullptr, kLink},
    {"no-pace", no_argument, nullptr, kNoPace},
    {"powered-off", no_argument, nullptr, kPoweredOff},
    {"power-up-after", required_argument, nullptr, kPowerUpAfter},
    {"boot-window", required_argument, nullptr, kBootWindow},
    {"reboot-time", required_argument, nullptr, kRebootTime},
    {"idle-timeout", required_argument, nullptr, kIdleTimeout},
    {"refuse-set", required_argument, nullptr, kRefuseSet},
    {"refuse-get", required_argument, nullptr, kRefuseGet},
    {"answer-delay", required_argument, nullptr, kAnswerDelay},
    {"logger-skip", required_argument, nullptr, kLoggerSkip},
    {"logger-no-separator", required_argument, nullptr, kLoggerNoSeparator},
    {"logger-stop-after", required_argument, nullptr, kLoggerStopAfter},
    {"logger-cut", required_argument, nullptr, kLoggerCut},
    {"magic-reply", required_argument, nullptr, kMagicReply},
    {"boot-noise", required_argument, nullptr, kBootNoise},
    {"fail-frame", required_argument, nullptr, kFailFrame},
    {"silence-upload-after", required_argument, nullptr, kSilenceUploadAfter},
    {"scope-fault", required_argument, nullptr, kScopeFault},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// A whole-text integer in [lo, hi]; decimal, or hexadecimal after 0x.
bool ParseInt(const char* text, long lo, long hi, long* out)
{
    if (text == nullptr || *text == '\0')
        return false;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 0);
    if (errno != 0 || *end != '\0' || value < lo || value > hi)
        return false;
    *out = value;
    return true;
}

struct Faults {
    std::vector<std::string> refuseSet, refuseGet;
    int answerDelay = 0;
    varnsim::LoggerFault loggerFault = varnsim::LoggerFault::None;
    int loggerRecord = 0;
    int magicReply = -1;
    int bootNoise = 0;
    long failCode = -1, failOccurrence = 0, failStatus = 0;
    int silenceAfter = -1;
    varnsim::ScopeFault scopeFault = varnsim::ScopeFault::None;
    long scopeFrame = 0;
};

// --scope-fault NAME:K.
bool ParseScopeFault(const std::string& text, Faults* faults)
{
    static const std::pair<const char*, varnsim::ScopeFault> kNames[] = {
        {"short", varnsim::ScopeFault::ShortFrame},         {"long", varnsim::ScopeFault::LongFrame},
        {"newline", varnsim::ScopeFault::NewlineInPayload}, {"oversized", varnsim::ScopeFault::OversizedPayload},
        {"garbage", varnsim::ScopeFault::Garbage},          {"hangup", varnsim::ScopeFault::HangUp},
    };
    const size_t colon = text.find(':');
    if (colon == std::string::npos || !ParseInt(text.substr(colon + 1).c_str(), 1, INT_MAX, &faults->scopeFrame))
        return false;
    for (const auto& [name, fault] : kNames) {
        if (text.compare(0, colon, name) == 0) {
            faults->scopeFault = fault;
            return true;
        }
    }
    return false;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "varn-sim: %s\nTry 'varn-sim --help'.\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    varnsim::Options options;
    Faults faults;
    std::vector<std::pair<std::string, std::string>> presets;

    opterr = 0;
    int id;
    while ((id = getopt_long(argc, argv, ":h", kOptions, nullptr)) != -1) {
        const std::string name = optind > 0 && optind <= argc ? argv[optind - 1] : "";
        long n = 0;
        auto number = [&](long lo, long hi) {
            if (!ParseInt(optarg, lo, hi, &n))
                throw std::string("invalid value '") + optarg + "' for " + name + " (expected " +
                    std::to_string(lo) + " to " + std::to_string(hi) + ")";
            return static_cast<int>(n);
        };
        try {
            switch (id) {
            case kKind: options.kind = optarg; break;
            case kFwVersion: options.fwVersion = optarg; break;
            case kUniqueId: options.uniqueId = optarg; break;
            case kAdminPassword: options.adminPassword = optarg; break;
            case kParam: {
                const std::string text = optarg;
                const size_t eq = text.find('=');
                if (eq == std::string::npos || eq == 0)
                    throw std::string("--param needs KEY=VALUE, got '") + text + "'";
                presets.emplace_back(text.substr(0, eq), text.substr(eq + 1));
                break;
            }
            case kLoggerRecords: options.loggerRecords = number(0, INT_MAX); break;
            case kLoggerCapacity: options.loggerCapacity = number(0, INT_MAX); break;
            case kNoExtFlash: options.externalFlash = false; break;
            case kLink: options.linkName = optarg; break;
            case kNoPace: options.paced = false; break;
            case kPoweredOff: options.poweredOn = false; break;
            case kPowerUpAfter: options.powerUpAfterMs = number(0, 3600000); break;
            case kBootWindow: options.bootWindowMs = number(0, 3600000); break;
            case kRebootTime: options.rebootMs = number(0, 3600000); break;
            case kIdleTimeout: options.consoleIdleMs = number(1, 86400000); break;
            case kRefuseSet: faults.refuseSet.push_back(optarg); break;
            case kRefuseGet: faults.refuseGet.push_back(optarg); break;
            case kAnswerDelay: faults.answerDelay = number(0, 600000); break;
            case kLoggerSkip:
                faults.loggerFault = varnsim::LoggerFault::SkipRecord;
                faults.loggerRecord = number(1, INT_MAX);
                break;
            case kLoggerNoSeparator:
                faults.loggerFault = varnsim::LoggerFault::NoSeparator;
                faults.loggerRecord = number(0, INT_MAX);
                break;
            case kLoggerStopAfter:
                faults.loggerFault = varnsim::LoggerFault::StopAfter;
                faults.loggerRecord = number(0, INT_MAX);
                break;
            case kLoggerCut:
                faults.loggerFault = varnsim::LoggerFault::CutRecord;
                faults.loggerRecord = number(0, INT_MAX);
                break;
            case kMagicReply: faults.magicReply = number(0, 255); break;
            case kBootNoise: faults.bootNoise = number(0, 3600000); break;
            case kFailFrame: {
                const std::string text = optarg;
                const size_t a = text.find(':');
                const size_t b = a == std::string::npos ? a : text.find(':', a + 1);
                if (b == std::string::npos || !ParseInt(text.substr(0, a).c_str(), 0, 255, &faults.failCode) ||
                    !ParseInt(text.substr(a + 1, b - a - 1).c_str(), 1, INT_MAX, &faults.failOccurrence) ||
                    !ParseInt(text.substr(b + 1).c_str(), 0, 255, &faults.failStatus))
                    throw std::string("--fail-frame needs CODE:N:STATUS such as 0xC7:3:0x33, got '") + text + "'";
                break;
            }
            case kSilenceUploadAfter: faults.silenceAfter = number(1, INT_MAX); break;
            case kScopeFault:
                if (!ParseScopeFault(optarg, &faults))
                    throw std::string("--scope-fault needs NAME:K such as hangup:4 (short, long, newline, "
                                      "oversized, garbage, hangup), got '") + optarg + "'";
                break;
            case kHelp:
            case 'h':
                std::fputs(kUsage, stdout);
                return 0;
            case kVersion:
                std::printf("varn-sim %s\n", VARN_SUITE_VERSION);
                return 0;
            case ':':
                throw std::string("option ") + name + " needs a value";
            default:
                throw std::string("unknown option '") + name + "'";
            }
        } catch (const std::string& message) {
            return Fail(message);
        }
    }
    if (optind < argc)
        return Fail(std::string("unexpected argument '") + argv[optind] + "'");

    // The I/O thread inherits this mask: only sigwait below sees the signals.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    varnsim::Simulator sim(options);
    for (const auto& [key, value] : presets)
        sim.SetParam(key, value);
    for (const std::string& key : faults.refuseSet)
        sim.RefuseSet(key);
    for (const std::string& key : faults.refuseGet)
        sim.RefuseGet(key);
    sim.SetAnswerDelayMs(faults.answerDelay);
    if (faults.loggerFault != varnsim::LoggerFault::None)
        sim.SetLoggerFault(faults.loggerFault, faults.loggerRecord);
    if (faults.magicReply >= 0)
        sim.SetMagicReply(static_cast<uint8_t>(faults.magicReply));
    sim.SetBootNoiseMs(faults.bootNoise);
    if (faults.failCode >= 0)
        sim.FailBootFrame(static_cast<uint8_t>(faults.failCode), static_cast<int>(faults.failOccurrence),
                          static_cast<uint8_t>(faults.failStatus));
    if (faults.silenceAfter > 0)
        sim.SilenceUploadAfterBlocks(faults.silenceAfter);
    if (faults.scopeFault != varnsim::ScopeFault::None)
        sim.SetScopeFault(faults.scopeFault, static_cast<int>(faults.scopeFrame));

    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "varn-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n%s\n", sim.PortPath().c_str(), sim.LinkPath().c_str());
    std::fflush(stdout);

    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0)
            continue;
        if (signal == SIGUSR1)
            sim.PowerOn();
        else if (signal == SIGUSR2)
            sim.PowerOff();
        else
            break;
    }
    sim.Stop();
    return 0;
}
