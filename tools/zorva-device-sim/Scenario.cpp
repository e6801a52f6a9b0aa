#include "Scenario.h"

#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

// A location ID given as a JSON number or as decimal text.
std::optional<quint64> locationValue(const QJsonValue& value) {
    if (value.isString()) {
        bool ok = false;
        const quint64 parsed = value.toString().toULongLong(&ok);
        if (ok) {
            return parsed;
        }
        const qint64 negative = value.toString().toLongLong(&ok);
        return ok ? std::optional<quint64>(quint64(negative)) : std::nullopt;
    }
    if (value.isDouble()) {
        const double number = value.toDouble();
        return number < 0 ? quint64(qint64(number)) : quint64(number);
    }
    return std::nullopt;
}

QVariant languageRecords(const QJsonValue& value) {
    QVariantList list;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& item : array) {
        const QJsonObject o = item.toObject();
        auto record = std::make_shared<HVXmlLanguageInfo>();
        record->setLanguageName(o.value(QStringLiteral("languageName")).toString());
        record->setLanguageCode(o.value(QStringLiteral("languageCode")).toString());
        record->setFirmwareFileName(o.value(QStringLiteral("firmwareFileName")).toString());
        record->setLanguageVersion(o.value(QStringLiteral("languageVersion")).toString());
        list.append(QVariant::fromValue(record));
    }
    return list;
}

QVariant buildVectorRecord(const QJsonValue& value) {
    const QJsonObject o = value.toObject();
    auto record = HVXmlBuildVectorInfo::init();
    record->setCurrentBaseProcessorFwVersion(
        o.value(QStringLiteral("currentBaseProcessorFwVersion")).toString());
    record->setAvailbleBaseProcessorFwVersion(
        o.value(QStringLiteral("availbleBaseProcessorFwVersion")).toString());
    if (o.contains(QStringLiteral("firmwareFileNames"))) {
        record->setFirmwareFileNames(scenarioValue(o.value(QStringLiteral("firmwareFileNames"))));
    }
    if (o.contains(QStringLiteral("subversionInfo"))) {
        record->setSubversionInfo(scenarioValue(o.value(QStringLiteral("subversionInfo"))));
    }
    if (o.contains(QStringLiteral("availableRegionInfo"))) {
        QVariantList regions;
        const QJsonArray array = o.value(QStringLiteral("availableRegionInfo")).toArray();
        for (const QJsonValue& item : array) {
            const QJsonObject r = item.toObject();
            auto region = std::make_shared<HVXmlBuildVectorRegionInfo>();
            region->setRegionName(r.value(QStringLiteral("regionName")).toString());
            region->setRegionId(r.value(QStringLiteral("regionId")).toString());
            region->setRegionfileName(r.value(QStringLiteral("regionfileName")).toString());
            region->setAvailableRegionVersion(
                r.value(QStringLiteral("availableRegionVersion")).toString());
            if (r.contains(QStringLiteral("supportedRegLanguages"))) {
                region->setSupportedRegLanguages(
                    scenarioValue(r.value(QStringLiteral("supportedRegLanguages"))));
            }
            regions.append(QVariant::fromValue(region));
        }
        record->setAvailableRegionInfo(regions);
    }
    return QVariant::fromValue(record);
}

HVDevicePtr deviceFromJson(const QJsonObject& o) {
    const quint64 lid = locationValue(o.value(QStringLiteral("locationID"))).value_or(0);
    HVDevicePtr device = HVDevice::initDevice(o.value(QStringLiteral("name")).toString(),
                                              o.value(QStringLiteral("productID")).toString(), lid);
    const auto text = [&](const char* key) {
        const QJsonValue v = o.value(QLatin1String(key));
        return v.isString() ? v.toString() : QString();
    };
    device->setSerialNumber(text("serialNumber"));
    device->setCurFwVersion(text("firmwareVersion"));
    device->setFwXMLURL(text("firmwareXMLURL"));
    device->setDfuFileURL(text("downloadURL"));
    device->setReleaseNotesURL(text("releaseNotesURL"));
    if (o.contains(QStringLiteral("subComponentVersions"))) {
        device->setSubCompFwVersions(
            scenarioValue(o.value(QStringLiteral("subComponentVersions"))));
    }
    if (o.contains(QStringLiteral("fwUpdateState"))) {
        device->setDevFwuState(o.value(QStringLiteral("fwUpdateState")).toInt());
    }
    if (o.contains(QStringLiteral("regionCode"))) {
        device->setDevRegCode(scenarioValue(o.value(QStringLiteral("regionCode"))));
    }
    if (o.contains(QStringLiteral("languageCode"))) {
        device->setDevLangCode(scenarioValue(o.value(QStringLiteral("languageCode"))));
    }
    device->setHeadsetType(o.value(QStringLiteral("headsetType")).toInt());
    const QJsonValue batteryValue = o.value(QStringLiteral("battery"));
    if (batteryValue.isObject()) {
        const QJsonObject b = batteryValue.toObject();
        auto battery = HVBatteryInformation::initBatteryInfoForTypeId(
            b.value(QStringLiteral("productTypeId")).toString(device->productID()));
        battery->setHsBatteryPCT(b.value(QStringLiteral("percent")).toInt());
        battery->setIsCharging(b.value(QStringLiteral("charging")).toBool());
        battery->setIsBatteryLow(b.value(QStringLiteral("low")).toBool());
        battery->setIsDECTDevice(b.value(QStringLiteral("dect")).toBool());
        device->setBatteryInfo(battery);
    }
    return device;
}

QHash<QString, QVariant> keyedValues(const QJsonValue& value) {
    QHash<QString, QVariant> result;
    const QJsonObject o = value.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        result.insert(it.key(), scenarioValue(it.value()));
    }
    return result;
}

} // namespace

QVariant scenarioValue(const QJsonValue& value, const QString& key) {
    if (key == QLatin1String("LocIdKey")) {
        if (const auto lid = locationValue(value)) {
            return QVariant::fromValue(*lid);
        }
    }
    if (key == QLatin1String("languageInfo") && value.isArray()) {
        return languageRecords(value);
    }
    if (key == QLatin1String("buildVectorInfo") && value.isObject()) {
        return buildVectorRecord(value);
    }
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (std::trunc(number) == number && std::abs(number) < 9.0e15) {
            return QVariant::fromValue(qint64(number));
        }
        return number;
    }
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QVariantList list;
        const QJsonArray array = value.toArray();
        for (const QJsonValue& item : array) {
            list.append(scenarioValue(item));
        }
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            map.insert(it.key(), scenarioValue(it.value(), it.key()));
        }
        return map;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

QString Scenario::deviceKey(const QString& productID, qint64 locationId) {
    return productID + QLatin1Char(':') + QString::number(quint64(locationId));
}

std::optional<Scenario> Scenario::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return fromJson(file.readAll(), error);
}

std::optional<Scenario> Scenario::fromJson(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        *error = parseError.error != QJsonParseError::NoError
                     ? QStringLiteral("not JSON: %1 at offset %2")
                           .arg(parseError.errorString())
                           .arg(parseError.offset)
                     : QStringLiteral("the scenario must be a JSON object");
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    Scenario scenario;
    const QJsonArray devices = root.value(QStringLiteral("devices")).toArray();
    for (const QJsonValue& item : devices) {
        scenario.devices.append(deviceFromJson(item.toObject()));
    }
    const QJsonArray softphones = root.value(QStringLiteral("softphones")).toArray();
    for (const QJsonValue& item : softphones) {
        const QJsonObject o = item.toObject();
        scenario.softphones.append(HVSoftphone::initSoftphone(
            o.value(QStringLiteral("name")).toString(), o.value(QStringLiteral("state")).toInt()));
    }
    scenario.updateAvailable = scenarioValue(root.value(QStringLiteral("updateAvailable")));
    scenario.componentList = scenarioValue(root.value(QStringLiteral("componentList")));
    if (scenario.componentList.isValid() &&
        scenario.componentList.metaType() != QMetaType::fromType<QVariantList>()) {
        *error = QStringLiteral("\"componentList\" must be an array or null");
        return std::nullopt;
    }
    scenario.errorReports = keyedValues(root.value(QStringLiteral("errorReports")));
    scenario.dbRecords = keyedValues(root.value(QStringLiteral("dbRecords")));
    scenario.searchLists = keyedValues(root.value(QStringLiteral("searchLists")));
    scenario.pairingLists = keyedValues(root.value(QStringLiteral("pairingLists")));
    const QJsonObject pairing = root.value(QStringLiteral("autoPairing")).toObject();
    for (auto it = pairing.begin(); it != pairing.end(); ++it) {
        scenario.autoPairing.insert(it.key(), it.value().toBool());
    }
    scenario.manualCheck = root.value(QStringLiteral("manualCheck")).toString(scenario.manualCheck);
    scenario.autoCheck = root.value(QStringLiteral("autoCheck")).toString(scenario.autoCheck);
    const QJsonObject raw = root.value(QStringLiteral("rawAnswers")).toObject();
    for (auto it = raw.begin(); it != raw.end(); ++it) {
        if (it.value().isNull()) {
            scenario.rawAnswers.insert(it.key(), std::nullopt);
        } else {
            scenario.rawAnswers.insert(it.key(),
                                       QByteArray::fromBase64(it.value().toString().toLatin1()));
        }
    }
    return scenario;
}
