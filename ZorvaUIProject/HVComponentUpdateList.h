#pragma once

#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <optional>

// The component update list the device service reports: an ordered list of
// component entries, one per updatable component. An entry is a shared,
// mutable, string-keyed map: the update window and its caller hold the same
// entry, so a choice written by one is seen by the other. An empty list is a
// list with no components; an absent list (std::nullopt) means no information.
//
// Inside a QVariant (what the keyed-archive codec reads and writes) the list is
// a QVariantList whose elements are QVariantMap or HVComponentEntry; the codec
// writes both as dictionaries, and HVComponentUpdateList::fromObject turns what
// it reads back into entries.
using HVComponentEntry = std::shared_ptr<QVariantMap>;
using HVComponentList = QList<HVComponentEntry>;

// The keys of a component entry.
namespace HVComponentKeys {
inline constexpr char componentNameKey[] = "componentNameKey";
inline constexpr char currentVersionKey[] = "currentVersionKey";
inline constexpr char AvailableVersionKey[] = "AvailableVersionKey";
inline constexpr char LocIdKey[] = "LocIdKey";
inline constexpr char ProdIdKey[] = "ProdIdKey";
inline constexpr char UpdateStatusKey[] = "UpdateStatusKey";
inline constexpr char UpdateForHeadset[] = "UpdateForHeadset";
inline constexpr char languageInfo[] = "languageInfo";
inline constexpr char buildVectorInfo[] = "buildVectorInfo";
inline constexpr char downloadURLKey[] = "downloadURLKey";
inline constexpr char releaseNotesURLKey[] = "releaseNotesURLKey";
inline constexpr char selectedLangKey[] = "selectedLangKey";
inline constexpr char selectedRegionKey[] = "selectedRegionKey";
inline constexpr char headsetTypeKey[] = "headsetTypeKey";

// "componentNameKey" of the suite software's own entry.
inline constexpr char suiteComponentName[] = "Zorva Suite for Mac";
// "currentVersionKey" of a component whose device is in firmware recovery.
inline constexpr char recoveryVersion[] = "Recovery";
} // namespace HVComponentKeys

// The one place that reads (and writes) the keys of a component entry, each by
// its rule. A null entry reads as an empty one. Never instantiated.
class HVComponentUpdateList {
public:
    HVComponentUpdateList() = delete;

    // Makes an entry holding a copy of the map.
    static HVComponentEntry makeEntry(const QVariantMap& map = {});

    // The list held by a decoded object: a QVariantList of maps (or entries);
    // nothing for an absent object or one that is no list (with a trace line).
    // Elements that are not maps are skipped with a trace line.
    static std::optional<HVComponentList> fromObject(const QVariant& object);
    // The list as an object for the codec: a QVariantList of the entries
    // themselves (not copies). An absent list gives an invalid QVariant.
    static QVariant toObject(const std::optional<HVComponentList>& list);

    // Strings: the value when it is a string, else null.
    static QString componentName(const HVComponentEntry& entry);
    static QString currentVersion(const HVComponentEntry& entry);
    static QString availableVersion(const HVComponentEntry& entry);
    static QString productId(const HVComponentEntry& entry);
    static QString downloadURL(const HVComponentEntry& entry);
    static QString releaseNotesURL(const HVComponentEntry& entry);

    // "LocIdKey" as unsigned 64 bits (a signed number gives the same bits); 0
    // when missing or not a number.
    static quint64 locationId(const HVComponentEntry& entry);
    // "UpdateStatusKey" through integer conversion; a missing key is 0 (update
    // available).
    static qint32 updateStatus(const HVComponentEntry& entry);
    // True only when "UpdateForHeadset" is exactly the string "TRUE".
    static bool isHeadsetEntry(const HVComponentEntry& entry);
    // "componentNameKey" is "Zorva Suite for Mac".
    static bool isSuiteEntry(const HVComponentEntry& entry);
    // "currentVersionKey" is "Recovery".
    static bool isRecoveryEntry(const HVComponentEntry& entry);
    // "headsetTypeKey" through integer conversion, 0 when missing.
    static qint32 headsetType(const HVComponentEntry& entry);

    // "languageInfo": the list of HVXmlLanguageInfo records (a QVariantList),
    // or an invalid QVariant when missing or not a list.
    static QVariant languageInfo(const HVComponentEntry& entry);
    // "buildVectorInfo": the build record, or null.
    static HVXmlBuildVectorInfoPtr buildVectorInfo(const HVComponentEntry& entry);

    // "selectedLangKey" as stored (string or number), invalid when missing.
    static QVariant selectedLanguage(const HVComponentEntry& entry);
    // "selectedRegionKey" as stored, invalid when missing.
    static QVariant selectedRegion(const HVComponentEntry& entry);
    // "selectedRegionKey" through integer conversion as decimal text: "7" and 7
    // give "7", "07" gives "7", a missing choice gives "0".
    static QString selectedRegionText(const HVComponentEntry& entry);
    static void setSelectedLanguage(const HVComponentEntry& entry, const QString& languageCode);
    static void setSelectedRegion(const HVComponentEntry& entry, const QString& regionId);

    // Integer conversion of a stored value: a number converts (real numbers
    // truncate, out-of-range values saturate); a string gives the decimal
    // value of its leading digits (white space skipped, optional sign, digits up
    // to the first other character; none gives 0); anything else gives 0.
    static qint32 intValue(const QVariant& value);
};
