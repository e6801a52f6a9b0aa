#pragma once

#include "ZorvaUIProject/HVComponentUpdateList.h"

#include <QString>

// The picture the update window shows for a component entry: for the nine
// wearing-style products the variant picture of the headset type under
// "headsetTypeKey" (71 convertible, 72 duo, anything else mono), for every other
// product its table picture; always in the firmware-update context.
QString getDeviceImageNameWithDeviceDict(const HVComponentEntry& dict);
