// Language and region packages of a device's firmware: the names to offer, the
// entry a device's current firmware selects, and the chosen entry's code or file.
// The lists come from the firmware catalogue records of a component entry; each
// operation only reads them.

#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "Platform/ObjectDescription.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "ZorvaUIProject/HVComponentUpdateList.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

using namespace hvtrace;

// Product whose firmware version encodes its language.
constexpr auto kVersionCodedProduct = "HV093B";

// Windows language identifiers indexed by the number in the firmware version.
constexpr std::array<quint32, 10> kVersionLanguages = {1033, 1036, 1031, 2052, 1041,
                                                       1049, 1040, 1045, 1043, 3082};
constexpr quint32 kDefaultLanguage = 1033;

void trace(const QString& message, int severity) {
    HVTrace::writeLine(message, kPrefController, severity);
}

// The elements of a list argument; nothing when the argument is no list.
std::optional<QVariantList> listOf(const QVariant& list) {
    if (!list.isValid() || !list.canConvert<QVariantList>() ||
        list.typeId() == QMetaType::QString || list.typeId() == QMetaType::QByteArray) {
        return std::nullopt;
    }
    return list.toList();
}

HVXmlLanguageInfoPtr languageRecord(const QVariant& element) {
    return element.canConvert<HVXmlLanguageInfoPtr>() ? element.value<HVXmlLanguageInfoPtr>()
                                                      : nullptr;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// A hexadecimal number as a scanner reads it: leading white space, an optional
// 0x or 0X, then hexadecimal digits of either case up to the first other
// character. No digits read as 0; a value beyond 32 bits as the largest one.
quint32 scanHex(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    if (i + 2 < text.size() && text.at(i) == u'0' &&
        (text.at(i + 1) == u'x' || text.at(i + 1) == u'X') && hexDigit(text.at(i + 2)) >= 0) {
        i += 2;
    }
    constexpr quint64 kMax = std::numeric_limits<quint32>::max();
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigit(text.at(i));
        if (digit < 0) {
            break;
        }
        value = std::min(value * 16 + static_cast<quint64>(digit), kMax + 1);
    }
    return static_cast<quint32>(std::min(value, kMax));
}

// Decimal integer value of a text, as stored values are converted everywhere.
qint32 decimalValue(const QString& text) {
    return HVComponentUpdateList::intValue(text.isNull() ? QVariant() : QVariant(text));
}

} // namespace

std::optional<QStringList> HVUtilities::getLangArrayforList(const QVariant& list) {
    const auto elements = listOf(list);
    if (!elements) {
        trace(QStringLiteral("getLangArrayforList : Data is NULL"), kCritical);
        return std::nullopt;
    }
    QStringList names;
    for (const QVariant& element : *elements) {
        // A record without a name (or no language record at all) offers nothing.
        const auto record = languageRecord(element);
        if (record && !record->languageName().isNull()) {
            names.append(record->languageName());
        }
    }
    trace(QStringLiteral(" Language list %1").arg(platform::describe(names)), kHigh);
    return names;
}

QString HVUtilities::getLangName(const QString& version, const QString& langCode,
                                 const QVariant& fromList, const QString& forProduct) {
    const auto elements = listOf(fromList);
    if (version.isNull() || !elements) {
        trace(QStringLiteral("getLangForVersion : Data is NULL"), kCritical);
        return {};
    }
    trace(QStringLiteral("Current Version : %1 \n Language list %2")
              .arg(version, platform::describe(fromList)),
          kHigh);

    const QStringList parts = version.split(u'.');
    const QString last = parts.size() >= 2 ? parts.last() : version;
    const qint32 versionNumber = decimalValue(last);
    quint32 wanted = 0;
    if (forProduct == QLatin1String(kVersionCodedProduct) && versionNumber > 0) {
        wanted = mapFirmwareVersionToLanguageCode(versionNumber);
    } else {
        wanted = static_cast<quint32>(decimalValue(langCode));
    }

    QString result;
    for (const QVariant& element : *elements) {
        const auto record = languageRecord(element);
        // A record without a code does not match, not even a wanted 0.
        if (record && !record->languageCode().isNull() &&
            scanHex(record->languageCode()) == wanted) {
            result = record->languageName();
            break;
        }
    }
    trace(QStringLiteral("selected Language list %1").arg(platform::describe(result)), kMedium);
    return result;
}

QString HVUtilities::getFWFileForLang(const QString& lang, const QVariant& fromList) {
    const auto elements = listOf(fromList);
    if (lang.isNull() || !elements) {
        trace(QStringLiteral("getFWFileForLang : Data is NULL"), kCritical);
        return {};
    }
    trace(QStringLiteral("Current Language : %1 \n Language list %2")
              .arg(lang, platform::describe(fromList)),
          kHigh);
    QString result;
    for (const QVariant& element : *elements) {
        const auto record = languageRecord(element);
        if (record && HVUtilities::sameString(record->languageName(), lang)) {
            result = record->firmwareFileName(); // the last match wins
        }
    }
    trace(QStringLiteral("selected Language list %1").arg(platform::describe(result)), kMedium);
    return result;
}

QString HVUtilities::getLangIdForLang(const QString& lang, const QVariant& fromList) {
    const auto elements = listOf(fromList);
    if (lang.isNull() || !elements) {
        trace(QStringLiteral("getFWFileForLang : Data is NULL"), kCritical);
        return {};
    }
    trace(QStringLiteral("Current Language : %1 \n Language list %2")
              .arg(lang, platform::describe(fromList)),
          kHigh);
    QString result;
    for (const QVariant& element : *elements) {
        const auto record = languageRecord(element);
        if (record && HVUtilities::sameString(record->languageName(), lang)) {
            result = record->languageCode();
            break;
        }
    }
    trace(QStringLiteral("selected Language list %1").arg(platform::describe(result)), kMedium);
    return result;
}

quint32 HVUtilities::mapFirmwareVersionToLanguageCode(qint32 value) {
    const auto index = static_cast<quint32>(value);
    return index < kVersionLanguages.size() ? kVersionLanguages[index] : kDefaultLanguage;
}

std::optional<QStringList> HVUtilities::getRegionArrayforList(const QVariant& list) {
    const auto elements = listOf(list);
    if (!elements) {
        trace(QStringLiteral("getLangArrayforList : Data is NULL"), kCritical);
        return std::nullopt;
    }
    QStringList names;
    for (const QVariant& element : *elements) {
        const auto fields = HVXmlRegionFieldsOf(element);
        if (fields && !fields->regionName.isNull()) {
            names.append(fields->regionName);
        }
    }
    trace(QStringLiteral(" Region list %1").arg(platform::describe(names)), kHigh);
    return names;
}

QVariant HVUtilities::getRegionFromVersion(const QString& version, const QVariant& fromList) {
    const auto elements = listOf(fromList);
    if (version.isNull() || !elements) {
        trace(QStringLiteral("getLangForVersion : Data is NULL"), kCritical);
        return {};
    }
    trace(QStringLiteral("Current Version : %1 \n Language list %2")
              .arg(version, platform::describe(fromList)),
          kHigh);
    QVariant result;
    for (const QVariant& element : *elements) {
        const auto fields = HVXmlRegionFieldsOf(element);
        if (fields && HVUtilities::sameString(fields->regionId, version)) {
            result = element;
            break;
        }
    }
    trace(QStringLiteral("selected Language list %1").arg(platform::describe(result)), kMedium);
    return result;
}

QString HVUtilities::getFWFileForRegion(const QString& region, const QVariant& fromList) {
    const auto elements = listOf(fromList);
    if (region.isNull() || !elements) {
        trace(QStringLiteral("getFWFileForLang : Data is NULL"), kCritical);
        return {};
    }
    trace(QStringLiteral("Current Language : %1 \n Language list %2")
              .arg(region, platform::describe(fromList)),
          kHigh);
    QString result;
    for (const QVariant& element : *elements) {
        const auto fields = HVXmlRegionFieldsOf(element);
        if (fields && HVUtilities::sameString(fields->regionName, region)) {
            result = fields->regionfileName;
            break;
        }
    }
    trace(QStringLiteral("selected Language list %1").arg(platform::describe(result)), kMedium);
    return result;
}
