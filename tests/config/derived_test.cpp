// The figures the pages derive: consumption, duty cycle, datalogger line,
// and the factory status by kind.
#include <gtest/gtest.h>

#include "codecs.h"
#include "derived.h"
#include "memory_pages.h"
#include "param_table.h"
#include "sensor_kind.h"

namespace {

class DerivedTest : public ::testing::Test {
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

TEST(Consumption, WorkedExampleAndTheRawOutput)
{
    // D = 25, 8 MHz, no output: A = 14.7, I = 0.2.
    EXPECT_EQ(ConsumptionText(ConsumptionMa(25.0f, 8.0f, false, false)), "3.8 mA");
    EXPECT_EQ(ConsumptionText(ConsumptionMa(0.0f, 8.0f, false, false)), "0.2 mA");
    EXPECT_EQ(ConsumptionText(ConsumptionMa(100.0f, 8.0f, false, false)), "14.7 mA");
    EXPECT_EQ(ConsumptionText(ConsumptionMa(0.0f, 8.0f, false, true)), "0.8 mA");
    // The raw output adds 4.5 mA when active and 7.3 mA when idle.
    EXPECT_EQ(ConsumptionText(ConsumptionMa(100.0f, 8.0f, true, true)), "19.2 mA");
    EXPECT_EQ(ConsumptionText(ConsumptionMa(0.0f, 8.0f, true, true)), "8.1 mA");   // 8.05 in single precision
    EXPECT_EQ(ConsumptionText(ConsumptionMa(100.0f, 32.0f, false, false)), "24.3 mA");
}

TEST_F(DerivedTest, ConsumptionFromThePages)
{
    pages.SetText(CTL_AVG_D, "25");
    SetSysSpeed(CTL_SYS_SPEED, "8MHz");
    SetOut1Mode("off");
    SetOut2Mode("off");
    DlgMainUpdateConso();
    EXPECT_EQ(pages.Text(CTL_MAIN_CONSO), "3.8 mA");
    pages.SetText(CTL_AVG_D, "not a number");
    SetOut2Mode("raw");
    DlgMainUpdateConso();
    EXPECT_EQ(pages.Text(CTL_MAIN_CONSO), "8.1 mA");
    pages.SetSelected(CTL_SYS_SPEED, -1);
    pages.SetText(CTL_AVG_D, "100");
    SetOut2Mode("off");
    DlgMainUpdateConso();
    EXPECT_EQ(pages.Text(CTL_MAIN_CONSO), "14.7 mA") << "no clock selection counts as 8 MHz";
}

TEST_F(DerivedTest, DutyCycleAndItsEmptyCases)
{
    EXPECT_EQ(DutyCycleText("5", "60"), "8.3");
    EXPECT_EQ(DutyCycleText("60", "60"), "100.0");
    EXPECT_EQ(DutyCycleText("5", "0"), "");
    EXPECT_EQ(DutyCycleText("5", ""), "");
    EXPECT_EQ(DutyCycleText("0", "60"), "");
    EXPECT_EQ(DutyCycleText("x", "60"), "");

    pages.SetText(CTL_AVG_A, "5");
    pages.SetText(CTL_AVG_C, "60");
    DlgAveragingUpdate();
    EXPECT_EQ(pages.Text(CTL_AVG_D), "8.3");
    EXPECT_FALSE(pages.Text(CTL_MAIN_CONSO).empty()) << "the consumption follows";
    pages.SetText(CTL_AVG_C, "");
    ConfigPageReaction(CTL_AVG_C);
    EXPECT_EQ(pages.Text(CTL_AVG_D), "");
}

TEST(DataloggerLine, CapacityAndNotices)
{
    constexpr unsigned WIND_BOXES = 0xE0;
    EXPECT_EQ(DataloggerStatusText("600", 345, 1, LOGGER_ON, WIND_BOXES),
              "Datalogger capacity : 32768 measures, 227 days 13 hours");
    EXPECT_EQ(DataloggerStatusText("600", 345, 1, LOGGER_ON, 0), "Datalogger capacity : 131072 measures, 2 years 180 days");
    EXPECT_EQ(DataloggerStatusText("600", 345, 1, LOGGER_CYCLIC_MODE, 0).substr(0, 40),
              "Datalogger capacity : 114688 measures, 2");
    EXPECT_EQ(DataloggerStatusText("600", 345, 1, LOGGER_ON, 0x1FFF).substr(0, 36), "Datalogger capacity : 6632 measures,");
    EXPECT_EQ(DataloggerStatusText("", 345, 1, LOGGER_ON, 0), "Datalogger capacity : 131072 measures, 0 sec");
    EXPECT_EQ(DataloggerStatusText("1.9", 345, 1, LOGGER_ON, 0), "Datalogger capacity : 131072 measures, 1 day 12 hours")
        << "M is truncated to whole seconds";

    // Disabled shows the notice, or nothing.
    EXPECT_EQ(DataloggerStatusText("600", 260, 1, LOGGER_OFF, 0),
              "Update sensor firmware version upper than version 2.60  to get datalogger hardware support !");
    EXPECT_EQ(DataloggerStatusText("600", 261, 0, LOGGER_OFF, 0), "This sensor dont have datalogger hardware flash chip !");
    EXPECT_EQ(DataloggerStatusText("600", 261, 1, LOGGER_OFF, 0), "");
    // Without the logger hardware the notice stands whatever mode the sensor reports.
    EXPECT_EQ(DataloggerStatusText("600", 261, 0, LOGGER_ON, 0), "This sensor dont have datalogger hardware flash chip !");
    EXPECT_EQ(DataloggerStatusText("600", 260, 1, LOGGER_CYCLIC_MODE, 0).substr(0, 30), "Update sensor firmware version");

    // A duration past 32 bits shows the longest one, not a wrapped short one.
    EXPECT_EQ(DataloggerStatusText("86400", 345, 1, LOGGER_ON, 0),
              "Datalogger capacity : 131072 measures, 136 years 70 days");
}

TEST_F(DerivedTest, DataloggerLineFromThePagesFollowsTheBoxes)
{
    nSensorFirmware = 345;
    bExtFlashPresent = 1;
    pages.SetText(CTL_AVG_M, "600");
    SetDataloggerMode("on");
    SetDataloggerFields("224");
    ConfigPageReaction(CTL_FIELD_7);
    EXPECT_EQ(pages.Text(CTL_LOGGER_STATUS), "Datalogger capacity : 32768 measures, 227 days 13 hours");
    SetDataloggerMode("off");
    ConfigPageReaction(CTL_LOGGER_DISABLED);
    EXPECT_EQ(pages.Text(CTL_LOGGER_STATUS), "");
}

TEST_F(DerivedTest, FactoryStatusByKind)
{
    bAdmin = 1;
    nSensorType = SENSOR_TYPE_PALVETRA;
    DlgFactoryStatus();
    EXPECT_TRUE(pages.Enabled(CTL_SENS_VERSION));
    EXPECT_TRUE(pages.Enabled(CTL_CALIB_DATE));
    EXPECT_TRUE(pages.Enabled(CTL_CALIB_WIND));
    EXPECT_FALSE(pages.Enabled(CTL_CALIB_PRIMARY));

    nSensorType = SENSOR_TYPE_MESTRALO;
    DlgFactoryStatus();
    EXPECT_TRUE(pages.Enabled(CTL_CALIB_PRIMARY));
    bAdmin = 0;
    DlgFactoryStatus();
    EXPECT_FALSE(pages.Enabled(CTL_CALIB_PRIMARY));
    EXPECT_TRUE(pages.Enabled(CTL_CALIB_WIND)) << "a MESTRALO leaves the wind factor as it is";
    EXPECT_FALSE(pages.Enabled(CTL_SENS_SN));
}

TEST_F(DerivedTest, Sdi12ButtonsEnableTheAddressAtOnce)
{
    for (CtlId id : {CTL_SDI12_WIND, CTL_SDI12_PRIMARY, CTL_SDI12_BOTH}) {
        pages.SetEnabled(CTL_SDI12_ADDR, false);
        ConfigPageReaction(id);
        EXPECT_TRUE(pages.Enabled(CTL_SDI12_ADDR));
    }
    ConfigPageReaction(CTL_SDI12_DISABLED);
    EXPECT_FALSE(pages.Enabled(CTL_SDI12_ADDR));
}

}  // namespace
