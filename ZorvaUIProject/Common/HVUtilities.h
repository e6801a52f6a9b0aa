#pragma once

#include <QString>
#include <QVariant>

// The suite's collection of class operations, shared by its programs. It is never
// instantiated. The operations are implemented in one file per topic beside this
// header: HVUtilitiesPreferences.cpp, HVUtilitiesLanguages.cpp,
// HVUtilitiesLaunching.cpp, HVUtilitiesSoftphones.cpp, HVUtilitiesVersions.cpp,
// HVUtilitiesHeadsetRegistry.cpp.
class HVUtilities {
public:
    HVUtilities() = delete;

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

    // ---- Application launching and settings pane (HVUtilitiesLaunching.cpp) ---

    // ---- Softphone discovery (HVUtilitiesSoftphones.cpp) ----------------------

    // ---- Versions and product identifiers (HVUtilitiesVersions.cpp) -----------

    // ---- Headset information registry (HVUtilitiesHeadsetRegistry.cpp) --------

    // ---- end of operations ------------------------------------------------------
};
