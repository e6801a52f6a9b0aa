#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"

#include "Platform/archive/KeyedArchive.h"

// Each record is archived under its class name with its field names as keys:
// strings, collections and numbers as objects, xmlDataType as a 32-bit integer.

namespace {
QString key(const char* name) {
    return QString::fromLatin1(name);
}
} // namespace

// --- HVXmlDataVectorInfo ---------------------------------------------------

void HVXmlDataVectorInfo::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeInt32(xmlDataType(), key("xmlDataType"));
    coder.encodeObject(firmwareVersion(), key("firmwareVersion"));
    coder.encodeObject(extendedVersionInfo(), key("extendedVersionInfo"));
    coder.encodeObject(minFirmwareUpdateVersion(), key("minFirmwareUpdateVersion"));
    coder.encodeObject(bootloaderUpdateThresholdVersion(), key("bootloaderUpdateThresholdVersion"));
    coder.encodeObject(minFirmwareForAnnouncement(), key("minFirmwareForAnnouncement"));
    coder.encodeObject(usbPidList(), key("usbPidList"));
    coder.encodeObject(xmlParsedData(), key("xmlParsedData"));
    coder.encodeObject(bootLoaderPID(), key("bootLoaderPID"));
}

std::shared_ptr<HVXmlDataVectorInfo>
HVXmlDataVectorInfo::initWithCoder(platform::KeyedUnarchiver& coder) {
    auto r = std::make_shared<HVXmlDataVectorInfo>();
    r->setXmlDataType(coder.decodeInt32ForKey(key("xmlDataType")));
    r->setFirmwareVersion(coder.decodeStringForKey(key("firmwareVersion")));
    r->setExtendedVersionInfo(coder.decodeStringForKey(key("extendedVersionInfo")));
    r->setMinFirmwareUpdateVersion(coder.decodeStringForKey(key("minFirmwareUpdateVersion")));
    r->setBootloaderUpdateThresholdVersion(
        coder.decodeStringForKey(key("bootloaderUpdateThresholdVersion")));
    r->setMinFirmwareForAnnouncement(coder.decodeStringForKey(key("minFirmwareForAnnouncement")));
    r->setUsbPidList(coder.decodeListForKey(key("usbPidList")));
    r->setXmlParsedData(coder.decodeObjectForKey(key("xmlParsedData")));
    r->setBootLoaderPID(coder.decodeNumberForKey(key("bootLoaderPID")));
    return r;
}

QString HVXmlDataVectorInfo::description(int indent) const {
    return HVRecordDescription(
        key("HVXmlDataVectorInfo"),
        {{key("xmlDataType"), xmlDataType()},
         {key("firmwareVersion"), firmwareVersion()},
         {key("extendedVersionInfo"), extendedVersionInfo()},
         {key("minFirmwareUpdateVersion"), minFirmwareUpdateVersion()},
         {key("bootloaderUpdateThresholdVersion"), bootloaderUpdateThresholdVersion()},
         {key("minFirmwareForAnnouncement"), minFirmwareForAnnouncement()},
         {key("usbPidList"), usbPidList()},
         {key("xmlParsedData"), xmlParsedData()},
         {key("bootLoaderPID"), bootLoaderPID()}},
        indent);
}

// --- HVXmlLanguageInfo -----------------------------------------------------

void HVXmlLanguageInfo::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(firmwareFileName(), key("firmwareFileName"));
    coder.encodeObject(languageCode(), key("languageCode"));
    coder.encodeObject(languageName(), key("languageName"));
    coder.encodeObject(languageVersion(), key("languageVersion"));
}

std::shared_ptr<HVXmlLanguageInfo>
HVXmlLanguageInfo::initWithCoder(platform::KeyedUnarchiver& coder) {
    auto r = std::make_shared<HVXmlLanguageInfo>();
    r->setFirmwareFileName(coder.decodeStringForKey(key("firmwareFileName")));
    r->setLanguageCode(coder.decodeStringForKey(key("languageCode")));
    r->setLanguageName(coder.decodeStringForKey(key("languageName")));
    r->setLanguageVersion(coder.decodeStringForKey(key("languageVersion")));
    return r;
}

QString HVXmlLanguageInfo::description(int indent) const {
    return HVRecordDescription(key("HVXmlLanguageInfo"),
                               {{key("firmwareFileName"), firmwareFileName()},
                                {key("languageCode"), languageCode()},
                                {key("languageName"), languageName()},
                                {key("languageVersion"), languageVersion()}},
                               indent);
}

// --- HVXmlDictionaryInfo ---------------------------------------------------

void HVXmlDictionaryInfo::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(firmwareInfoDict(), key("firmwareInfoDict"));
}

std::shared_ptr<HVXmlDictionaryInfo>
HVXmlDictionaryInfo::initWithCoder(platform::KeyedUnarchiver& coder) {
    auto r = std::make_shared<HVXmlDictionaryInfo>();
    r->setFirmwareInfoDict(coder.decodeMapForKey(key("firmwareInfoDict")));
    return r;
}

QString HVXmlDictionaryInfo::description(int indent) const {
    return HVRecordDescription(key("HVXmlDictionaryInfo"),
                               {{key("firmwareInfoDict"), firmwareInfoDict()}}, indent);
}

// --- HVXmlBuildVectorInfo --------------------------------------------------

std::shared_ptr<HVXmlBuildVectorInfo> HVXmlBuildVectorInfo::init() {
    // A new record already has every field absent; nothing is created here.
    return std::make_shared<HVXmlBuildVectorInfo>();
}

void HVXmlBuildVectorInfo::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(currentBaseProcessorFwVersion(), key("currentBaseProcessorFwVersion"));
    coder.encodeObject(availbleBaseProcessorFwVersion(), key("availbleBaseProcessorFwVersion"));
    coder.encodeObject(firmwareFileNames(), key("firmwareFileNames"));
    coder.encodeObject(subversionInfo(), key("subversionInfo"));
    coder.encodeObject(availableRegionInfo(), key("availableRegionInfo"));
    coder.encodeObject(availableTunesInfo(), key("availableTunesInfo"));
    coder.encodeObject(availableHSTunesInfo(), key("availableHSTunesInfo"));
}

std::shared_ptr<HVXmlBuildVectorInfo>
HVXmlBuildVectorInfo::initWithCoder(platform::KeyedUnarchiver& coder) {
    auto r = std::make_shared<HVXmlBuildVectorInfo>();
    r->setCurrentBaseProcessorFwVersion(
        coder.decodeStringForKey(key("currentBaseProcessorFwVersion")));
    r->setAvailbleBaseProcessorFwVersion(
        coder.decodeStringForKey(key("availbleBaseProcessorFwVersion")));
    r->setFirmwareFileNames(coder.decodeMapForKey(key("firmwareFileNames")));
    r->setSubversionInfo(coder.decodeMapForKey(key("subversionInfo")));
    r->setAvailableRegionInfo(coder.decodeListForKey(key("availableRegionInfo")));
    r->setAvailableTunesInfo(coder.decodeListForKey(key("availableTunesInfo")));
    r->setAvailableHSTunesInfo(coder.decodeListForKey(key("availableHSTunesInfo")));
    return r;
}

QString HVXmlBuildVectorInfo::description(int indent) const {
    return HVRecordDescription(
        key("HVXmlBuildVectorInfo"),
        {{key("currentBaseProcessorFwVersion"), currentBaseProcessorFwVersion()},
         {key("availbleBaseProcessorFwVersion"), availbleBaseProcessorFwVersion()},
         {key("firmwareFileNames"), firmwareFileNames()},
         {key("subversionInfo"), subversionInfo()},
         {key("availableRegionInfo"), availableRegionInfo()},
         {key("availableTunesInfo"), availableTunesInfo()},
         {key("availableHSTunesInfo"), availableHSTunesInfo()}},
        indent);
}

// --- HVXmlBuildVectorRegionInfo --------------------------------------------

void HVXmlBuildVectorRegionInfo::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(regionName(), key("regionName"));
    coder.encodeObject(regionId(), key("regionId"));
    coder.encodeObject(regionfileName(), key("regionfileName"));
    coder.encodeObject(availableRegionVersion(), key("availableRegionVersion"));
    coder.encodeObject(supportedRegLanguages(), key("supportedRegLanguages"));
}

std::shared_ptr<HVXmlBuildVectorRegionInfo>
HVXmlBuildVectorRegionInfo::initWithCoder(platform::KeyedUnarchiver& coder) {
    auto r = std::make_shared<HVXmlBuildVectorRegionInfo>();
    r->setRegionName(coder.decodeStringForKey(key("regionName")));
    r->setRegionId(coder.decodeStringForKey(key("regionId")));
    r->setRegionfileName(coder.decodeStringForKey(key("regionfileName")));
    r->setAvailableRegionVersion(coder.decodeStringForKey(key("availableRegionVersion")));
    r->setSupportedRegLanguages(coder.decodeListForKey(key("supportedRegLanguages")));
    return r;
}

QString HVXmlBuildVectorRegionInfo::description(int indent) const {
    return HVRecordDescription(key("HVXmlBuildVectorRegionInfo"),
                               {{key("regionName"), regionName()},
                                {key("regionId"), regionId()},
                                {key("regionfileName"), regionfileName()},
                                {key("availableRegionVersion"), availableRegionVersion()},
                                {key("supportedRegLanguages"), supportedRegLanguages()}},
                               indent);
}

// --- HVXmlBuildVectorTunesInfo ---------------------------------------------

void HVXmlBuildVectorTunesInfo::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(regionType(), key("regionType"));
    coder.encodeObject(regionTarget(), key("regionTarget"));
    coder.encodeObject(regionName(), key("regionName"));
    coder.encodeObject(regionId(), key("regionId"));
    coder.encodeObject(regionfileName(), key("regionfileName"));
    coder.encodeObject(availableTunesVersion(), key("availableTunesVersion"));
    coder.encodeObject(supportedTunesLanguages(), key("supportedTunesLanguages"));
}

std::shared_ptr<HVXmlBuildVectorTunesInfo>
HVXmlBuildVectorTunesInfo::initWithCoder(platform::KeyedUnarchiver& coder) {
    auto r = std::make_shared<HVXmlBuildVectorTunesInfo>();
    r->setRegionType(coder.decodeStringForKey(key("regionType")));
    r->setRegionTarget(coder.decodeStringForKey(key("regionTarget")));
    r->setRegionName(coder.decodeStringForKey(key("regionName")));
    r->setRegionId(coder.decodeStringForKey(key("regionId")));
    r->setRegionfileName(coder.decodeStringForKey(key("regionfileName")));
    r->setAvailableTunesVersion(coder.decodeStringForKey(key("availableTunesVersion")));
    r->setSupportedTunesLanguages(coder.decodeListForKey(key("supportedTunesLanguages")));
    return r;
}

QString HVXmlBuildVectorTunesInfo::description(int indent) const {
    return HVRecordDescription(key("HVXmlBuildVectorTunesInfo"),
                               {{key("regionType"), regionType()},
                                {key("regionTarget"), regionTarget()},
                                {key("regionName"), regionName()},
                                {key("regionId"), regionId()},
                                {key("regionfileName"), regionfileName()},
                                {key("availableTunesVersion"), availableTunesVersion()},
                                {key("supportedTunesLanguages"), supportedTunesLanguages()}},
                               indent);
}

// --- Region fields ---------------------------------------------------------

std::optional<HVXmlRegionFields> HVXmlRegionFieldsOf(const QVariant& record) {
    if (const auto region = record.value<HVXmlBuildVectorRegionInfoPtr>()) {
        return HVXmlRegionFields{region->regionName(), region->regionId(),
                                 region->regionfileName()};
    }
    if (const auto tunes = record.value<HVXmlBuildVectorTunesInfoPtr>()) {
        return HVXmlRegionFields{tunes->regionName(), tunes->regionId(), tunes->regionfileName()};
    }
    return std::nullopt;
}
