#include "adapt.h"

#include <array>

namespace {

constexpr unsigned FLUX_P = KINDS_FLUX | KIND_PALVETRA;   // PALVETRA takes the particles flux captions
constexpr unsigned MEST = KIND_MESTRALO;
constexpr unsigned GRES = KIND_GRESTOLV;
constexpr unsigned PALV = KIND_PALVETRA;
constexpr unsigned FLUX = KINDS_FLUX;

// The Datalogger controls that need the logger hardware.
constexpr CtlId tLoggerHardwareFirst = CTL_LOGGER_DISABLED;
constexpr CtlId tLoggerHardwareLast = CTL_FIELD_7;

// Empties the value a control holds; captions of labels and buttons stay.
void ClearValue(ConfigPages& pages, const ConfigControlInfo& c)
{
    switch (c.nKind) {
    case CTL_KIND_EDIT:
    case CTL_KIND_TEXTBOX:
        pages.SetText(c.nId, "");
        break;
    case CTL_KIND_RADIO:
    case CTL_KIND_CHECK:
        pages.SetChecked(c.nId, false);
        break;
    case CTL_KIND_COMBO:
        pages.SetSelected(c.nId, -1);
        break;
    case CTL_KIND_DATE:
        pages.SetDate(c.nId, ConfigDate());
        break;
    case CTL_KIND_LABEL:
        // The datalogger's status line is a value, not a caption.
        if (c.nId == CTL_LOGGER_STATUS)
            pages.SetText(c.nId, "");
        break;
    case CTL_KIND_GROUP:
    case CTL_KIND_BUTTON:
        break;
    }
}

}  // namespace

// clang-format off
const AdaptEntry tAdaptEntries[] = {
    // Outputs: captions.
    {CTL_OUT1_PRIMARY, CTL_OUT1_PRIMARY, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux (Persistent, 0V to full-scale)"},
    {CTL_OUT1_PRIMARY, CTL_OUT1_PRIMARY, MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity (Persistent, 0V to full-scale)"},
    {CTL_OUT1_PRIMARY, CTL_OUT1_PRIMARY, GRES,   FW_ANY, ADAPT_CAPTION, "Hailstone count (Persistent, 0V to full-scale)"},
    {CTL_OUT2_PRIMARY, CTL_OUT2_PRIMARY, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux (Persistent, 0V to full-scale)"},
    {CTL_OUT2_PRIMARY, CTL_OUT2_PRIMARY, MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity (Persistent, 0V to full-scale)"},
    {CTL_OUT2_PRIMARY, CTL_OUT2_PRIMARY, GRES,   FW_ANY, ADAPT_CAPTION, "Hailstone count (Persistent, 0V to full-scale)"},
    {CTL_OUT1_PULSE,   CTL_OUT1_PULSE,   FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux (Pulse, 0V to full-scale)"},
    {CTL_OUT1_PULSE,   CTL_OUT1_PULSE,   MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity (Pulse, 0V to full-scale)"},
    {CTL_OUT1_PULSE,   CTL_OUT1_PULSE,   GRES,   FW_ANY, ADAPT_CAPTION, "Hailstone count (Pulse, 0V to full-scale)"},
    {CTL_OUT2_PULSE,   CTL_OUT2_PULSE,   FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux (Pulse, 0V to full-scale)"},
    {CTL_OUT2_PULSE,   CTL_OUT2_PULSE,   MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity (Pulse, 0V to full-scale)"},
    {CTL_OUT2_PULSE,   CTL_OUT2_PULSE,   GRES,   FW_ANY, ADAPT_CAPTION, "Hailstone count (Pulse, 0V to full-scale)"},
    {CTL_PRIMARY_FS_LABEL, CTL_PRIMARY_FS_LABEL, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux full-scale"},
    {CTL_PRIMARY_FS_LABEL, CTL_PRIMARY_FS_LABEL, MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity full-scale"},
    {CTL_PRIMARY_FS_LABEL, CTL_PRIMARY_FS_LABEL, GRES,   FW_ANY, ADAPT_CAPTION, "Hailstone count full-scale"},
    {CTL_PRIMARY_FS_UNIT,  CTL_PRIMARY_FS_UNIT,  FLUX_P, FW_ANY, ADAPT_CAPTION, "g/m²/s"},
    {CTL_PRIMARY_FS_UNIT,  CTL_PRIMARY_FS_UNIT,  MEST,   FW_ANY, ADAPT_CAPTION, "mm/h"},
    {CTL_PRIMARY_FS_UNIT,  CTL_PRIMARY_FS_UNIT,  GRES,   FW_ANY, ADAPT_CAPTION, "hit/s"},
    {CTL_PULSE_THLD, CTL_PULSE_THLD, FLUX_P, FW_ANY, ADAPT_CAPTION, "Threshold (g/m²)"},
    {CTL_PULSE_THLD, CTL_PULSE_THLD, MEST,   FW_ANY, ADAPT_CAPTION, "Threshold (mm)"},
    {CTL_PULSE_THLD, CTL_PULSE_THLD, GRES,   FW_ANY, ADAPT_CAPTION, "Threshold (hit)"},

    // Outputs: disabled.
    {CTL_OUT1_HAIL,  CTL_OUT1_HAIL,  FLUX, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT2_HAIL,  CTL_OUT2_HAIL,  FLUX, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_HAIL_RANGE, CTL_HAIL_RANGE, FLUX, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT1_WIND,  CTL_OUT1_WIND,  MEST, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT2_WIND,  CTL_OUT2_WIND,  MEST, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_WIND_RANGE, CTL_WIND_RANGE, MEST, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT1_HAIL,  CTL_OUT1_HAIL,  MEST, FW_BELOW_3_18, ADAPT_DISABLE, nullptr},
    {CTL_OUT2_HAIL,  CTL_OUT2_HAIL,  MEST, FW_BELOW_3_18, ADAPT_DISABLE, nullptr},
    {CTL_HAIL_RANGE, CTL_HAIL_RANGE, MEST, FW_BELOW_3_18, ADAPT_DISABLE, nullptr},
    {CTL_OUT1_WIND,  CTL_OUT1_WIND,  GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT2_WIND,  CTL_OUT2_WIND,  GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT1_HAIL,  CTL_OUT1_HAIL,  GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT2_HAIL,  CTL_OUT2_HAIL,  GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_WIND_RANGE, CTL_WIND_RANGE, GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_HAIL_RANGE, CTL_HAIL_RANGE, GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT1_PRIMARY,  CTL_OUT1_HAIL,  PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_OUT2_PRIMARY,  CTL_OUT2_HAIL,  PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_PRIMARY_RANGE, CTL_PRIMARY_RANGE, PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_HAIL_RANGE,    CTL_HAIL_RANGE,    PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_PULSE_THLD,    CTL_PULSE_MS,      PALV, FW_ANY, ADAPT_DISABLE, nullptr},

    // Outputs: hidden.
    {CTL_HAIL_FS_LABEL, CTL_HAIL_FS_UNIT, GRES, FW_ANY, ADAPT_HIDE, nullptr},
    {CTL_OUT1_HAIL,     CTL_OUT1_HAIL,    GRES, FW_ANY, ADAPT_HIDE, nullptr},
    {CTL_OUT2_HAIL,     CTL_OUT2_HAIL,    GRES, FW_ANY, ADAPT_HIDE, nullptr},

    // SDI12 and Serial.
    {CTL_SDI12_PRIMARY,  CTL_SDI12_PRIMARY,  FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux only"},
    {CTL_SDI12_PRIMARY,  CTL_SDI12_PRIMARY,  MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity, rain disdrometry and hailstones counting"},
    {CTL_SDI12_PRIMARY,  CTL_SDI12_PRIMARY,  GRES,   FW_ANY, ADAPT_CAPTION, "Hailstone count and hailstone disdrometry"},
    {CTL_SDI12_BOTH,     CTL_SDI12_BOTH,     FLUX_P, FW_ANY, ADAPT_CAPTION, "Wind speed and particles flux"},
    {CTL_SDI12_BOTH,     CTL_SDI12_BOTH,     MEST,   FW_ANY, ADAPT_CAPTION, "Wind speed and rain intensity"},
    {CTL_SDI12_BOTH,     CTL_SDI12_BOTH,     GRES,   FW_ANY, ADAPT_CAPTION, "Wind speed and hailstone count"},
    {CTL_SERIAL_PRIMARY, CTL_SERIAL_PRIMARY, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux only"},
    {CTL_SERIAL_PRIMARY, CTL_SERIAL_PRIMARY, MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity, rain disdrometry and hailstones counting"},
    {CTL_SERIAL_PRIMARY, CTL_SERIAL_PRIMARY, GRES,   FW_ANY, ADAPT_CAPTION, "Hailstone count and hailstone disdrometry"},
    {CTL_SERIAL_BOTH,    CTL_SERIAL_BOTH,    FLUX_P, FW_ANY, ADAPT_CAPTION, "Wind speed and particles flux"},
    {CTL_SERIAL_BOTH,    CTL_SERIAL_BOTH,    MEST,   FW_ANY, ADAPT_CAPTION, "Wind speed and rain intensity"},
    {CTL_SERIAL_BOTH,    CTL_SERIAL_BOTH,    GRES,   FW_ANY, ADAPT_CAPTION, "Wind speed and hailstone count"},
    {CTL_SDI12_WIND,     CTL_SDI12_WIND,     MEST | GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_SDI12_BOTH,     CTL_SDI12_BOTH,     MEST | GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_SERIAL_WIND,    CTL_SERIAL_WIND,    MEST | GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_SERIAL_BOTH,    CTL_SERIAL_BOTH,    MEST | GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_SDI12_PRIMARY,  CTL_SDI12_BOTH,     PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_SERIAL_PRIMARY, CTL_SERIAL_BOTH,    PALV, FW_ANY, ADAPT_DISABLE, nullptr},

    // Datalogger: the primary field captions (bits 0 to 4), GRESTOLV's bits 11 and 12.
    {CTL_FIELD_0, CTL_FIELD_0, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux minimum (g/m²/s)"},
    {CTL_FIELD_1, CTL_FIELD_1, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux average (g/m²/s)"},
    {CTL_FIELD_2, CTL_FIELD_2, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux maximum (g/m²/s)"},
    {CTL_FIELD_3, CTL_FIELD_3, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux standard deviation (g/m²/s)"},
    {CTL_FIELD_4, CTL_FIELD_4, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux cumul (g/m²)"},
    {CTL_FIELD_0, CTL_FIELD_0, MEST, FW_ANY, ADAPT_CAPTION, "Rain intensity minimum (mm/h)"},
    {CTL_FIELD_1, CTL_FIELD_1, MEST, FW_ANY, ADAPT_CAPTION, "Rain intensity average (mm/h)"},
    {CTL_FIELD_2, CTL_FIELD_2, MEST, FW_ANY, ADAPT_CAPTION, "Rain intensity maximum (mm/h)"},
    {CTL_FIELD_3, CTL_FIELD_3, MEST, FW_ANY, ADAPT_CAPTION, "Rain intensity standard deviation (mm/h)"},
    {CTL_FIELD_4, CTL_FIELD_4, MEST, FW_ANY, ADAPT_CAPTION, "Rain intensity cumul (mm)"},
    {CTL_FIELD_0, CTL_FIELD_0, GRES, FW_ANY, ADAPT_CAPTION, "Hailstone count minimum (hit/s)"},
    {CTL_FIELD_1, CTL_FIELD_1, GRES, FW_ANY, ADAPT_CAPTION, "Hailstone count average (hit/s)"},
    {CTL_FIELD_2, CTL_FIELD_2, GRES, FW_ANY, ADAPT_CAPTION, "Hailstone count maximum (hit/s)"},
    {CTL_FIELD_3, CTL_FIELD_3, GRES, FW_ANY, ADAPT_CAPTION, "Hailstone count standard deviation (hit/s)"},
    {CTL_FIELD_4, CTL_FIELD_4, GRES, FW_ANY, ADAPT_CAPTION, "Hailstone count cumul (hit)"},
    {CTL_FIELD_11, CTL_FIELD_11, GRES, FW_ANY, ADAPT_CAPTION, "Hailstone count (hit)"},
    {CTL_FIELD_12, CTL_FIELD_12, GRES, FW_ANY, ADAPT_CAPTION, "Hailstone size classes distribution (%)"},

    // Datalogger: disabled field boxes.
    {CTL_FIELD_8, CTL_FIELD_12, FLUX, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_FIELD_5, CTL_FIELD_7,  MEST, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_FIELD_8, CTL_FIELD_12, MEST, FW_BELOW_3_24, ADAPT_DISABLE, nullptr},
    {CTL_FIELD_5, CTL_FIELD_10, GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_FIELD_0, CTL_FIELD_4,  PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_FIELD_8, CTL_FIELD_12, PALV, FW_ANY, ADAPT_DISABLE, nullptr},

    // Expert and Factory.
    {CTL_PRIMARY_LIN_GROUP, CTL_PRIMARY_LIN_GROUP, FLUX_P, FW_ANY, ADAPT_CAPTION, "PARTICLES FLUX LINEARIZATION"},
    {CTL_PRIMARY_LIN_GROUP, CTL_PRIMARY_LIN_GROUP, MEST,   FW_ANY, ADAPT_CAPTION, "RAIN INTENSITY LINEARIZATION"},
    {CTL_PRIMARY_LIN_GROUP, CTL_PRIMARY_LIN_GROUP, GRES,   FW_ANY, ADAPT_CAPTION, "HAIL LINEARIZATION"},
    {CTL_EXPERT_THLD, CTL_EXPERT_THLD, FLUX_P, FW_ANY, ADAPT_CAPTION, "Flux noise threshold (mV)"},
    {CTL_EXPERT_THLD, CTL_EXPERT_THLD, MEST,   FW_ANY, ADAPT_CAPTION, "Rain noise threshold (mV)"},
    {CTL_EXPERT_THLD, CTL_EXPERT_THLD, GRES,   FW_ANY, ADAPT_CAPTION, "Hail noise threshold (mV)"},
    {CTL_LIN_WC1, CTL_LIN_WE2, MEST | GRES, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_EXPERT_THLD, CTL_EXPERT_THLD, PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_LIN_XC1, CTL_LIN_XE1, PALV, FW_ANY, ADAPT_DISABLE, nullptr},
    {CTL_CALIB_PRIMARY, CTL_CALIB_PRIMARY, FLUX_P, FW_ANY, ADAPT_CAPTION, "Particles flux calibration factor"},
    {CTL_CALIB_PRIMARY, CTL_CALIB_PRIMARY, MEST,   FW_ANY, ADAPT_CAPTION, "Rain intensity calibration factor"},
    {CTL_CALIB_PRIMARY, CTL_CALIB_PRIMARY, GRES,   FW_ANY, ADAPT_CAPTION, "Hail calibration factor"},
};
// clang-format on

const size_t uAdaptEntryCount = sizeof tAdaptEntries / sizeof tAdaptEntries[0];

void ConfigRestoreCreation()
{
    // Which controls to restore, and what of each, from the table itself.
    std::array<bool, CTL_COUNT> caption{}, state{};
    for (const AdaptEntry& e : tAdaptEntries) {
        for (int id = e.nFirst; id <= e.nLast; id++)
            (e.nAction == ADAPT_CAPTION ? caption : state)[id] = true;
    }
    for (int id = tLoggerHardwareFirst; id <= tLoggerHardwareLast; id++)
        state[id] = true;
    state[CTL_SDI12_ADDR] = true;

    ConfigPages& pages = Pages();
    for (const ConfigControlInfo& c : tConfigControls) {
        if (caption[c.nId])
            pages.SetCaption(c.nId, c.szCaption);
        if (state[c.nId]) {
            pages.SetEnabled(c.nId, c.bEnabled);
            pages.SetVisible(c.nId, true);
        }
        ClearValue(pages, c);
    }
}

void ConfigAdaptPages(int nType, int nFirmware)
{
    ConfigPages& pages = Pages();
    const unsigned kind = KindBit(nType);
    for (const AdaptEntry& e : tAdaptEntries) {
        if ((e.uKinds & kind) == 0 || !FirmwareIs(e.nFirmware, nFirmware))
            continue;
        for (int i = e.nFirst; i <= e.nLast; i++) {
            const CtlId id = static_cast<CtlId>(i);
            switch (e.nAction) {
            case ADAPT_CAPTION:
                pages.SetCaption(id, e.szText);
                break;
            case ADAPT_DISABLE:
                pages.SetEnabled(id, false);
                break;
            case ADAPT_HIDE:
                pages.SetVisible(id, false);
                break;
            }
        }
    }
}

void ConfigDataloggerAvailability(int nFirmware, int bExtFlash)
{
    if (!FirmwareIs(FW_BELOW_2_61, nFirmware) && bExtFlash)
        return;
    for (int id = tLoggerHardwareFirst; id <= tLoggerHardwareLast; id++)
        Pages().SetEnabled(static_cast<CtlId>(id), false);
}
