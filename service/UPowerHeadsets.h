#pragma once

#include "ZorvaUIProject/Common/HVDevice.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>
#include <vector>

// How the device service turns what UPower reports about a device into the
// records the status item shows. Plain functions over plain data: no bus here.
namespace upower {

// Numbers of UPower's device enumerations (UpDeviceKind, UpDeviceState and
// UpDeviceLevel of libupower-glib's up-types.h; the Type, State, WarningLevel
// and BatteryLevel properties of org.freedesktop.UPower.Device).
namespace kind {
inline constexpr quint32 kMouse = 5;
inline constexpr quint32 kHeadset = 17;
inline constexpr quint32 kHeadphones = 19;
} // namespace kind
namespace state {
inline constexpr quint32 kCharging = 1;
} // namespace state
namespace level {
inline constexpr quint32 kUnknown = 0;
inline constexpr quint32 kNone = 1;
inline constexpr quint32 kLow = 3;
inline constexpr quint32 kCritical = 4;
inline constexpr quint32 kAction = 5;
inline constexpr quint32 kNormal = 6;
inline constexpr quint32 kHigh = 7;
inline constexpr quint32 kFull = 8;
} // namespace level

// The product ID given to every UPower headset: the picture table maps it to the
// default device picture.
inline const QString kProductID = QStringLiteral("HV0000");

// The properties of one org.freedesktop.UPower.Device that records are made from.
struct DeviceProperties {
    quint32 type = 0;
    QString model;
    QString vendor;
    QString nativePath;
    QString serial;
    double percentage = 0;
    quint32 state = 0;
    quint32 warningLevel = level::kUnknown;
    quint32 batteryLevel = level::kUnknown;
    bool isPresent = true;

    // Takes over the known properties of a GetAll answer or a PropertiesChanged
    // signal. A value of the wrong D-Bus type is left out and its name added to
    // *rejected (when given); the property keeps its previous value.
    void apply(const QVariantMap& properties, QStringList* rejected = nullptr);
};

// What the status item shows of one headset.
struct HeadsetRecord {
    QString name;
    quint64 locationID = 0;
    qint32 percent = 0;
    bool charging = false;
    bool low = false;

    bool operator==(const HeadsetRecord&) const = default;
    // The device record with its battery record. The battery's product type ID
    // stays absent, so that the status item takes every battery report over
    // (it keeps the stored battery when the type IDs are equal).
    HVDevicePtr device() const;
};

bool isHeadsetKind(quint32 type);
// The charge in percent, 0 to 100: the percentage rounded, or, for a device that
// reports only a coarse battery level, that level placed on the battery view's
// six steps (percent / 20): critical 5 (step 0), low 20 (1), normal 50 (2),
// high 80 (4), full 100 (5).
qint32 batteryPercent(const DeviceProperties& device);
bool isLowWarning(quint32 warningLevel);
// A stable location ID: the Bluetooth address found in the serial or native path
// (48 bits), else a 64-bit FNV-1a hash of the serial, the native path, or the
// object path, the first that is not empty.
quint64 locationIDFor(const DeviceProperties& device, const QString& objectPath);
// The record of a present headset or headphones; nothing for any other device.
std::optional<HeadsetRecord> headsetRecordFor(const DeviceProperties& device,
                                              const QString& objectPath);

// The callbacks that bring the status item from one record of a device to the
// next, in sending order. Nothing when nothing it shows has changed.
enum class Callback { Attach, Battery, Detach };
struct ShownChange {
    Callback callback;
    HeadsetRecord record; // for Detach, the record that goes
    bool operator==(const ShownChange&) const = default;
};
std::vector<ShownChange> shownChanges(const std::optional<HeadsetRecord>& before,
                                      const std::optional<HeadsetRecord>& after);

} // namespace upower
