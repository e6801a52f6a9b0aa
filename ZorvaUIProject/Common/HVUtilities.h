#pragma once

#include "Platform/Launching.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

// The suite's collection of class operations, shared by its programs. It is never
// instantiated. The operations are implemented in one file per topic beside this
// header: HVUtilitiesPreferences.cpp, HVUtilitiesLanguages.cpp,
// HVUtilitiesLaunching.cpp, HVUtilitiesSoftphones.cpp, HVUtilitiesVersions.cpp,
// HVUtilitiesHeadsetRegistry.cpp.
class HVUtilities {
public:
    HVUtilities() = delete;

    // Exact, case-sensitive equality of names and identifiers, where an absent
    // (null) string equals nothing, not even another absent one, and an empty
    // string equals only an empty one. QString's == treats null and empty alike.
    static bool sameString(const QString& a, const QString& b) {
        return !a.isNull() && !b.isNull() && a == b;
    }

    // ---- Preference store (HVUtilitiesPreferences.cpp) ------------------------
    // The per-user preference file, seeded from the system-wide template.

    // The per-user preference file: home directory + kPreferenceFileSuffix.
    static QString userPreferencePath();
    // The system-wide template, below the system root.
    static QString templatePreferencePath();

    static bool synchronizePreferencePlist();
    // The stored object for the key; an invalid QVariant when there is none.
    static QVariant getValueFromUserDefaultForKey(const QString& key);
    // An invalid value removes the key.
    static void saveUserDefaultsValueWithKey(const QString& key, const QVariant& withValue);
    static void clearKeyValueFromStandardUserDefaults(const QString& key);
    static QString getZMSHomeDirectory();
    static bool isSetHVHIDInterface();
    // A preference flag: true only for the exact string "TRUE".
    static bool isPreferenceFlagSet(const QString& key);

    // ---- Firmware language and region lookups (HVUtilitiesLanguages.cpp) ------
    // A language list is a QVariantList of HVXmlLanguageInfoPtr (a component's
    // "languageInfo"); a region list one of HVXmlBuildVectorRegionInfoPtr or
    // HVXmlBuildVectorTunesInfoPtr. An invalid QVariant, or anything that is no
    // list, is a missing list. Names and identifiers compare exactly; a record
    // whose compared field is missing matches nothing.

    // The names of the records in list order; nothing when the list is missing.
    static std::optional<QStringList> getLangArrayforList(const QVariant& list);
    // The name of the first language whose hexadecimal code equals the wanted
    // identifier: the decimal langCode, or for product "HV093B" with a last
    // version part above 0, the language that part encodes. Null when none.
    static QString getLangName(const QString& version, const QString& langCode,
                               const QVariant& fromList, const QString& forProduct);
    // The firmware file of the last language with this name; null when none.
    static QString getFWFileForLang(const QString& lang, const QVariant& fromList);
    // The code (as stored) of the first language with this name; null when none.
    static QString getLangIdForLang(const QString& lang, const QVariant& fromList);
    // Windows language identifier for a version-coded language number; 1033 for
    // any number outside 0 to 9.
    static quint32 mapFirmwareVersionToLanguageCode(qint32 value);
    static std::optional<QStringList> getRegionArrayforList(const QVariant& list);
    // The first region record (the list element itself) whose regionId equals
    // the text; an invalid QVariant when none.
    static QVariant getRegionFromVersion(const QString& version, const QVariant& fromList);
    // The region file of the first region with this name; null when none.
    static QString getFWFileForRegion(const QString& region, const QVariant& fromList);

    // ---- Application launching and settings pane (HVUtilitiesLaunching.cpp) ---
    // The suite's settings pane bundle ("com.hvlabs.Zorva"): the process's known
    // bundle with that identifier, else "Zorva Suite for Mac.prefPane" in the
    // PreferencePanes folder of the user, local or network Library (first match,
    // identifier compared ignoring case). Cached for the life of the process
    // once found; null when there is none.
    static std::shared_ptr<const platform::Bundle> getHVPrefsPane();
    // A suite bundle by identifier: a known bundle, else <users folder>/
    // ZorvaMacSuite/<appName> of the local and network domains. Not cached.
    static std::shared_ptr<const platform::Bundle> getHVComponents(const QString& bundleIdentifier,
                                                                   const QString& appName);
    // "CFBundleShortVersionString" of the settings pane at its fixed location;
    // null when the pane or the value is missing. The argument is not used.
    static QString getBundleVersion(const QString& unused);
    // Starts the application bundle or executable at the path, detached, with
    // exactly the given arguments. A null path is refused with a trace line.
    // A path where nothing exists is traced and answers false with *error left
    // empty; a refused start answers false with *error set (domain
    // "NSOSStatusErrorDomain", the status as code). error may be null.
    static bool launchApplicationAtPath(const QString& path, const QStringList& arguments,
                                        std::optional<platform::Error>* error = nullptr);
    // Starts the installed status item and answers true whatever happened.
    static bool launchZorvaMenu();
    static bool addApplicationToLoginItems(const QString& appPath);
    static bool deleteApplicationFromLoginItem(const QString& appPath);
    static void writeLog(const QString& message, int forCategory);
    // Forgets the cached settings pane (tests only).
    static void resetHVPrefsPaneCache();

    // Encrypted bundle resources (HVUtilitiesPictures.cpp): the plain bytes of an
    // AES-256-CBC encrypted picture; a null array, with a trace line, when the
    // file cannot be read or does not decrypt.
    static QByteArray decryptFile(const QString& path);

    // ---- Softphone discovery (HVUtilitiesSoftphones.cpp) ----------------------
    // Where another maker's softphone is installed, whether it runs and whether its
    // version is new enough; the user's softphone preferences.

    // Softphone status answered by getUtilitySoftphoneStatusBundleId.
    static constexpr qint32 kSoftphoneNotInstalled = 2;
    static constexpr qint32 kSoftphoneVersionNotSupported = 6;
    static constexpr qint32 kSoftphoneNotRunning = 7;
    static constexpr qint32 kSoftphoneRunning = 8;

    // The application's path (with the Sametime and Bria 4 fall-backs, and the
    // suite's own copy for an application on a mounted volume); null when none.
    static QString getUtilitySoftphonePath(const QString& bundleIdentifier,
                                           const QString& softPhoneName);
    // One of the softphone statuses above. An empty minimum version accepts any.
    static qint32 getUtilitySoftphoneStatusBundleId(const QString& bundleIdentifier,
                                                    const QString& softPhoneName,
                                                    const QString& minVersion);
    // Bria 4's short version string; null when it cannot be found.
    static QString getBriaSPVersion();
    // The Cisco Jabber accessory plug-in's version; "1.0.0" without a readable
    // settings file, null when the file lacks it.
    static QString getCiscoPluginVersion();
    // 255 "Standard", 8 "None (Audio Only)", 0 Lync & Skype for Business, else 7.
    static qint32 getPreferredSoftphoneID();
    static bool willUpdateSpPresence();
    // The information property list of an application: path + "/Contents/info.plist",
    // or the file of that name in another letter case; null when there is none.
    static QString softphoneInfoPlistPath(const QString& applicationPath);

    // ---- Versions and product identifiers (HVUtilitiesVersions.cpp) -----------

    // Dotted versions compared part by part as numbers: -1, 0 or +1. A part that
    // one side lacks ranks below any part of 0 or more (1.0 < 1.0.0).
    static int compareVersion(const QString& version, const QString& toVersion);
    // "HV2454" -> "9300": the first hexadecimal number of the string, as a signed
    // 32-bit decimal ("0" when there is none, "-1" for FFFFFFFF and above).
    static QString getProductID(const QString& productID);
    // A headset's product identifier by its four-character code; null when unknown.
    static QString getHSProductID(const QString& code);
    // Whether a decimal product number is one of the newer products (834-847, 849).
    static bool isCatalinaPlusDevice(const QString& productNumber);

    // ---- Headset information registry (HVUtilitiesHeadsetRegistry.cpp) --------
    // The Tarvik dongles seen by this user, and the headsets that connected
    // through each, kept under "TarvikData" in the per-user preference file.

    // Device state of the two update operations.
    static constexpr qint32 kTarvikDeviceConnected = 0;
    static constexpr qint32 kTarvikDeviceDisconnected = 1; // HVDeviceDisconnected

    static void updateTarvikInfo(const QString& name, const QString& productID, quint64 locatonID,
                                 const QString& serialNumber, qint32 deviceState);
    static void updateHeadsetInfo(const QString& name, const QString& productID, quint64 locatonID,
                                  const QString& serialNumber, qint32 deviceState);
    // The dongle's headset records; an invalid QVariant when it has none.
    static QVariant getHeadsetInfo(const QString& productID, quint64 locationId,
                                   const QString& serialNumber);
    // The serial number of the dongle at a location; null when none is there.
    static QString getTarvikSrNumber(quint64 locationID);
    static bool isItTheSameTarvik(const QString& serialNumber);
    // Forgets the headsets of one dongle.
    static void clearTarvikInfo(const QString& name, const QString& productID, quint64 locatonID,
                                const QString& serialNumber);
    // Forgets every dongle when one with this serial number is known.
    static void clearTarvikData(const QString& name, const QString& productID, quint64 locatonID,
                                const QString& serialNumber);

    // ---- end of operations ------------------------------------------------------
};
