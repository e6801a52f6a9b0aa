#include "ZorvaUIProject/Common/HVDevice.h"

#include "Platform/archive/KeyedArchive.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

namespace {

// A mutable copy of a decoded collection; anything else is kept as it is.
QVariant mutableCopy(const QVariant& collection) {
    if (collection.typeId() == QMetaType::QVariantList) {
        return QVariant(QVariantList(collection.toList()));
    }
    if (collection.typeId() == QMetaType::QVariantMap) {
        return QVariant(QVariantMap(collection.toMap()));
    }
    return collection;
}
} // namespace

HVDevicePtr HVDevice::initDevice(const QString& name, const QString& productID,
                                 quint64 locationId) {
    auto device = std::make_shared<HVDevice>();
    device->m_productID = productID;
    device->LocationID = locationId;
    device->deviceName = name;
    device->devFwUpdateState = 2;
    device->regCode = QVariant(qint64(0));
    device->langCode = QVariant(qint64(1033));
    device->m_headsetType = 0;
    return device;
}

void HVDevice::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(deviceName, QStringLiteral("devnamekey"));
    coder.encodeObject(m_productID, QStringLiteral("productId"));
    coder.encodeObject(curFwareVersion, QStringLiteral("version"));
    coder.encodeObject(subCompFwareVersions, QStringLiteral("subversions"));
    coder.encodeObject(fwareXMLURL, QStringLiteral("XMLURLKey"));
    coder.encodeObject(regCode, QStringLiteral("selectedRegionKey"));
    coder.encodeObject(langCode, QStringLiteral("languageSupported"));
    coder.encodeObject(dfwareuFileURL, QStringLiteral("downloadUrl"));
    // The battery travels as its own complete archive inside a data object;
    // no battery gives an archive whose root is absent.
    const QByteArray batteryArchive =
        battery ? platform::archivedDataWithRootObject(QVariant::fromValue(battery))
                : platform::archivedDataWithAbsentRoot();
    coder.encodeObject(batteryArchive, QStringLiteral("encodedBatteryInfo"));
    coder.encodeInt64(static_cast<qint64>(LocationID), QStringLiteral("locationID"));
    coder.encodeInt32(devFwUpdateState, QStringLiteral("devFwUpdateState"));
    coder.encodeInt32(m_headsetType, QStringLiteral("headsettype"));
}

HVDevicePtr HVDevice::initWithCoder(platform::KeyedUnarchiver& coder) {
    // Starts zero-filled: serialNumber and releaseNotesURL are not archived.
    auto device = std::make_shared<HVDevice>();
    device->deviceName = coder.decodeStringForKey(QStringLiteral("devnamekey"));
    device->m_productID = coder.decodeStringForKey(QStringLiteral("productId"));
    device->curFwareVersion = coder.decodeStringForKey(QStringLiteral("version"));
    device->subCompFwareVersions =
        mutableCopy(coder.decodeObjectForKey(QStringLiteral("subversions")));
    device->fwareXMLURL = coder.decodeStringForKey(QStringLiteral("XMLURLKey"));
    device->regCode = coder.decodeNumberForKey(QStringLiteral("selectedRegionKey"));
    device->langCode = coder.decodeNumberForKey(QStringLiteral("languageSupported"));
    device->dfwareuFileURL = coder.decodeStringForKey(QStringLiteral("downloadUrl"));
    const QByteArray batteryArchive = coder.decodeDataForKey(QStringLiteral("encodedBatteryInfo"));
    if (!batteryArchive.isEmpty()) {
        const QVariant root = platform::unarchiveObjectWithData(batteryArchive);
        // An absent root is a device without battery; bytes that are no
        // archive have been traced by the unarchiver.
        device->battery = root.value<HVBatteryInformationPtr>();
        if (!device->battery && root.isValid()) {
            HVTrace::writeLine(QStringLiteral("initWithCoder : HVDevice \"encodedBatteryInfo\" "
                                              "holds no battery record"),
                               hvtrace::kIPC, hvtrace::kHigh);
        }
    }
    device->LocationID =
        static_cast<quint64>(coder.decodeInt64ForKey(QStringLiteral("locationID")));
    device->devFwUpdateState = coder.decodeInt32ForKey(QStringLiteral("devFwUpdateState"));
    device->m_headsetType = coder.decodeInt32ForKey(QStringLiteral("headsettype"));
    return device;
}

QString HVDevice::description(int indent) const {
    return HVRecordDescription(
        QStringLiteral("HVDevice"),
        {{QStringLiteral("name"), deviceName},
         {QStringLiteral("productID"), m_productID},
         {QStringLiteral("lid"), LocationID},
         {QStringLiteral("serialNumber"), serialNum},
         {QStringLiteral("curFwVersion"), curFwareVersion},
         {QStringLiteral("subCompFwVersions"), subCompFwareVersions},
         {QStringLiteral("fwXMLURL"), fwareXMLURL},
         {QStringLiteral("devFwuState"), devFwUpdateState},
         {QStringLiteral("releaseNotesURL"), releaseNotesPath},
         {QStringLiteral("dfuFileURL"), dfwareuFileURL},
         {QStringLiteral("devRegCode"), regCode},
         {QStringLiteral("devLangCode"), langCode},
         {QStringLiteral("batteryInfo"), battery ? QVariant::fromValue(battery) : QVariant()},
         {QStringLiteral("headsetType"), m_headsetType}},
        indent);
}
