// The console exchange over a real pseudo-terminal, with the test playing
// the sensor so that every malformed answer can be produced on the wire.
#include <gtest/gtest.h>

#include <string>

#include "appframe.h"
#include "log.h"
#include "pty_peer.h"
#include "sensor.h"
#include "serial.h"
#include "test_support.h"

namespace {

class ConsoleTest : public ::testing::Test {
protected:
    void Open(Program nWhich)
    {
        AppStartupFrameIn(nWhich, dir.Path().c_str());
        ASSERT_TRUE(peer.Ok());
        ASSERT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);
        SerialSetTimeout(150);
    }
    void SetUp() override { Open(PROGRAM_CONFIG); }
    void TearDown() override { SerialClose(); }

    // The host keeps unread input across a write, so the answer can be
    // queued before the command goes out.
    int Exchange(const std::string& sCmd, const std::string& sAnswer)
    {
        peer.Send(sAnswer);
        int ok = SensorCmd(sCmd.c_str(), szResult, sizeof szResult);
        sWire = peer.Receive(200, "\r");
        return ok;
    }

    TempDir dir;
    PtyPeer peer;
    MessageRecorder rec;
    char szResult[SENSOR_RESULT_SIZE];
    std::string sWire;
};

TEST_F(ConsoleTest, StatusLineShapesGiveValuesAndVerdicts)
{
    EXPECT_EQ(Exchange("get sens-type", "get sens-type\r\nOK sens-type=KORVALIN\r\n"), 1);
    EXPECT_STREQ(szResult, "KORVALIN");
    EXPECT_EQ(sWire, "get sens-type\r");

    EXPECT_EQ(Exchange("reboot", "reboot\r\nOK\r\n"), 1);
    EXPECT_STREQ(szResult, "");
    EXPECT_EQ(Exchange("reboot", "reboot\r\nOK rebooting\r\n"), 1);
    EXPECT_STREQ(szResult, "");
    EXPECT_EQ(Exchange("get x", "get x\r\nERR\r\n"), 0);
    EXPECT_STREQ(szResult, "");
    EXPECT_EQ(Exchange("set x 1", "set x 1\r\nERR x=Invalid value\r\n"), 0);
    EXPECT_STREQ(szResult, "Invalid value");
    EXPECT_EQ(Exchange("get eq", "get eq\r\nOK eq=a=b\r\n"), 1);
    EXPECT_STREQ(szResult, "a=b");
}

TEST_F(ConsoleTest, HostResultTextsOfTheLineByLineForm)
{
    EXPECT_EQ(Exchange("get a", "get a\r\nO\r\n"), 0);
    EXPECT_STREQ(szResult, "Bad response status code");
    EXPECT_EQ(Exchange("get a", "get a \r\nOK a=1\r\n"), 0);
    EXPECT_STREQ(szResult, "Bad echo size received");
    SerialPurge();
    EXPECT_EQ(Exchange("get a", "got a\r\nOK a=1\r\n"), 0);
    EXPECT_STREQ(szResult, "Bad echo received");
    SerialPurge();
    EXPECT_EQ(Exchange("get a", ""), 0);
    EXPECT_STREQ(szResult, "Serial port read error");
    EXPECT_EQ(Exchange("get a", "get a\r\n"), 0);
    EXPECT_STREQ(szResult, "Serial port read error");
}

TEST_F(ConsoleTest, WriteFailureAndOverlongCommand)
{
    std::string tooLong(SENSOR_COMMAND_MAX + 1, 'x');
    EXPECT_EQ(SensorCmd(tooLong.c_str(), szResult, sizeof szResult), 0);
    EXPECT_STREQ(szResult, "Command too long, not sent");
    EXPECT_EQ(SensorLastAnswered(), 0);
    peer.HangUp();
    EXPECT_EQ(SensorCmd("get a", szResult, sizeof szResult), 0);
    EXPECT_STREQ(szResult, "Serial port write error");
}

TEST_F(ConsoleTest, LineBreakInACommandIsRefusedBeforeAnythingIsWritten)
{
    EXPECT_EQ(SensorCmd("get sens-type\rlogger clear confirm", szResult, sizeof szResult), 0);
    EXPECT_STREQ(szResult, SENSOR_REFUSED_COMMAND);
    EXPECT_EQ(SensorCmd("get a\nreboot", szResult, sizeof szResult), 0);
    EXPECT_STREQ(szResult, SENSOR_REFUSED_COMMAND);
    EXPECT_EQ(SensorTextFitsCommand("on\0x", 4), 0);
    EXPECT_EQ(SensorTextFitsCommand("on x", 4), 1);

    char value[SENSOR_RESULT_SIZE];
    const std::string tail = "' to the sensor: it holds a carriage return, line feed or zero byte !";
    EXPECT_EQ(SensorCmdGet("Sensor type", "sens-type\rlogger clear confirm", value), 0);
    EXPECT_EQ(rec.Last(), "E:Refused to send the parameter key 'sens-type<0x0D>logger clear confirm" + tail);
    EXPECT_EQ(SensorCmdSet("Datalogger mode", "logger-mode", "on\rreset confirm"), 0);
    EXPECT_EQ(rec.Last(), "E:Refused to send the parameter value 'on<0x0D>reset confirm" + tail);
    EXPECT_EQ(SensorCmdSet("Key", "a\nb", "1"), 0);
    EXPECT_EQ(rec.Last(), "E:Refused to send the parameter key 'a<0x0A>b" + tail);
    // The password itself is never shown.
    EXPECT_EQ(SensorCmdAdmin("pw\rreset confirm"), 0);
    EXPECT_EQ(rec.Last(), "E:Refused to send the password to the sensor: it holds a carriage return, line feed or "
                          "zero byte !");

    SerialClose();
    Open(PROGRAM_SCOPE);
    EXPECT_EQ(SensorCmd("get a\rreboot", szResult, sizeof szResult), 0);
    EXPECT_STREQ(szResult, SENSOR_REFUSED_COMMAND);
    EXPECT_EQ(peer.Receive(200), "");
}

TEST_F(ConsoleTest, CutOrOverlongStatusLineIsAFailureNotACutValue)
{
    EXPECT_EQ(Exchange("get a", "get a\r\nOK a=12"), 0);
    EXPECT_STREQ(szResult, "Serial port read error");
    // An echo the time-out cut is no echo either, even when its letters match.
    EXPECT_EQ(Exchange("get a", "get a"), 0);
    EXPECT_STREQ(szResult, "Serial port read error");

    const std::string longest = "OK a=" + std::string(SENSOR_RESULT_SIZE - 1 - 5, 'v');
    EXPECT_EQ(Exchange("get a", "get a\r\n" + longest + "\r\n"), 1);
    EXPECT_EQ(std::string(szResult), std::string(SENSOR_RESULT_SIZE - 1 - 5, 'v'));
    EXPECT_EQ(Exchange("get a", "get a\r\n" + longest + "w\r\n"), 0);
    EXPECT_STREQ(szResult, "Response too long");
}

TEST_F(ConsoleTest, ZeroSizeBuffersAreRefusedBeforeAnythingIsSent)
{
    char value[1] = {'x'};
    EXPECT_EQ(SensorCmdGet("Sensor type", "sens-type", value, 0), 0);
    EXPECT_EQ(rec.Last(), "E:Could not get parameter 'Sensor type' (sens-type): no room for its value !");
    EXPECT_EQ(SensorCmdConfig(value, 0), 0);
    EXPECT_EQ(rec.Last(), "E:Could not read the configuration: no room for it !");
    EXPECT_EQ(value[0], 'x');
    EXPECT_EQ(peer.Receive(200), "");
}

TEST_F(ConsoleTest, AdminTraceMasksThePassword)
{
    bLogEnabled = 1;
    peer.Send("admin s3cret\r\nOK admin=unlocked\r\n");
    EXPECT_EQ(SensorCmdAdmin("s3cret"), 1);
    EXPECT_EQ(peer.Receive(200, "\r"), "admin s3cret\r");
    peer.Send("admin s3cret\r\nERROR=Bad password\r\n");
    EXPECT_EQ(SensorCmdAdmin("s3cret"), 0);
    SerialWrite("s3cret", 6);
    bLogEnabled = 0;
    const std::string log = ReadFileText(szLogFile);
    EXPECT_NE(log.find("WRITE : admin ******<0x0D> (13 bytes)\nREAD  : admin ****** (12 bytes)\n"
                       "READ  : OK admin=unlocked (17 bytes)\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Could not unlock factory parameters\nBad password !"), std::string::npos);
    // Only the admin exchange is masked.
    EXPECT_EQ(log.find("s3cret"), log.find("WRITE : s3cret (6 bytes)") + 8);
}

// Puts the wake-up mode back, whatever a test leaves.
struct WakeupModeGuard {
    ~WakeupModeGuard() { SensorSetWakeupMode(SENSOR_WAKEUP_FULL); }
};

TEST_F(ConsoleTest, QuickWakeupEndsAtTheFirstAnswerButKeepsTheCountForASilentSensor)
{
    WakeupModeGuard guard;
    SensorSetWakeupMode(SENSOR_WAKEUP_QUICK);
    SerialSetTimeout(1000);
    // The console answers the first "wakeup!"; what comes after the answer
    // is purged with it.
    peer.Send("wakeup!\r\nOK awake\r\n");
    EXPECT_EQ(SensorWakeup(), 1);
    EXPECT_EQ(peer.Receive(200), "wakeup!\r");
    peer.Send("get a\r\nOK a=1\r\n");
    EXPECT_EQ(SensorCmd("get a", szResult, sizeof szResult), 1);
    peer.Receive(200, "\r");

    // Bytes without a line end are no answer; silence neither.
    SerialSetTimeout(30);
    peer.Send("noise");
    EXPECT_EQ(SensorWakeup(), 1);
    std::string five;
    for (int i = 0; i < 5; i++)
        five += "wakeup!\r";
    EXPECT_EQ(peer.Receive(200), five);
}

TEST_F(ConsoleTest, ResultIsBoundedByTheCallersBuffer)
{
    peer.Send("get k\r\nOK k=" + std::string(500, 'v') + "\r\n");
    char small[16];
    EXPECT_EQ(SensorCmd("get k", small, sizeof small), 1);
    EXPECT_EQ(std::string(small), std::string(15, 'v'));
}

TEST_F(ConsoleTest, SingleReadFormChecksTheWholeAnswerAtOnce)
{
    SerialClose();
    Open(PROGRAM_SCOPE);
    EXPECT_EQ(Exchange("get a", "get a\r\nOK a=12\r\n"), 1);
    EXPECT_STREQ(szResult, "12");
    EXPECT_EQ(Exchange("get a", "get a\r\r\nOK a=12\r\n"), 0);
    EXPECT_STREQ(szResult, "Bad echo terminator received");
    EXPECT_EQ(Exchange("get a", "get a\r"), 0);
    EXPECT_STREQ(szResult, "Bad echo size received");
    EXPECT_EQ(Exchange("get a", "got a\r\nOK\r\n"), 0);
    EXPECT_STREQ(szResult, "Bad echo received");
    EXPECT_EQ(Exchange("get a", "get a\r\nO"), 0);
    EXPECT_STREQ(szResult, "Bad response status code");
    EXPECT_EQ(Exchange("get a", ""), 0);
    EXPECT_STREQ(szResult, "Serial port read error");
}

TEST_F(ConsoleTest, WrappersReportWithTheProgramsPrefix)
{
    char value[SENSOR_RESULT_SIZE];
    peer.Send("get hw-sn\r\nERR\r\n");
    EXPECT_EQ(SensorCmdGet("Hardware serial number", "hw-sn", value), 0);
    EXPECT_EQ(rec.Last(), std::string("E:") + szFailPrefixLong +
                              "Could not get parameter 'Hardware serial number' (hw-sn)\n !");

    SerialClose();
    Open(PROGRAM_DATALOGGER);
    peer.Send("set logger-mode on\r\nERR logger-mode=Invalid value\r\n");
    EXPECT_EQ(SensorCmdSet("Datalogger mode", "logger-mode", "on"), 0);
    EXPECT_EQ(rec.Last(), std::string("E:") + szFailPrefixShort +
                              "Could not set parameter 'Datalogger mode' (logger-mode=on)\nInvalid value !");
    EXPECT_EQ(SensorLastAnswered(), 1) << "a refusal is the sensor's own answer";
    // A long value is shortened in the message, so that the reason shows.
    const std::string longValue = "0123456789012345678901234567890123456789" + std::string(1000, 'x');
    peer.Send("set logger-cfg " + longValue + "\r\nERR logger-cfg=Too long\r\n");
    EXPECT_EQ(SensorCmdSet("Datalogger config", "logger-cfg", longValue.c_str()), 0);
    EXPECT_EQ(rec.Last(), std::string("E:") + szFailPrefixShort +
                              "Could not set parameter 'Datalogger config' (logger-cfg="
                              "0123456789012345678901234567890123456789...)\nToo long !");
    EXPECT_EQ(SensorCmdReboot(), 0);
    EXPECT_EQ(rec.Last(), std::string("E:") + szFailPrefixShort + "Could not reboot sensor\nSerial port read error !");
    EXPECT_EQ(std::string(szFailPrefixShort),
              "Error during sensor communication !\n(Please check sensor connection, power and serial port configuration)\n\n");
}

TEST_F(ConsoleTest, WrapperCommandsAndTheirFailureTexts)
{
    struct Case {
        int (*pfn)();
        const char* szCmd;
        const char* szText;
    };
    const Case cases[] = {
        {SensorCmdReset, "reset confirm", "Could not reset sensor parameters\nno !"},
        {SensorCmdReboot, "reboot", "Could not reboot sensor\nno !"},
        {SensorCmdScopeMode, "scopemode", "Could not set sensor in scopemode\nno !"},
        {SensorCmdLoggerClear, "logger clear confirm", "Could not clear datalogger data\nno !"},
        {[] { return SensorCmdAdmin("secret"); }, "admin secret", "Could not unlock factory parameters\nno !"},
    };
    for (const Case& c : cases) {
        peer.Send(std::string(c.szCmd) + "\r\nERR=no\r\n");
        EXPECT_EQ(c.pfn(), 0) << c.szCmd;
        EXPECT_EQ(peer.Receive(200, "\r"), std::string(c.szCmd) + "\r");
        EXPECT_EQ(rec.Last(), std::string("E:") + szFailPrefixLong + c.szText);
        peer.Send(std::string(c.szCmd) + "\r\nOK\r\n");
        EXPECT_EQ(c.pfn(), 1) << c.szCmd;
        peer.Receive(200, "\r");
    }
}

TEST_F(ConsoleTest, LoggerDownloadCount)
{
    int n = -1;
    peer.Send("logger download\r\nOK logger=250\r\n");
    EXPECT_EQ(SensorCmdLoggerDownload(&n), 1);
    EXPECT_EQ(n, 250);
    peer.Send("logger download\r\nOK\r\n");
    EXPECT_EQ(SensorCmdLoggerDownload(&n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(SensorToInt("  -12abc"), -12);
    EXPECT_EQ(SensorToInt("99999999999"), 2147483647);
}

TEST_F(ConsoleTest, ConfigurationListingBetweenBlankLines)
{
    char text[SENSOR_RESULT_SIZE];
    peer.Send("config\r\nVARN KORVALIN\r\n\r\nout1-mode=1\r\nout2-mode=2\r\n\r\nOK\r\n");
    EXPECT_EQ(SensorCmdConfig(text, sizeof text), 1);
    EXPECT_STREQ(text, "out1-mode=1\r\nout2-mode=2");
    EXPECT_EQ(peer.Receive(200, "\r"), "config\r");

    peer.Send("a=1\r\nb=2\r\n");
    EXPECT_EQ(SensorCmdConfig(text, sizeof text), 1);
    EXPECT_STREQ(text, "a=1\r\nb=2\r\n");

    peer.Send("head\r\n\r\nrest\r\n");
    EXPECT_EQ(SensorCmdConfig(text, sizeof text), 1);
    EXPECT_STREQ(text, "rest\r\n");

    EXPECT_EQ(SensorCmdConfig(text, sizeof text), 0);
    EXPECT_EQ(rec.Last(), "E:Could not read from serial port !");
}

TEST_F(ConsoleTest, WakeupCountsOnTheWirePerProgram)
{
    const struct {
        Program n;
        int count;
    } cases[] = {{PROGRAM_CONFIG, 5}, {PROGRAM_SCOPE, 3}, {PROGRAM_DATALOGGER, 3}, {PROGRAM_TERMINAL, 1}};
    for (const auto& c : cases) {
        SerialClose();
        Open(c.n);
        SerialSetTimeout(20);
        EXPECT_EQ(SensorWakeup(), 1);
        std::string wire = peer.Receive(200);
        std::string expected;
        for (int i = 0; i < c.count; i++)
            expected += "wakeup!\r";
        EXPECT_EQ(wire, expected) << CurrentProfile().szFileName;
    }
}

TEST_F(ConsoleTest, WakeupDiscardsTheAnswerAndReportsAWriteFailure)
{
    SerialSetTimeout(20);
    peer.Send("garbage left over\r\n");
    EXPECT_EQ(SensorWakeup(), 1);
    peer.Send("get a\r\nOK a=1\r\n");
    EXPECT_EQ(SensorCmd("get a", szResult, sizeof szResult), 1);
    peer.HangUp();
    EXPECT_EQ(SensorWakeup(), 0);
    EXPECT_EQ(rec.Last(), "E:Could not write to serial port !");
}

}  // namespace
