#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <limits>

namespace {

// The decimal value of a string read the way a number is read from the front of a
// text: leading white space skipped, an optional sign, then digits up to the first
// other character; 0 when there are none. Values beyond the range saturate.
qint64 leadingDecimalValue(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    // Accumulated as a negative number so that the most negative value fits.
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    bool saturated = false;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') {
            break;
        }
        const int digit = c - u'0';
        if (saturated || value < (kMin + digit) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (saturated) {
        return negative ? kMin : std::numeric_limits<qint64>::max();
    }
    if (negative) {
        return value;
    }
    return value == kMin ? std::numeric_limits<qint64>::max() : -value;
}

int hexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

} // namespace

int HVUtilities::compareVersion(const QString& version, const QString& toVersion) {
    // A missing version has no parts; an empty one has a single empty part.
    const QStringList a = version.isNull() ? QStringList() : version.split(u'.');
    const QStringList b = toVersion.isNull() ? QStringList() : toVersion.split(u'.');
    for (qsizetype i = 0;; ++i) {
        if (i >= a.size() && i >= b.size()) {
            return 0;
        }
        const qint64 left = i < a.size() ? leadingDecimalValue(a.at(i)) : -1;
        const qint64 right = i < b.size() ? leadingDecimalValue(b.at(i)) : -1;
        if (left < right) {
            return -1;
        }
        if (left > right) {
            return 1;
        }
    }
}

QString HVUtilities::getProductID(const QString& productID) {
    static const QString kStart = QStringLiteral("ABCDEF0123456789");
    qsizetype i = 0;
    const qsizetype n = productID.size();
    while (i < n && !kStart.contains(productID.at(i))) {
        ++i;
    }
    // An optional 0x prefix, taken only when a hexadecimal digit follows it.
    if (i + 2 < n && productID.at(i) == u'0' &&
        (productID.at(i + 1) == u'x' || productID.at(i + 1) == u'X') &&
        hexDigitValue(productID.at(i + 2).unicode()) >= 0) {
        i += 2;
    }
    quint64 value = 0;
    for (; i < n; ++i) {
        const int digit = hexDigitValue(productID.at(i).unicode());
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<quint64>(digit);
        if (value > std::numeric_limits<quint32>::max()) {
            // Too large for 32 bits: the largest value, the rest of the digits read.
            value = std::numeric_limits<quint32>::max() + quint64(1);
        }
    }
    const quint32 number = value > std::numeric_limits<quint32>::max()
                               ? std::numeric_limits<quint32>::max()
                               : static_cast<quint32>(value);
    return QString::number(static_cast<qint32>(number));
}

QString HVUtilities::getHSProductID(const QString& code) {
    static const QHash<QString, QString> kHeadsets = {
        {QStringLiteral("0110"), QStringLiteral("HV093B")},
        {QStringLiteral("0112"), QStringLiteral("HV094B")},
        {QStringLiteral("0801"), QStringLiteral("HV0420")},
        {QStringLiteral("0802"), QStringLiteral("HV0949")},
        {QStringLiteral("0129"), QStringLiteral("HV030B")},
        {QStringLiteral("0125"), QStringLiteral("HV030D")},
        {QStringLiteral("013D"), QStringLiteral("HV2465")},
        {QStringLiteral("013E"), QStringLiteral("HV246D")},
        {QStringLiteral("0804"), QStringLiteral("HV2454")},
        {QStringLiteral("0803"), QStringLiteral("HV2475")},
    };
    return kHeadsets.value(code); // null when the code is not listed
}

bool HVUtilities::isCatalinaPlusDevice(const QString& productNumber) {
    const qint64 wide = leadingDecimalValue(productNumber);
    const qint32 number = static_cast<qint32>(std::clamp<qint64>(
        wide, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    return (number >= 834 && number <= 847) || number == 849;
}
