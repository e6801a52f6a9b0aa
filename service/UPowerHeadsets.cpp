#include "service/UPowerHeadsets.h"

#include <QDBusObjectPath>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace upower {

namespace {

template <class T>
bool take(const QVariantMap& properties, const char* name, T* field, QStringList* rejected) {
    const auto found = properties.constFind(QLatin1String(name));
    if (found == properties.constEnd()) {
        return false;
    }
    if (found->metaType() != QMetaType::fromType<T>()) {
        if (rejected != nullptr) {
            rejected->append(QLatin1String(name));
        }
        return false;
    }
    *field = found->value<T>();
    return true;
}

quint64 fnv1a(const QString& text) {
    quint64 hash = 14695981039346656037ULL;
    for (const char byte : text.toUtf8()) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::optional<quint64> bluetoothAddress(const QString& text) {
    static const QRegularExpression address(
        QStringLiteral("([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})[:_]"
                       "([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})[:_]([0-9A-Fa-f]{2})"));
    const QRegularExpressionMatch match = address.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    quint64 value = 0;
    for (int i = 1; i <= 6; ++i) {
        value = (value << 8) | match.captured(i).toULongLong(nullptr, 16);
    }
    return value;
}

} // namespace

void DeviceProperties::apply(const QVariantMap& properties, QStringList* rejected) {
    take(properties, "Type", &type, rejected);
    take(properties, "Model", &model, rejected);
    take(properties, "Vendor", &vendor, rejected);
    take(properties, "NativePath", &nativePath, rejected);
    take(properties, "Serial", &serial, rejected);
    take(properties, "Percentage", &percentage, rejected);
    take(properties, "State", &state, rejected);
    take(properties, "WarningLevel", &warningLevel, rejected);
    take(properties, "BatteryLevel", &batteryLevel, rejected);
    take(properties, "IsPresent", &isPresent, rejected);
}

HVDevicePtr HeadsetRecord::device() const {
    HVDevicePtr device = HVDevice::initDevice(name, kProductID, locationID);
    auto battery = HVBatteryInformation::initBatteryInfoForTypeId(QString());
    battery->setHsBatteryPCT(percent);
    battery->setIsCharging(charging);
    battery->setIsBatteryLow(low);
    device->setBatteryInfo(std::move(battery));
    return device;
}

bool isHeadsetKind(quint32 type) {
    return type == kind::kHeadset || type == kind::kHeadphones;
}

qint32 batteryPercent(const DeviceProperties& device) {
    switch (device.batteryLevel) {
    case level::kCritical:
        return 5;
    case level::kLow:
        return 20;
    case level::kNormal:
        return 50;
    case level::kHigh:
        return 80;
    case level::kFull:
        return 100;
    default:
        break;
    }
    if (!std::isfinite(device.percentage)) {
        return 0;
    }
    return static_cast<qint32>(std::lround(std::clamp(device.percentage, 0.0, 100.0)));
}

bool isLowWarning(quint32 warningLevel) {
    return warningLevel == level::kLow || warningLevel == level::kCritical ||
           warningLevel == level::kAction;
}

quint64 locationIDFor(const DeviceProperties& device, const QString& objectPath) {
    for (const QString& text : {device.serial, device.nativePath}) {
        if (const auto address = bluetoothAddress(text)) {
            return *address;
        }
    }
    for (const QString& text : {device.serial, device.nativePath, objectPath}) {
        if (!text.isEmpty()) {
            return fnv1a(text);
        }
    }
    return 0;
}

std::optional<HeadsetRecord> headsetRecordFor(const DeviceProperties& device,
                                              const QString& objectPath) {
    if (!isHeadsetKind(device.type) || !device.isPresent) {
        return std::nullopt;
    }
    HeadsetRecord record;
    record.name = device.model.trimmed();
    if (record.name.isEmpty()) {
        record.name = device.vendor.trimmed();
    }
    if (record.name.isEmpty()) {
        record.name = device.type == kind::kHeadphones ? QStringLiteral("Headphones")
                                                       : QStringLiteral("Headset");
    }
    record.locationID = locationIDFor(device, objectPath);
    record.percent = batteryPercent(device);
    record.charging = device.state == state::kCharging;
    record.low = isLowWarning(device.warningLevel);
    return record;
}

std::vector<ShownChange> shownChanges(const std::optional<HeadsetRecord>& before,
                                      const std::optional<HeadsetRecord>& after) {
    std::vector<ShownChange> changes;
    const bool sameDevice =
        before && after && before->name == after->name && before->locationID == after->locationID;
    if (before && !sameDevice) {
        changes.push_back({Callback::Detach, *before});
    }
    if (after && !sameDevice) {
        changes.push_back({Callback::Attach, *after});
        changes.push_back({Callback::Battery, *after});
    } else if (sameDevice && !(*before == *after)) {
        changes.push_back({Callback::Battery, *after});
    }
    return changes;
}

} // namespace upower
