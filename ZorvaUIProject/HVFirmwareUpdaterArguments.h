#pragma once

#include "ZorvaUIProject/HVComponentUpdateList.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

// What the update window hands to the separate firmware updater for one
// component entry: the updater's fixed place, the update description and the
// argument list the updater reads. Never instantiated.
//
//   headset entry   "UpdateForHeadset", <componentNameKey>   (the name only when present)
//   other entries   "RunningFromZms",   <text form of the update description>
//
// The text form is the old-style property-list text of a dictionary (keys in
// ascending order, strings quoted and escaped where that format requires), the
// same text a dictionary prints as in a trace line.
class HVFirmwareUpdaterArguments {
public:
    HVFirmwareUpdaterArguments() = delete;

    static constexpr char kUpdaterName[] = "Zorva Firmware Updater.app";
    static constexpr char kHeadsetArgument[] = "UpdateForHeadset";
    static constexpr char kSuiteArgument[] = "RunningFromZms";

    // <system root>/Applications/Zorva Firmware Updater.app; no other place.
    static QString updaterPath();

    // The update description of an entry:
    //   "LocIdKey"            the location identifier as text: decimal digits for a
    //                         number, the text itself for a string, (null) when absent
    //   "ProdIdKey"           the product identifier with a leading "HV" turned into "0x"
    //   "downloadURLKey", "AvailableVersionKey"   as stored
    //   "selectedLangKey"     when the entry has one
    //   "selectedRegionKey"   when the entry has a build description and a region choice
    //   "buildVectorInfo"     the text form of the build description's firmwareFileNames,
    //                         when the entry has a build description holding that map
    // "ProdIdKey", "downloadURLKey" and "AvailableVersionKey" are left out when the
    // entry has no value for them.
    static QVariantMap updateDescription(const HVComponentEntry& entry);

    // The text form of a dictionary handed to the updater.
    static QString textForm(const QVariantMap& dictionary);

    // The updater's argument list for an entry.
    static QStringList arguments(const HVComponentEntry& entry);

    // What pressing "Update" for an entry does, without the window: the suite
    // entry opens its download address in the web browser; any other entry
    // starts the updater with its arguments (trace "Arguments Array : %@").
    // True when the browser or the updater was started.
    static bool startUpdate(const HVComponentEntry& entry);
};
