#pragma once

#include "ZorvaUIProject/Common/HVArchivableRecords.h"

#include <QMetaType>
#include <QMutex>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace platform {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace platform

// The firmware catalogue's data model: what a catalogue says about a product's
// firmware, language packages, regions and tune sets. The device service fills
// these records; this program receives them inside component entries.
//
// Every accessor is atomic: a reader always sees a whole value some writer
// stored. Nothing guards a sequence of accesses nor the collections' contents.
// Collections ("mutable ordered list", "mutable map") are held as a QVariant
// carrying a QVariantList or QVariantMap, absent when invalid; a builder reads,
// changes and stores them back. Lists of records hold QVariant::fromValue of
// the records' shared pointers. A new record has every field absent or 0.
// Each class is archived under its own name with its field names as keys.

namespace hv_detail {
// One field behind its own lock.
template <class T>
class HVAtomicField {
public:
    T get() const {
        QMutexLocker lock(&m_mutex);
        return m_value;
    }
    void set(T value) {
        QMutexLocker lock(&m_mutex);
        std::swap(m_value, value);
        // The previous value is released here, once the lock is given up.
        lock.unlock();
    }

private:
    mutable QMutex m_mutex;
    T m_value{};
};
} // namespace hv_detail

#define HV_XML_FIELD(Type, name, Setter)                                                           \
public:                                                                                            \
    Type name() const {                                                                            \
        return m_##name.get();                                                                     \
    }                                                                                              \
    void Setter(Type value) {                                                                      \
        m_##name.set(std::move(value));                                                            \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    hv_detail::HVAtomicField<Type> m_##name;

#define HV_XML_RECORD(Class)                                                                       \
public:                                                                                            \
    Class() = default;                                                                             \
    Class(const Class&) = delete;                                                                  \
    Class& operator=(const Class&) = delete;                                                       \
    void encodeWithCoder(platform::KeyedArchiver& coder) const;                                    \
    static std::shared_ptr<Class> initWithCoder(platform::KeyedUnarchiver& coder);                 \
    QString description(int indent = 0) const;

class HVXmlDataVectorInfo {
    HV_XML_RECORD(HVXmlDataVectorInfo)
    HV_XML_FIELD(qint32, xmlDataType, setXmlDataType)
    HV_XML_FIELD(QString, firmwareVersion, setFirmwareVersion)
    HV_XML_FIELD(QString, extendedVersionInfo, setExtendedVersionInfo)
    HV_XML_FIELD(QString, minFirmwareUpdateVersion, setMinFirmwareUpdateVersion)
    HV_XML_FIELD(QString, bootloaderUpdateThresholdVersion, setBootloaderUpdateThresholdVersion)
    HV_XML_FIELD(QString, minFirmwareForAnnouncement, setMinFirmwareForAnnouncement)
    HV_XML_FIELD(QVariant, usbPidList, setUsbPidList)       // QVariantList
    HV_XML_FIELD(QVariant, xmlParsedData, setXmlParsedData) // any object
    HV_XML_FIELD(QVariant, bootLoaderPID, setBootLoaderPID) // number
};

class HVXmlLanguageInfo {
    HV_XML_RECORD(HVXmlLanguageInfo)
    HV_XML_FIELD(QString, firmwareFileName, setFirmwareFileName)
    HV_XML_FIELD(QString, languageCode, setLanguageCode) // hexadecimal text, e.g. "409"
    HV_XML_FIELD(QString, languageName, setLanguageName)
    HV_XML_FIELD(QString, languageVersion, setLanguageVersion)
};

class HVXmlDictionaryInfo {
    HV_XML_RECORD(HVXmlDictionaryInfo)
    HV_XML_FIELD(QVariant, firmwareInfoDict, setFirmwareInfoDict) // QVariantMap
};

class HVXmlBuildVectorInfo {
    HV_XML_RECORD(HVXmlBuildVectorInfo)
    // Every field absent; no collections are made, so a builder sets the lists
    // and maps before adding to them.
    static std::shared_ptr<HVXmlBuildVectorInfo> init();

    HV_XML_FIELD(QString, currentBaseProcessorFwVersion, setCurrentBaseProcessorFwVersion)
    HV_XML_FIELD(QString, availbleBaseProcessorFwVersion, setAvailbleBaseProcessorFwVersion)
    HV_XML_FIELD(QVariant, firmwareFileNames, setFirmwareFileNames) // QVariantMap
    HV_XML_FIELD(QVariant, subversionInfo, setSubversionInfo)       // QVariantMap
    // QVariantList of HVXmlBuildVectorRegionInfoPtr
    HV_XML_FIELD(QVariant, availableRegionInfo, setAvailableRegionInfo)
    HV_XML_FIELD(QVariant, availableTunesInfo, setAvailableTunesInfo)     // QVariantList
    HV_XML_FIELD(QVariant, availableHSTunesInfo, setAvailableHSTunesInfo) // QVariantList
};

class HVXmlBuildVectorRegionInfo {
    HV_XML_RECORD(HVXmlBuildVectorRegionInfo)
    HV_XML_FIELD(QString, regionName, setRegionName)
    HV_XML_FIELD(QString, regionId, setRegionId) // decimal text, e.g. "7"
    HV_XML_FIELD(QString, regionfileName, setRegionfileName)
    HV_XML_FIELD(QString, availableRegionVersion, setAvailableRegionVersion)
    HV_XML_FIELD(QVariant, supportedRegLanguages, setSupportedRegLanguages) // QVariantList
};

class HVXmlBuildVectorTunesInfo {
    HV_XML_RECORD(HVXmlBuildVectorTunesInfo)
    HV_XML_FIELD(QString, regionType, setRegionType)
    HV_XML_FIELD(QString, regionTarget, setRegionTarget)
    HV_XML_FIELD(QString, regionName, setRegionName)
    HV_XML_FIELD(QString, regionId, setRegionId)
    HV_XML_FIELD(QString, regionfileName, setRegionfileName)
    HV_XML_FIELD(QString, availableTunesVersion, setAvailableTunesVersion)
    HV_XML_FIELD(QVariant, supportedTunesLanguages, setSupportedTunesLanguages) // QVariantList
};

#undef HV_XML_FIELD
#undef HV_XML_RECORD

using HVXmlDataVectorInfoPtr = std::shared_ptr<HVXmlDataVectorInfo>;
using HVXmlLanguageInfoPtr = std::shared_ptr<HVXmlLanguageInfo>;
using HVXmlDictionaryInfoPtr = std::shared_ptr<HVXmlDictionaryInfo>;
using HVXmlBuildVectorInfoPtr = std::shared_ptr<HVXmlBuildVectorInfo>;
using HVXmlBuildVectorRegionInfoPtr = std::shared_ptr<HVXmlBuildVectorRegionInfo>;
using HVXmlBuildVectorTunesInfoPtr = std::shared_ptr<HVXmlBuildVectorTunesInfo>;

Q_DECLARE_METATYPE(HVXmlDataVectorInfoPtr)
Q_DECLARE_METATYPE(HVXmlLanguageInfoPtr)
Q_DECLARE_METATYPE(HVXmlDictionaryInfoPtr)
Q_DECLARE_METATYPE(HVXmlBuildVectorInfoPtr)
Q_DECLARE_METATYPE(HVXmlBuildVectorRegionInfoPtr)
Q_DECLARE_METATYPE(HVXmlBuildVectorTunesInfoPtr)

// The fields a region lookup reads, from a list element holding either a
// region record or a tunes record; nothing for anything else.
struct HVXmlRegionFields {
    QString regionName;
    QString regionId;
    QString regionfileName;
};
std::optional<HVXmlRegionFields> HVXmlRegionFieldsOf(const QVariant& record);
