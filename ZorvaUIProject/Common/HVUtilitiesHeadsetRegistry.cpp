// The headset information registry: the Tarvik dongles this user has plugged in,
// where each sits now, and the headsets that connected through each. It lives
// under "TarvikData" in the per-user preference file, which is read afresh and
// rewritten whole, atomically, by every change.
//
// Every read-change-write of the registry runs under one process-wide lock, so
// that two threads changing it at once cannot write back stale copies over each
// other. Records that do not have the expected form are traced, never matched,
// and written back as they were.

#include "Platform/ObjectDescription.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>
#include <optional>

namespace {

using namespace hvtrace;

const QString kTarvikData = QStringLiteral("TarvikData");
const QString kDeviceName = QStringLiteral("DeviceName");
const QString kProductID = QStringLiteral("ProductID");
const QString kLocationID = QStringLiteral("LocationID");
const QString kSerialNo = QStringLiteral("SerialNo");
const QString kHeadsetData = QStringLiteral("HeadsetData");
const QString kTimestamp = QStringLiteral("Timestamp");
const QString kConnectedState = QStringLiteral("ConnectedState");
const QString kConnected = QStringLiteral("CONNECTED");
const QString kDisconnected = QStringLiteral("DISCONNECTED");

void trace(const QString& message, int category, int severity) {
    HVTrace::writeLine(message, category, severity);
}

QMutex& registryLock() {
    static QMutex lock;
    return lock;
}

// A dongle's serial number is usable when present, at least 11 characters long
// and not one of the suite's placeholder numbers.
bool isValidSerialNumber(const QString& serialNumber) {
    return !serialNumber.isNull() && !serialNumber.contains(QLatin1String("Zorva")) &&
           serialNumber.size() >= 11;
}

std::optional<quint64> locationOf(const QVariantMap& record) {
    const QVariant value = record.value(kLocationID);
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
        return value.toULongLong();
    default:
        return std::nullopt;
    }
}

QString stringOf(const QVariantMap& record, const QString& key) {
    const QVariant value = record.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool isRecord(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantMap;
}

// A Tarvik record must at least say which dongle it is and where it sits.
bool isWellFormedTarvik(const QVariant& value) {
    if (!isRecord(value)) {
        return false;
    }
    const QVariantMap record = value.toMap();
    return !stringOf(record, kSerialNo).isNull() && locationOf(record).has_value();
}

bool sameLocation(const QVariant& value, quint64 location) {
    if (!isWellFormedTarvik(value)) {
        return false;
    }
    return locationOf(value.toMap()) == location;
}

bool sameSerial(const QVariant& value, const QString& serialNumber) {
    return isRecord(value) &&
           HVUtilities::sameString(stringOf(value.toMap(), kSerialNo), serialNumber);
}

bool sameTarvik(const QVariant& value, const QString& serialNumber) {
    return isWellFormedTarvik(value) && sameSerial(value, serialNumber);
}

double secondsSince1970() {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

// The preference file as read by one operation.
struct Registry {
    bool readable = false;   // the file read as a dictionary; only then is it written
    QVariantMap preferences; // the whole file
    bool hasList = false;    // "TarvikData" is present and an array
    QVariantList records;
};

Registry readRegistry(const char* operation) {
    Registry registry;
    if (!HVUtilities::synchronizePreferencePlist()) {
        return registry;
    }
    const QString path = HVUtilities::userPreferencePath();
    auto preferences = platform::plist::readDictionary(path);
    if (!preferences) {
        trace(QStringLiteral("%1 : preference file %2 cannot be read\n")
                  .arg(QLatin1String(operation), path),
              kUtilities, kCritical);
        return registry;
    }
    registry.readable = true;
    registry.preferences = std::move(*preferences);
    const QVariant list = registry.preferences.value(kTarvikData);
    if (!list.isValid()) {
        return registry;
    }
    if (list.typeId() != QMetaType::QVariantList) {
        trace(QStringLiteral("%1 : TarvikData is not a list of records: %2\n")
                  .arg(QLatin1String(operation), platform::describe(list)),
              kUtilities, kCritical);
        return registry;
    }
    registry.hasList = true;
    registry.records = list.toList();
    for (qsizetype i = 0; i < registry.records.size(); ++i) {
        if (!isWellFormedTarvik(registry.records.at(i))) {
            trace(QStringLiteral("%1 : TarvikData record %2 is malformed and is left as it is\n")
                      .arg(QLatin1String(operation))
                      .arg(i),
                  kUtilities, kCritical);
        }
    }
    return registry;
}

bool writeRegistry(const Registry& registry) {
    if (!registry.readable) {
        return false;
    }
    return platform::plist::writeFile(HVUtilities::userPreferencePath(), registry.preferences);
}

// A record's headset list; empty when it has none or when "HeadsetData" is not a list.
QVariantList headsetsOf(const QVariantMap& record, const char* operation) {
    const QVariant value = record.value(kHeadsetData);
    if (value.isValid() && value.typeId() != QMetaType::QVariantList) {
        trace(QStringLiteral("%1 : HeadsetData is not a list of records: %2\n")
                  .arg(QLatin1String(operation), platform::describe(value)),
              kUtilities, kCritical);
        return {};
    }
    return value.toList();
}

} // namespace

void HVUtilities::updateTarvikInfo(const QString& name, const QString& productID, quint64 locatonID,
                                   const QString& serialNumber, qint32 deviceState) {
    trace(QStringLiteral(" updateTarvikInfo : Entering "), kUtilities, kHigh);
    if (!isValidSerialNumber(serialNumber)) {
        trace(QStringLiteral("updateTarvikInfo :serial num received was wrong %1\n")
                  .arg(platform::describe(serialNumber)),
              kUtilities, kCritical);
        return;
    }

    QMutexLocker lock(&registryLock());
    Registry registry = readRegistry("updateTarvikInfo");
    QVariantList& records = registry.records;

    if (deviceState == kTarvikDeviceDisconnected) {
        for (QVariant& value : records) {
            if (!sameLocation(value, locatonID)) {
                continue;
            }
            QVariantMap record = value.toMap();
            record.insert(kLocationID, quint64(0));
            trace(QStringLiteral(
                      " updateTarvikInfo : HVDeviceDisconnected Location ID is set to zero "),
                  kUtilities, kCritical);
            if (record.contains(kHeadsetData)) {
                trace(
                    QStringLiteral(" updateTarvikInfo : HVDeviceDisconnected updating HS Status "),
                    kUtilities, kCritical);
                QVariantList headsets = headsetsOf(record, "updateTarvikInfo");
                for (QVariant& headset : headsets) {
                    if (isRecord(headset)) {
                        QVariantMap h = headset.toMap();
                        h.insert(kConnectedState, kDisconnected);
                        headset = h;
                    }
                }
                if (record.value(kHeadsetData).typeId() == QMetaType::QVariantList) {
                    record.insert(kHeadsetData, headsets);
                }
            }
            value = record;
            registry.preferences.insert(kTarvikData, records);
            break;
        }
    } else if (deviceState == kTarvikDeviceConnected) {
        bool matched = false;
        for (QVariant& value : records) {
            if (!sameTarvik(value, serialNumber)) {
                continue;
            }
            QVariantMap record = value.toMap();
            record.insert(kLocationID, locatonID);
            record.insert(kProductID, productID);
            value = record;
            matched = true;
        }
        if (!matched) {
            records.append(QVariantMap{{kDeviceName, name},
                                       {kProductID, productID},
                                       {kLocationID, locatonID},
                                       {kSerialNo, serialNumber}});
        }
        registry.preferences.insert(kTarvikData, records);
    }

    const bool written = writeRegistry(registry);
    trace(QStringLiteral("updateTarvikInfo :writeToFile returns %1\n").arg(written ? 1 : 0),
          kUtilities, kCritical);
}

void HVUtilities::updateHeadsetInfo(const QString& name, const QString& productID,
                                    quint64 locatonID, const QString& serialNumber,
                                    qint32 deviceState) {
    trace(QStringLiteral(" updateHeadsetInfo : Entering "), kUtilities, kCritical);
    if (!isValidSerialNumber(serialNumber)) {
        trace(QStringLiteral("updateHeadsetInfo :serial num received was wrong %1\n")
                  .arg(platform::describe(serialNumber)),
              kUtilities, kCritical);
        return;
    }

    QMutexLocker lock(&registryLock());
    Registry registry = readRegistry("updateHeadsetInfo");
    if (!registry.hasList) {
        trace(QStringLiteral("updateHeadsetInfo: There are no Tarvik devices connected "),
              kUtilities, kCritical);
        return;
    }
    QVariantList& records = registry.records;

    // The dongle the headset connects through; a location of 0 only marks dongles
    // that were unplugged, so nothing is found there.
    qsizetype owner = -1;
    if (locatonID != 0) {
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (sameLocation(records.at(i), locatonID)) {
                owner = i;
                break;
            }
        }
    }
    QVariantMap ownerRecord = owner >= 0 ? records.at(owner).toMap() : QVariantMap();
    QVariantList headsets =
        owner >= 0 ? headsetsOf(ownerRecord, "updateHeadsetInfo") : QVariantList();
    bool changed = false;

    if (deviceState == kTarvikDeviceDisconnected) {
        for (QVariant& value : headsets) {
            if (!sameSerial(value, serialNumber)) {
                continue;
            }
            QVariantMap headset = value.toMap();
            if (!HVUtilities::sameString(stringOf(headset, kProductID), productID)) {
                continue;
            }
            headset.insert(kConnectedState, kDisconnected);
            value = headset;
            changed = true;
            break;
        }
        trace(QStringLiteral("tmpHeadsetInfo %1\n").arg(platform::describe(headsets)), kUtilities,
              kCritical);
    } else if (deviceState == kTarvikDeviceConnected) {
        const double now = secondsSince1970();
        for (QVariant& value : headsets) {
            if (!sameSerial(value, serialNumber)) {
                continue;
            }
            QVariantMap headset = value.toMap();
            headset.insert(kTimestamp, now);
            headset.insert(kConnectedState, kConnected);
            value = headset;
            changed = true;
        }
        if (!changed) {
            headsets.append(QVariantMap{{kDeviceName, name},
                                        {kProductID, productID},
                                        {kLocationID, locatonID},
                                        {kSerialNo, serialNumber},
                                        {kTimestamp, now},
                                        {kConnectedState, kConnected}});
            changed = owner >= 0; // without an owning dongle it is kept nowhere
            trace(QStringLiteral("headsetInfoArray first %1\n").arg(platform::describe(headsets)),
                  kUtilities, kCritical);
        }
    }
    if (changed) {
        ownerRecord.insert(kHeadsetData, headsets);
        records[owner] = ownerRecord;
        registry.preferences.insert(kTarvikData, records);
    }

    const bool written = writeRegistry(registry);
    trace(QStringLiteral("updateHeadsetInfo :writeToFile returns %1\n").arg(written ? 1 : 0),
          kUtilities, kCritical);
}

QVariant HVUtilities::getHeadsetInfo(const QString& productID, quint64 /*locationId*/,
                                     const QString& serialNumber) {
    trace(QStringLiteral(" getHeadsetInfo : Entering "), kPrefController, kCritical);
    trace(QStringLiteral("getHeadsetInfo : Input Parameters prodId=%1 & serNum= %2\n")
              .arg(platform::describe(productID), platform::describe(serialNumber)),
          kUtilities, kCritical);
    const Registry registry = readRegistry("getHeadsetInfo");
    if (!registry.hasList) {
        trace(QStringLiteral(" There are no Tarvik devices connected "), kPrefController,
              kCritical);
        return {};
    }
    QVariant taken;
    for (const QVariant& value : registry.records) {
        if (sameTarvik(value, serialNumber)) {
            trace(QStringLiteral(" Tarvik device is found "), kPrefController, kCritical);
            const QVariant headsets = value.toMap().value(kHeadsetData);
            if (headsets.typeId() == QMetaType::QVariantList) {
                taken = headsets;
            } else if (headsets.isValid()) {
                headsetsOf(value.toMap(), "getHeadsetInfo"); // traces the wrong type
            }
            break;
        }
    }
    trace(QStringLiteral("getHeadsetInfo returns %1\n").arg(platform::describe(taken)), kUtilities,
          kCritical);
    if (taken.isValid() && !taken.toList().isEmpty()) {
        return taken;
    }
    return {};
}

QString HVUtilities::getTarvikSrNumber(quint64 locationID) {
    trace(QStringLiteral("getTarvikSrNumber : Entering "), kUtilities, kHigh);
    const Registry registry = readRegistry("getTarvikSrNumber");
    // No dongle sits at location 0: that is where unplugged ones are kept.
    if (locationID != 0) {
        for (const QVariant& value : registry.records) {
            if (sameLocation(value, locationID)) {
                trace(QStringLiteral("getTarvikSrNumber : found an entry "), kUtilities, kCritical);
                const QString serial = stringOf(value.toMap(), kSerialNo);
                trace(QStringLiteral("getTarvikSrNumber returns %1\n")
                          .arg(platform::describe(serial)),
                      kUtilities, kCritical);
                return serial;
            }
        }
    }
    trace(QStringLiteral(" getTarvikSrNumber : no entry  is found returning nil "), kUtilities,
          kCritical);
    return {};
}

bool HVUtilities::isItTheSameTarvik(const QString& serialNumber) {
    trace(QStringLiteral("isItTheSameTarvik : Entering "), kUtilities, kCritical);
    trace(QStringLiteral("isItTheSameTarvik :ser num returns %1\n")
              .arg(platform::describe(serialNumber)),
          kUtilities, kCritical);
    const Registry registry = readRegistry("isItTheSameTarvik");
    for (const QVariant& value : registry.records) {
        if (sameTarvik(value, serialNumber)) {
            trace(QStringLiteral("isItTheSameTarvik :isFound value is %1\n").arg(1), kUtilities,
                  kCritical);
            return true;
        }
    }
    return false;
}

void HVUtilities::clearTarvikInfo(const QString& /*name*/, const QString& /*productID*/,
                                  quint64 /*locatonID*/, const QString& serialNumber) {
    trace(QStringLiteral("clearTarvikInfo : Entering "), kUtilities, kHigh);
    // Clearing takes the registry lock too: a clear between an update's read and
    // its write would otherwise be undone by that write.
    QMutexLocker lock(&registryLock());
    Registry registry = readRegistry("clearTarvikInfo");
    if (!registry.hasList) {
        trace(QStringLiteral("clearTarvikInfo: There are no Tarvik devices connected "),
              kPrefController, kHigh);
        return;
    }
    for (QVariant& value : registry.records) {
        if (!sameTarvik(value, serialNumber)) {
            continue;
        }
        QVariantMap record = value.toMap();
        if (record.contains(kHeadsetData)) {
            record.insert(kHeadsetData, QVariantList());
            value = record;
            registry.preferences.insert(kTarvikData, registry.records);
        }
        break;
    }
    const bool written = writeRegistry(registry);
    trace(QStringLiteral("clearTarvikInfo :writeToFile returns %1\n").arg(written ? 1 : 0),
          kUtilities, kCritical);
}

void HVUtilities::clearTarvikData(const QString& /*name*/, const QString& /*productID*/,
                                  quint64 /*locatonID*/, const QString& serialNumber) {
    trace(QStringLiteral("clearTarvikData : Entering "), kUtilities, kHigh);
    QMutexLocker lock(&registryLock());
    Registry registry = readRegistry("clearTarvikData");
    for (const QVariant& value : registry.records) {
        if (sameTarvik(value, serialNumber)) {
            registry.preferences.insert(kTarvikData, QVariantList());
            writeRegistry(registry);
            return;
        }
    }
}
