#include "ZorvaUIProject/Common/HVBatteryInformation.h"

#include "Platform/archive/KeyedArchive.h"

HVBatteryInformationPtr HVBatteryInformation::initBatteryInfoForTypeId(const QString& typeId) {
    auto battery = std::make_shared<HVBatteryInformation>();
    battery->hsProdTypeId = typeId;
    return battery;
}

void HVBatteryInformation::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(hsProdTypeId, QStringLiteral("hsProductTypeId"));
    coder.encodeBool(charging, QStringLiteral("isCharging"));
    coder.encodeBool(batteryLow, QStringLiteral("isBatteryLow"));
    coder.encodeInt32(batteryPCT, QStringLiteral("hsBatteryPCT"));
}

HVBatteryInformationPtr HVBatteryInformation::initWithCoder(platform::KeyedUnarchiver& coder) {
    // Starts zero-filled: isDECTDevice is not archived and stays false.
    auto battery = std::make_shared<HVBatteryInformation>();
    battery->hsProdTypeId = coder.decodeStringForKey(QStringLiteral("hsProductTypeId"));
    battery->charging = coder.decodeBoolForKey(QStringLiteral("isCharging"));
    battery->batteryLow = coder.decodeBoolForKey(QStringLiteral("isBatteryLow"));
    battery->batteryPCT = coder.decodeInt32ForKey(QStringLiteral("hsBatteryPCT"));
    return battery;
}

QString HVBatteryInformation::description(int indent) const {
    return HVRecordDescription(QStringLiteral("HVBatteryInformation"),
                               {{QStringLiteral("hsProductTypeId"), hsProdTypeId},
                                {QStringLiteral("isDECTDevice"), DECTDevice},
                                {QStringLiteral("isCharging"), charging},
                                {QStringLiteral("isBatteryLow"), batteryLow},
                                {QStringLiteral("hsBatteryPCT"), batteryPCT}},
                               indent);
}
