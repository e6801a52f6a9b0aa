#pragma once

#include "ZorvaUIProject/Common/HVArchivableRecords.h"

#include <QMetaType>
#include <QString>
#include <memory>

namespace platform {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace platform

class HVBatteryInformation;
using HVBatteryInformationPtr = std::shared_ptr<HVBatteryInformation>;

// The battery state of a wireless headset, held by its device record.
// Archived as class "HVBatteryInformation" under the keys "hsProductTypeId",
// "isCharging", "isBatteryLow" and "hsBatteryPCT"; isDECTDevice is not archived.
class HVBatteryInformation {
public:
    // A zero-filled record: no product type, false flags, 0 percent.
    HVBatteryInformation() = default;

    // hsProductTypeId from the argument; flags false, hsBatteryPCT 0.
    static HVBatteryInformationPtr initBatteryInfoForTypeId(const QString& typeId);

    QString hsProductTypeId() const { return hsProdTypeId; }
    void setHsProductTypeId(const QString& value) { hsProdTypeId = value; }
    bool isDECTDevice() const { return DECTDevice; }
    void setIsDECTDevice(bool value) { DECTDevice = value; }
    bool isCharging() const { return charging; }
    void setIsCharging(bool value) { charging = value; }
    bool isBatteryLow() const { return batteryLow; }
    void setIsBatteryLow(bool value) { batteryLow = value; }
    qint32 hsBatteryPCT() const { return batteryPCT; }
    void setHsBatteryPCT(qint32 value) { batteryPCT = value; }

    void encodeWithCoder(platform::KeyedArchiver& coder) const;
    static HVBatteryInformationPtr initWithCoder(platform::KeyedUnarchiver& coder);

    // The text of the record in trace lines (%@).
    QString description(int indent = 0) const;

private:
    QString hsProdTypeId;
    bool DECTDevice = false;
    bool charging = false;
    bool batteryLow = false;
    qint32 batteryPCT = 0;
};

Q_DECLARE_METATYPE(HVBatteryInformationPtr)
