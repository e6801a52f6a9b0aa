#pragma once

#include "ZorvaUIProject/Common/HVArchivableRecords.h"
#include "ZorvaUIProject/Common/HVBatteryInformation.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <memory>

class HVDevice;
using HVDevicePtr = std::shared_ptr<HVDevice>;

// An attached headset or speakerphone as the device service reports it.
// Identified by productID and lid (location ID). Archived as class "HVDevice"
// under "devnamekey", "productId", "version", "subversions", "XMLURLKey",
// "selectedRegionKey", "languageSupported", "downloadUrl", "encodedBatteryInfo"
// (the battery record as its own complete archive in a data object),
// "locationID", "devFwUpdateState" and "headsettype", in that order;
// serialNumber and releaseNotesURL are not archived.
//
// Object fields are QVariant / QString / shared_ptr: absent is an invalid
// QVariant, a null QString, a null pointer.
class HVDevice {
public:
    // A zero-filled record: every object field absent, every number 0.
    HVDevice() = default;

    // name, productID and lid from the arguments; devFwuState 2, devRegCode the
    // number 0, devLangCode the number 1033, headsetType 0; everything else absent.
    static HVDevicePtr initDevice(const QString& name, const QString& productID,
                                  quint64 locationId);

    QString name() const { return deviceName; }
    void setName(const QString& value) { deviceName = value; }
    QString productID() const { return m_productID; }
    void setProductID(const QString& value) { m_productID = value; }
    quint64 lid() const { return LocationID; }
    void setLid(quint64 value) { LocationID = value; }
    QString serialNumber() const { return serialNum; }
    void setSerialNumber(const QString& value) { serialNum = value; }
    QString curFwVersion() const { return curFwareVersion; }
    void setCurFwVersion(const QString& value) { curFwareVersion = value; }
    // A collection (QVariantList or QVariantMap) or absent.
    QVariant subCompFwVersions() const { return subCompFwareVersions; }
    void setSubCompFwVersions(const QVariant& value) { subCompFwareVersions = value; }
    QString fwXMLURL() const { return fwareXMLURL; }
    void setFwXMLURL(const QString& value) { fwareXMLURL = value; }
    qint32 devFwuState() const { return devFwUpdateState; }
    void setDevFwuState(qint32 value) { devFwUpdateState = value; }
    QString releaseNotesURL() const { return releaseNotesPath; }
    void setReleaseNotesURL(const QString& value) { releaseNotesPath = value; }
    QString dfuFileURL() const { return dfwareuFileURL; }
    void setDfuFileURL(const QString& value) { dfwareuFileURL = value; }
    // Numbers (qint64, double, bool) or absent.
    QVariant devRegCode() const { return regCode; }
    void setDevRegCode(const QVariant& value) { regCode = value; }
    QVariant devLangCode() const { return langCode; }
    void setDevLangCode(const QVariant& value) { langCode = value; }
    HVBatteryInformationPtr batteryInfo() const { return battery; }
    void setBatteryInfo(HVBatteryInformationPtr value) { battery = std::move(value); }
    qint32 headsetType() const { return m_headsetType; }
    void setHeadsetType(qint32 value) { m_headsetType = value; }

    void encodeWithCoder(platform::KeyedArchiver& coder) const;
    static HVDevicePtr initWithCoder(platform::KeyedUnarchiver& coder);

    // The text of the record in trace lines (%@).
    QString description(int indent = 0) const;

private:
    QString deviceName;
    QString m_productID;
    quint64 LocationID = 0;
    QString serialNum;
    QString curFwareVersion;
    QVariant subCompFwareVersions;
    QString fwareXMLURL;
    qint32 devFwUpdateState = 0;
    QString releaseNotesPath;
    QString dfwareuFileURL;
    QVariant regCode;
    QVariant langCode;
    HVBatteryInformationPtr battery;
    qint32 m_headsetType = 0;
};

Q_DECLARE_METATYPE(HVDevicePtr)
