// The vocabulary and the codecs on in-memory pages, without a sensor.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "codecs.h"
#include "memory_pages.h"
#include "param_table.h"
#include "progress.h"
#include "sensor_kind.h"

namespace {

class CodecTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConfigResetState();
        ConfigAttachPages(&pages);
        ConfigPagesCreate();
    }
    void TearDown() override
    {
        ConfigAttachPages(nullptr);
        ConfigResetState();
    }
    MemoryPages pages;
};

TEST(Vocabulary, KindNamesAreExactAndCaseSensitive)
{
    EXPECT_EQ(SensorTypeFromName("PALVETRA"), SENSOR_TYPE_PALVETRA);
    EXPECT_EQ(SensorTypeFromName("GRESTOLV"), SENSOR_TYPE_GRESTOLV);
    EXPECT_EQ(SensorTypeFromName("korvalin"), -1);
    EXPECT_EQ(SensorTypeFromName("KORVALIN "), -1);
    EXPECT_EQ(SensorTypeFromName("ORBIK"), -1);
    EXPECT_EQ(SensorTypeFromName(""), -1);
}

TEST(Vocabulary, EveryVersionLiesOnOneSideOfEachThreshold)
{
    EXPECT_EQ(FirmwareHundredths("2.60"), 260);
    EXPECT_EQ(FirmwareHundredths("2.6"), 260);
    EXPECT_EQ(FirmwareHundredths("2.61"), 261);
    EXPECT_EQ(FirmwareHundredths(" 3.18b"), 318);
    EXPECT_EQ(FirmwareHundredths("3.456"), 345);
    EXPECT_EQ(FirmwareHundredths("abc"), 0);
    EXPECT_EQ(FirmwareHundredths("3"), 300);

    EXPECT_FALSE(FirmwareIs(FW_ABOVE_2_6, 260));
    EXPECT_TRUE(FirmwareIs(FW_BELOW_2_61, 260));
    EXPECT_TRUE(FirmwareIs(FW_ABOVE_2_6, 261));
    EXPECT_FALSE(FirmwareIs(FW_BELOW_2_61, 261));
    EXPECT_FALSE(FirmwareIs(FW_FROM_3_18, 317));
    EXPECT_TRUE(FirmwareIs(FW_BELOW_3_18, 317));
    EXPECT_TRUE(FirmwareIs(FW_FROM_3_18, 318));
    EXPECT_FALSE(FirmwareIs(FW_BELOW_3_18, 318));
    EXPECT_TRUE(FirmwareIs(FW_BELOW_3_24, 323));
    EXPECT_FALSE(FirmwareIs(FW_BELOW_3_24, 324));
    EXPECT_FALSE(FirmwareIs(FW_FROM_3_43, 342));
    EXPECT_TRUE(FirmwareIs(FW_FROM_3_43, 343));
}

TEST(Vocabulary, ExternalFlashAbsentOnlyForEightCharactersOfZeros)
{
    EXPECT_EQ(ExtFlashPresent("0x00000000"), 0);
    EXPECT_EQ(ExtFlashPresent("0x0000000000FF"), 0);
    EXPECT_EQ(ExtFlashPresent("0x000000"), 0);
    EXPECT_EQ(ExtFlashPresent("0x00EF4016"), 1);
    EXPECT_EQ(ExtFlashPresent("0x00000"), 1);
    EXPECT_EQ(ExtFlashPresent(""), 1);
}

TEST(Vocabulary, NumbersIgnoreTheLocaleAndGiveZeroForText)
{
    EXPECT_DOUBLE_EQ(ConfigToNumber("8.3"), 8.3);
    EXPECT_DOUBLE_EQ(ConfigToNumber("  +5"), 5.0);
    EXPECT_DOUBLE_EQ(ConfigToNumber("-2.5x"), -2.5);
    EXPECT_DOUBLE_EQ(ConfigToNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(ConfigToNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(ConfigToNumber("inf"), 0.0);
    EXPECT_DOUBLE_EQ(ConfigToNumber("1e999"), 0.0);
}

TEST(ParamTable, AtMostOneRowOfAKeyAppliesAndTheFileHasTheRightLines)
{
    for (int type = 0; type < SENSOR_TYPE_COUNT; type++) {
        for (int fw : {260, 261, 317, 318, 323, 324, 343}) {
            std::set<std::string> seen;
            for (size_t i = 0; i < uSensorParamCount; i++) {
                const SensorParam& p = tSensorParams[i];
                if ((p.uOps & (OP_LOAD | OP_SEND)) && SensorParamApplies(p, KindBit(type), fw)) {
                    EXPECT_TRUE(seen.insert(p.szKey).second) << p.szKey << " kind " << type << " fw " << fw;
                }
            }
        }
        // A file of a primary kind has 37 body lines, a PALVETRA file 34.
        size_t lines = 0;
        std::set<CtlId> fileControls;
        for (size_t i = 0; i < uSensorParamCount; i++) {
            const SensorParam& p = tSensorParams[i];
            if ((p.uOps & OP_FILE) && (p.uFileKinds & KindBit(type)))
                lines++;
        }
        EXPECT_EQ(lines, type == SENSOR_TYPE_PALVETRA ? 34u : 37u) << type;
    }
    // Every control of a row is on the row's page.
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if (p.nControl != CTL_NONE) {
            EXPECT_EQ(tConfigControls[p.nControl].nPage, p.nPage) << p.szKey;
        }
    }
    for (int i = 0; i < CTL_COUNT; i++)
        EXPECT_EQ(tConfigControls[i].nId, i) << "control table out of order at " << i;
}

TEST(ParamTable, FileLinesGoToOneControlWhateverTheKind)
{
    ASSERT_NE(SensorParamForFile("range-hail"), nullptr);
    EXPECT_EQ(SensorParamForFile("range-hail")->nControl, CTL_PRIMARY_RANGE);
    EXPECT_EQ(SensorParamForFile("thld-rain")->nControl, CTL_EXPERT_THLD);
    EXPECT_EQ(SensorParamForFile("fscale-flux"), nullptr);
    EXPECT_EQ(SensorParamForFile("logger-mode"), nullptr);
    EXPECT_EQ(SensorParamForFile("sys-watchdog"), nullptr);
}

TEST(ParamTable, PageTableLookupIsExact)
{
    ASSERT_NE(DlgMainGetTabInfo("Averaging"), nullptr);
    EXPECT_EQ(DlgMainGetTabInfo("Averaging")->nIndex, PAGE_AVERAGING);
    EXPECT_EQ(DlgMainGetTabInfo("Factory")->nIndex, 8);
    EXPECT_EQ(DlgMainGetTabInfo("averaging"), nullptr);
    EXPECT_EQ(ConfigFindControl(PAGE_FACTORY, "HARDWARE", "Version"), CTL_HW_VERSION);
    EXPECT_EQ(ConfigFindControl(PAGE_FACTORY, "SENSOR", "Version"), CTL_SENS_VERSION);
}

TEST_F(CodecTest, ListFillersSelectTheFirstEntry)
{
    EXPECT_EQ(pages.Items(CTL_PULSE_LVL), (std::vector<std::string>{"2.5 V", "5 V"}));
    EXPECT_EQ(pages.Selected(CTL_HAIL_RANGE), 0);
    EXPECT_EQ(pages.Items(CTL_SYS_SPEED), (std::vector<std::string>{"4 MHz", "8 MHz", "16 MHz", "32 MHz"}));
    EXPECT_EQ(pages.Items(CTL_SYS_CLK), (std::vector<std::string>{"Internal", "External"}));
    EXPECT_EQ(pages.Selected(CTL_SYS_CLK), 0);
}

TEST_F(CodecTest, RangeSpeedAndClockDefaults)
{
    for (const char* v : {"5V", "5 V", "", "2v5", "2V5 "}) {
        SetRange(CTL_PRIMARY_RANGE, v);
        EXPECT_EQ(pages.Selected(CTL_PRIMARY_RANGE), 1) << v;
    }
    SetRange(CTL_PRIMARY_RANGE, "2V5");
    EXPECT_EQ(GetRange(CTL_PRIMARY_RANGE), "2V5");
    pages.SetSelected(CTL_PRIMARY_RANGE, -1);
    EXPECT_EQ(GetRange(CTL_PRIMARY_RANGE), "5V");

    for (const char* v : {"64MHz", "", "8 MHz"}) {
        SetSysSpeed(CTL_SYS_SPEED, v);
        EXPECT_EQ(pages.Selected(CTL_SYS_SPEED), 1) << v;
    }
    SetSysSpeed(CTL_SYS_SPEED, "32MHz");
    EXPECT_EQ(GetSysSpeed(CTL_SYS_SPEED), "32MHz");
    pages.SetSelected(CTL_SYS_SPEED, -1);
    EXPECT_EQ(GetSysSpeed(CTL_SYS_SPEED), "8MHz");

    SetSysClk(CTL_SYS_CLK, "Internal");
    EXPECT_EQ(GetSysClk(CTL_SYS_CLK), "external");
    SetSysClk(CTL_SYS_CLK, "internal");
    EXPECT_EQ(GetSysClk(CTL_SYS_CLK), "internal");
}

TEST_F(CodecTest, OutputGroupsCheckExactlyOneAndAnswerByKind)
{
    nSensorType = SENSOR_TYPE_KORVALIN;
    pages.SetChecked(CTL_OUT2_WIND, true);
    SetOut2Mode("raw");
    EXPECT_TRUE(pages.Checked(CTL_OUT2_RAW));
    EXPECT_FALSE(pages.Checked(CTL_OUT2_WIND)) << "the group is cleared first";
    EXPECT_EQ(GetOut2Mode(), "raw");
    SetOut1Mode("raw");
    EXPECT_TRUE(pages.Checked(CTL_OUT1_DISABLED));
    SetOut1Mode("sand");
    EXPECT_TRUE(pages.Checked(CTL_OUT1_DISABLED));
    SetOut2Mode("sand");
    EXPECT_TRUE(pages.Checked(CTL_OUT2_PRIMARY));
    SetOut1Mode("bogus");
    EXPECT_TRUE(pages.Checked(CTL_OUT1_DISABLED));

    // "hail": the Hailstone count button, except on a GRESTOLV sensor.
    nSensorType = SENSOR_TYPE_MESTRALO;
    SetOut1Mode("hail");
    EXPECT_TRUE(pages.Checked(CTL_OUT1_HAIL));
    EXPECT_EQ(GetOut1Mode(), "hail");
    nSensorType = SENSOR_TYPE_GRESTOLV;
    SetOut1Mode("hail");
    EXPECT_TRUE(pages.Checked(CTL_OUT1_PRIMARY));
    EXPECT_EQ(GetOut1Mode(), "hail");

    SetOut2Mode("flux");
    const std::pair<int, const char*> answers[] = {{SENSOR_TYPE_KORVALIN, "flux"}, {SENSOR_TYPE_DUVIKORN, "flux"},
                                                   {SENSOR_TYPE_MESTRALO, "rain"}, {SENSOR_TYPE_GRESTOLV, "hail"},
                                                   {SENSOR_TYPE_PALVETRA, "off"}};
    for (const auto& [type, answer] : answers) {
        nSensorType = type;
        EXPECT_EQ(GetOut2Mode(), answer) << type;
    }

    // Nothing checked answers "off"; the test order decides between two.
    for (CtlId id : {CTL_OUT1_DISABLED, CTL_OUT1_WIND, CTL_OUT1_PRIMARY, CTL_OUT1_PULSE, CTL_OUT1_HAIL})
        pages.SetChecked(id, false);
    EXPECT_EQ(GetOut1Mode(), "off");
    pages.SetChecked(CTL_OUT1_PULSE, true);
    pages.SetChecked(CTL_OUT1_HAIL, true);
    EXPECT_EQ(GetOut1Mode(), "hail");
    pages.SetChecked(CTL_OUT2_PULSE, true);
    pages.SetChecked(CTL_OUT2_HAIL, true);
    pages.SetChecked(CTL_OUT2_PRIMARY, false);
    EXPECT_EQ(GetOut2Mode(), "pulse");
}

TEST_F(CodecTest, ChannelAndLoggerModes)
{
    nSensorType = SENSOR_TYPE_MESTRALO;
    SetSdi12Mode("all");
    EXPECT_TRUE(pages.Checked(CTL_SDI12_BOTH));
    EXPECT_EQ(GetSdi12Mode(), "all");
    SetSerialMode("sand");
    EXPECT_TRUE(pages.Checked(CTL_SERIAL_PRIMARY));
    EXPECT_EQ(GetSerialMode(), "rain");
    SetSerialMode("everything");
    EXPECT_TRUE(pages.Checked(CTL_SERIAL_DISABLED));
    EXPECT_EQ(GetSerialMode(), "off");

    SetDataloggerMode("cyclic");
    EXPECT_EQ(GetDataloggerMode(), "cyclic");
    SetDataloggerMode("On");
    EXPECT_TRUE(pages.Checked(CTL_LOGGER_DISABLED));
    pages.SetChecked(CTL_LOGGER_DISABLED, false);
    EXPECT_EQ(GetDataloggerMode(), "off");

    SetOnOff(CTL_SYS_WATCHDOG, "on");
    EXPECT_EQ(GetOnOff(CTL_SYS_WATCHDOG), "on");
    SetOnOff(CTL_SYS_WATCHDOG, "ON");
    EXPECT_EQ(GetOnOff(CTL_SYS_WATCHDOG), "off");
}

TEST_F(CodecTest, DataloggerFieldsTakePrefixedIntegersAndKeepThirteenBits)
{
    for (const char* v : {"0x1F", "31", "037"}) {
        SetDataloggerFields(v);
        EXPECT_EQ(GetDataloggerFields(), "31") << v;
        EXPECT_TRUE(pages.Checked(CTL_FIELD_4));
        EXPECT_FALSE(pages.Checked(CTL_FIELD_5));
    }
    SetDataloggerFields("0x3FFFF");
    EXPECT_EQ(GetDataloggerFields(), "8191");
    SetDataloggerFields("12abc");
    EXPECT_EQ(GetDataloggerFields(), "12");
    SetDataloggerFields("none");
    EXPECT_EQ(GetDataloggerFields(), "0");
}

TEST_F(CodecTest, DatesNeedTenCharactersOfACalendarDay)
{
    SetDate(CTL_SENS_DATE, "2019-03-05");
    EXPECT_EQ(pages.Date(CTL_SENS_DATE), (ConfigDate{2019, 3, 5}));
    EXPECT_EQ(GetDate(CTL_SENS_DATE), "2019-03-05");
    for (const char* v : {"2019-3-05", "2019/03/05", "", "2019-02-30", "2019-13-01", "20190305xx"}) {
        SetDate(CTL_SENS_DATE, "2020-01-02");
        SetDate(CTL_SENS_DATE, v);
        EXPECT_EQ(GetDate(CTL_SENS_DATE), "1970-01-01") << v;
    }
    // The value is only read: a constant text will do.
    static const char kConstant[] = "2024-02-29";
    SetDate(CTL_HW_DATE, kConstant);
    EXPECT_EQ(GetDate(CTL_HW_DATE), "2024-02-29");
}

TEST_F(CodecTest, SerialNumberIsUnknownWhenBlankExceptInTheFile)
{
    const SensorParam* sn = SensorParamByKey("sens-sn");
    ParamSetValue(*sn, "  ", USE_LOAD);
    EXPECT_EQ(pages.Text(CTL_SENS_SN), "unknown");
    pages.SetText(CTL_SENS_SN, "");
    EXPECT_EQ(ParamGetValue(*sn, USE_SEND), "unknown");
    EXPECT_EQ(ParamGetValue(*sn, USE_FILE), "");
    ParamSetValue(*sn, " ", USE_FILE);
    EXPECT_EQ(pages.Text(CTL_SENS_SN), " ");
}

TEST_F(CodecTest, Sdi12ModeEnablesTheAddressUnlessOff)
{
    const SensorParam* mode = SensorParamByKey("sdi12-mode");
    ParamSetValue(*mode, "wind", USE_LOAD);
    EXPECT_TRUE(pages.Enabled(CTL_SDI12_ADDR));
    ParamSetValue(*mode, "off", USE_LOAD);
    EXPECT_FALSE(pages.Enabled(CTL_SDI12_ADDR));
}

TEST(Progress, StatusThenClampedPercentAndThePasswordDialog)
{
    struct Last : TaskFrontEnd {
        void Progress(int p, int s, const char* t) override { nPos = p, nStep = s, sText = t; }
        void State(int, const char*) override {}
        int Question(MessageKind, const char*) override { return 0; }
        void Information(const char*) override {}
        int nPos = -2, nStep = 0;
        std::string sText;
    } fe;
    ConfigAttachFrontEnd(&fe);
    DlgPrgOpen("Loading...");
    EXPECT_TRUE(DlgPrgIsOpen());
    DlgPrgSetStatus(STATUS_WAKING_UP);
    EXPECT_EQ(fe.sText, "Waking up");
    EXPECT_EQ(fe.nPos, TASK_POSITION_KEEP);
    DlgPrgSetProgress(4);
    EXPECT_EQ(fe.sText, "Waking up... (4 %)...");
    EXPECT_EQ(fe.nStep, ConfigStatusStep(STATUS_WAKING_UP));
    DlgPrgSetProgress(150);
    EXPECT_EQ(fe.nPos, 100);
    EXPECT_EQ(fe.sText, "Waking up... (100 %)...");
    DlgPrgClose();
    EXPECT_FALSE(DlgPrgIsOpen());
    ConfigAttachFrontEnd(nullptr);

    char buffer[8] = "keep";
    SetPasswordDialog(nullptr);
    EXPECT_EQ(DlgPassword(buffer, sizeof buffer), 0);
    SetPasswordDialog([](std::string*) { return false; });
    EXPECT_EQ(DlgPassword(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "keep");
    SetPasswordDialog([](std::string* t) { return t->clear(), true; });
    EXPECT_EQ(DlgPassword(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");
    SetPasswordDialog([](std::string* t) { return *t = "longer than eight", true; });
    EXPECT_EQ(DlgPassword(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "longer ");
    SetPasswordDialog(nullptr);
}

}  // namespace
