#include "ZorvaUIProject/HVComponentUpdateList.h"

#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <cmath>
#include <limits>

namespace {

QVariant valueOf(const HVComponentEntry& entry, const char* key) {
    if (!entry) {
        return {};
    }
    return entry->value(QString::fromLatin1(key));
}

QString stringOf(const HVComponentEntry& entry, const char* key) {
    const QVariant value = valueOf(entry, key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

qint32 saturate(qint64 value) {
    if (value > std::numeric_limits<qint32>::max()) {
        return std::numeric_limits<qint32>::max();
    }
    if (value < std::numeric_limits<qint32>::min()) {
        return std::numeric_limits<qint32>::min();
    }
    return static_cast<qint32>(value);
}

// Decimal value of the leading digits of a text: white space skipped, an
// optional sign, digits up to the first other character.
qint32 intValueOfText(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') {
            break;
        }
        value = value * 10 + (c - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1) {
            value = qint64(std::numeric_limits<qint32>::max()) + 1; // saturates below
            // Keep reading digits only to reach the end; the value stays clamped.
        }
    }
    return saturate(negative ? -value : value);
}

} // namespace

HVComponentEntry HVComponentUpdateList::makeEntry(const QVariantMap& map) {
    return std::make_shared<QVariantMap>(map);
}

std::optional<HVComponentList> HVComponentUpdateList::fromObject(const QVariant& object) {
    if (!object.isValid()) {
        return std::nullopt;
    }
    if (object.typeId() != QMetaType::QVariantList) {
        HVTrace::writeLine(QStringLiteral("Component update list is not a list: %1")
                               .arg(QString::fromLatin1(object.typeName())),
                           hvtrace::kPrefController, hvtrace::kHigh);
        return std::nullopt;
    }
    HVComponentList list;
    const QVariantList items = object.toList();
    list.reserve(items.size());
    for (const QVariant& item : items) {
        if (item.typeId() == QMetaType::QVariantMap) {
            list.append(makeEntry(item.toMap()));
        } else if (const auto entry = item.value<HVComponentEntry>()) {
            list.append(entry);
        } else {
            HVTrace::writeLine(
                QStringLiteral("Component update list: skipped an entry that is "
                               "not a dictionary (%1)")
                    .arg(QString::fromLatin1(item.typeName() ? item.typeName() : "(null)")),
                hvtrace::kPrefController, hvtrace::kHigh);
        }
    }
    return list;
}

QVariant HVComponentUpdateList::toObject(const std::optional<HVComponentList>& list) {
    if (!list) {
        return {};
    }
    QVariantList items;
    items.reserve(list->size());
    for (const HVComponentEntry& entry : *list) {
        items.append(entry ? QVariant::fromValue(entry) : QVariant());
    }
    return QVariant(std::move(items));
}

QString HVComponentUpdateList::componentName(const HVComponentEntry& entry) {
    return stringOf(entry, HVComponentKeys::componentNameKey);
}

QString HVComponentUpdateList::currentVersion(const HVComponentEntry& entry) {
    return stringOf(entry, HVComponentKeys::currentVersionKey);
}

QString HVComponentUpdateList::availableVersion(const HVComponentEntry& entry) {
    return stringOf(entry, HVComponentKeys::AvailableVersionKey);
}

QString HVComponentUpdateList::productId(const HVComponentEntry& entry) {
    return stringOf(entry, HVComponentKeys::ProdIdKey);
}

QString HVComponentUpdateList::downloadURL(const HVComponentEntry& entry) {
    return stringOf(entry, HVComponentKeys::downloadURLKey);
}

QString HVComponentUpdateList::releaseNotesURL(const HVComponentEntry& entry) {
    return stringOf(entry, HVComponentKeys::releaseNotesURLKey);
}

quint64 HVComponentUpdateList::locationId(const HVComponentEntry& entry) {
    const QVariant value = valueOf(entry, HVComponentKeys::LocIdKey);
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Long:
        return static_cast<quint64>(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::ULong:
        return value.toULongLong();
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (std::isfinite(d) && d >= 0 && d < 18446744073709551616.0) {
            return static_cast<quint64>(d);
        }
        return 0;
    }
    default:
        return 0;
    }
}

qint32 HVComponentUpdateList::updateStatus(const HVComponentEntry& entry) {
    return intValue(valueOf(entry, HVComponentKeys::UpdateStatusKey));
}

bool HVComponentUpdateList::isHeadsetEntry(const HVComponentEntry& entry) {
    return stringOf(entry, HVComponentKeys::UpdateForHeadset) == QLatin1String("TRUE");
}

bool HVComponentUpdateList::isSuiteEntry(const HVComponentEntry& entry) {
    return componentName(entry) == QLatin1String(HVComponentKeys::suiteComponentName);
}

bool HVComponentUpdateList::isRecoveryEntry(const HVComponentEntry& entry) {
    return currentVersion(entry) == QLatin1String(HVComponentKeys::recoveryVersion);
}

qint32 HVComponentUpdateList::headsetType(const HVComponentEntry& entry) {
    return intValue(valueOf(entry, HVComponentKeys::headsetTypeKey));
}

QVariant HVComponentUpdateList::languageInfo(const HVComponentEntry& entry) {
    const QVariant value = valueOf(entry, HVComponentKeys::languageInfo);
    return value.typeId() == QMetaType::QVariantList ? value : QVariant();
}

HVXmlBuildVectorInfoPtr HVComponentUpdateList::buildVectorInfo(const HVComponentEntry& entry) {
    return valueOf(entry, HVComponentKeys::buildVectorInfo).value<HVXmlBuildVectorInfoPtr>();
}

QVariant HVComponentUpdateList::selectedLanguage(const HVComponentEntry& entry) {
    return valueOf(entry, HVComponentKeys::selectedLangKey);
}

QVariant HVComponentUpdateList::selectedRegion(const HVComponentEntry& entry) {
    return valueOf(entry, HVComponentKeys::selectedRegionKey);
}

QString HVComponentUpdateList::selectedRegionText(const HVComponentEntry& entry) {
    return QString::number(intValue(selectedRegion(entry)));
}

void HVComponentUpdateList::setSelectedLanguage(const HVComponentEntry& entry,
                                                const QString& languageCode) {
    if (entry) {
        entry->insert(QString::fromLatin1(HVComponentKeys::selectedLangKey), languageCode);
    }
}

void HVComponentUpdateList::setSelectedRegion(const HVComponentEntry& entry,
                                              const QString& regionId) {
    if (entry) {
        entry->insert(QString::fromLatin1(HVComponentKeys::selectedRegionKey), regionId);
    }
}

qint32 HVComponentUpdateList::intValue(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return intValueOfText(value.toString());
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        return saturate(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        const quint64 v = value.toULongLong();
        return v > quint64(std::numeric_limits<qint32>::max()) ? std::numeric_limits<qint32>::max()
                                                               : static_cast<qint32>(v);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::isnan(d)) {
            return 0;
        }
        if (d >= 2147483647.0) {
            return std::numeric_limits<qint32>::max();
        }
        if (d <= -2147483648.0) {
            return std::numeric_limits<qint32>::min();
        }
        return static_cast<qint32>(d);
    }
    default:
        return 0;
    }
}
