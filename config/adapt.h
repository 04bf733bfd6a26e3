// Kind adaptation: the captions, units, disabled and hidden controls of the
// pages for the connected sensor's kind and firmware, as one table of data.
//
// The adaptation only rewrites captions, disables and hides; it never
// enables or shows. So that a sensor of another kind connected later in the
// same run starts clean, ConfigRestoreCreation first puts every control the
// adaptation can touch back to its creation caption, enabled and visible
// state (the SDI12 address box included, which the load enables again from
// the mode it reads), and empties every value: the previous sensor's
// values must not stand on pages the new one was never asked for, and a
// value a load did not read stays visibly empty (no text, no button
// checked, no entry selected, dates at 1970-01-01).
#pragma once

#include <cstddef>

#include "pages.h"
#include "sensor_kind.h"

enum AdaptAction : int {
    ADAPT_CAPTION,   // set the caption to szText
    ADAPT_DISABLE,
    ADAPT_HIDE,
};

// One line of the adaptation tables: controls nFirst to nLast (in CtlId
// order) for the kinds in uKinds with the firmware condition nFirmware.
struct AdaptEntry {
    CtlId nFirst;
    CtlId nLast;
    unsigned uKinds;
    FwTest nFirmware;
    AdaptAction nAction;
    const char* szText;
};

extern const AdaptEntry tAdaptEntries[];
extern const size_t uAdaptEntryCount;

// Creation caption, enabled and visible state for every control that the
// adaptation, the datalogger availability or the load may change; every
// value emptied, the identity fields included.
void ConfigRestoreCreation();

// Applies the adaptation entries for the kind and firmware.
void ConfigAdaptPages(int nType, int nFirmware);

// The Datalogger page without logger hardware: below firmware 2.61 or
// without the external flash, the three mode buttons and the field boxes of
// bits 0 to 7 are disabled.
void ConfigDataloggerAvailability(int nFirmware, int bExtFlash);
