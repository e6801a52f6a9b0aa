#include "ZorvaUIProject/HVFirmwareUpdaterArguments.h"

#include "Platform/Launching.h"
#include "Platform/ObjectDescription.h"
#include "Platform/Paths.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QUrl>

namespace {

using namespace hvtrace;

namespace Keys = HVComponentKeys;

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

} // namespace

QString HVFirmwareUpdaterArguments::updaterPath() {
    return platform::systemPath(QStringLiteral("/Applications/") + QLatin1String(kUpdaterName));
}

QVariantMap HVFirmwareUpdaterArguments::updateDescription(const HVComponentEntry& entry) {
    const QVariantMap map = entry ? *entry : QVariantMap();
    QVariantMap description;

    // The location identifier is unsigned: its digits never carry a sign, even
    // when the number came back from an archive as a negative 64-bit value.
    const QVariant locId = map.value(QLatin1String(Keys::LocIdKey));
    description.insert(QLatin1String(Keys::LocIdKey),
                       isNumber(locId) ? QString::number(HVComponentUpdateList::locationId(entry))
                                       : platform::describe(locId));

    const QVariant prodId = map.value(QLatin1String(Keys::ProdIdKey));
    if (prodId.typeId() == QMetaType::QString) {
        QString text = prodId.toString();
        if (text.startsWith(QLatin1String("HV"))) {
            text.replace(0, 2, QStringLiteral("0x"));
        }
        description.insert(QLatin1String(Keys::ProdIdKey), text);
    } else if (prodId.isValid()) {
        description.insert(QLatin1String(Keys::ProdIdKey), prodId);
    }

    for (const char* key :
         {Keys::downloadURLKey, Keys::AvailableVersionKey, Keys::selectedLangKey}) {
        const QVariant value = map.value(QLatin1String(key));
        if (value.isValid()) {
            description.insert(QLatin1String(key), value);
        }
    }

    if (const auto build = HVComponentUpdateList::buildVectorInfo(entry)) {
        const QVariant region = map.value(QLatin1String(Keys::selectedRegionKey));
        if (region.isValid()) {
            description.insert(QLatin1String(Keys::selectedRegionKey), region);
        }
        const QVariant files = build->firmwareFileNames();
        if (files.isValid()) {
            description.insert(QLatin1String(Keys::buildVectorInfo), platform::describe(files));
        }
    }
    return description;
}

QString HVFirmwareUpdaterArguments::textForm(const QVariantMap& dictionary) {
    return platform::describe(dictionary);
}

QStringList HVFirmwareUpdaterArguments::arguments(const HVComponentEntry& entry) {
    if (HVComponentUpdateList::isHeadsetEntry(entry)) {
        QStringList list{QLatin1String(kHeadsetArgument)};
        const QString name = HVComponentUpdateList::componentName(entry);
        if (!name.isNull()) {
            list.append(name);
        }
        return list;
    }
    return {QLatin1String(kSuiteArgument), textForm(updateDescription(entry))};
}

bool HVFirmwareUpdaterArguments::startUpdate(const HVComponentEntry& entry) {
    if (HVComponentUpdateList::isSuiteEntry(entry)) {
        HVTrace::writeLine(QStringLiteral("Downloading for ZMS"), kPrefController, kCritical);
        return platform::openURL(QUrl(HVComponentUpdateList::downloadURL(entry)));
    }
    const QStringList list = arguments(entry);
    HVTrace::writeLine(QStringLiteral("Arguments Array : %1").arg(platform::describe(list)),
                       kPrefController, kCritical);
    return HVUtilities::launchApplicationAtPath(updaterPath(), list);
}
