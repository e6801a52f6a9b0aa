#include "ZorvaUIProject/HVPanicTraceReport.h"

#include "Platform/ObjectDescription.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QVariantList>
#include <optional>

namespace {

const QString kRule = QStringLiteral("\n-------------------------- ");

void trace(const QString& message, int severity = hvtrace::kCritical) {
    HVTrace::writeLine(message, hvtrace::kPrefController, severity);
}

void traceWrongType(const QString& key) {
    trace(QStringLiteral("showPanicTraceForInfo : Unexpected value for key %1").arg(key),
          hvtrace::kHigh);
}

bool isNumber(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

bool isText(const QVariant& value) {
    return value.metaType().id() == QMetaType::QString;
}

// A count as a signed 32-bit integer; nothing when the key is absent, 0 (with a
// trace line) when it holds something that is no number.
std::optional<int> count(const QVariantMap& info, const QString& key) {
    const auto found = info.constFind(key);
    if (found == info.constEnd() || !found->isValid()) {
        return std::nullopt;
    }
    if (!isNumber(*found)) {
        traceWrongType(key);
        return 0;
    }
    return static_cast<int>(found->toLongLong());
}

// A text field of the heading: as it stands, the placeholder when absent.
QString headingText(const QVariantMap& info, const QString& key) {
    const QVariant value = info.value(key);
    if (!value.isValid() || (isText(value) && value.toString().isNull())) {
        return QString::fromLatin1(HVPanicTraceReport::kAbsentText);
    }
    if (!isText(value)) {
        traceWrongType(key);
    }
    return platform::describe(value);
}

QString codeLines(const QVariantMap& info, const QString& key) {
    const QVariant codes = info.value(key);
    if (!codes.isValid()) {
        return {};
    }
    if (codes.metaType().id() != QMetaType::QVariantList) {
        traceWrongType(key);
        return {};
    }
    QString lines;
    const QVariantList list = codes.toList();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QVariant& code = list[i];
        const int position = static_cast<int>(i + 1);
        if (isText(code)) {
            lines += HVPanicTraceReport::codeLine(position, code.toString());
        } else if (isNumber(code) && code.metaType().id() != QMetaType::Double) {
            // A code sent as a number: its value, in the hexadecimal form codes take.
            traceWrongType(key);
            lines += HVPanicTraceReport::codeLine(
                position, QString::number(code.toULongLong(), 16).toUpper());
        } else {
            traceWrongType(key);
        }
    }
    return lines;
}

QString totalLine(const QVariantMap& info, const QString& key) {
    return QStringLiteral("\nTotal error codes: ") + platform::describe(info.value(key));
}

QString firmwareLines(const QVariantMap& info) {
    static const std::pair<const char*, const char*> kLines[] = {
        {"btfwverkey", "\nBluetooth processor: "}, {"BASE", "\nBase processor: "},
        {"usbprocfwverkey", "\nUSB processor: "},  {"HEADSET", "\nHeadset: "},
        {"LANGUAGEPACK", "\nLanguage pack: "},     {"GRAPHICS", "\nGraphics: "},
    };
    const QVariant firmware = info.value(QStringLiteral("firmwareverkey"));
    if (!firmware.isValid()) {
        return {};
    }
    if (firmware.metaType().id() != QMetaType::QVariantMap) {
        traceWrongType(QStringLiteral("firmwareverkey"));
        return {};
    }
    const QVariantMap versions = firmware.toMap();
    QString lines;
    for (const auto& [key, label] : kLines) {
        const auto found = versions.constFind(QLatin1String(key));
        if (found != versions.constEnd()) {
            lines += QLatin1String(label) + platform::describe(*found);
        }
    }
    return lines;
}

QString sectionHeader(const char* title) {
    return QStringLiteral("\n\n") + QLatin1String(title) + QStringLiteral(":") + kRule;
}

} // namespace

QString HVPanicTraceReport::dateText(const QDateTime& now, const QLocale& locale) {
    if (!now.isValid()) {
        return QString::fromLatin1(kAbsentText);
    }
    return locale.toString(now, QStringLiteral("dddd, MMMM dd, yyyy hh:mm:ss AP"));
}

QString HVPanicTraceReport::codeLine(int position, const QString& code) {
    const QString padding(qMax<qsizetype>(0, 8 - code.size()), QLatin1Char('0'));
    return QStringLiteral("\n%1: 0x%2%3").arg(position).arg(padding, code);
}

QString HVPanicTraceReport::productID(const QVariantMap& info) {
    const QVariant value = info.value(QStringLiteral("ProdIdKey"));
    return isText(value) ? value.toString() : QString();
}

qint64 HVPanicTraceReport::locationID(const QVariantMap& info) {
    const QVariant value = info.value(QStringLiteral("LocIdKey"));
    // The same 64 bits whether the number came signed or unsigned.
    return isNumber(value) ? static_cast<qint64>(value.toULongLong()) : 0;
}

QString HVPanicTraceReport::reportText(const QVariantMap& info, const QDateTime& now,
                                       const QLocale& locale) {
    if (info.isEmpty()) {
        return {};
    }
    const QString prodid = platform::describe(
        info.contains(QStringLiteral("ProdIdKey")) ? QVariant(productID(info)) : QVariant());
    const auto notAvailable = [&](const char* what) {
        trace(QStringLiteral("showPanicTraceForInfo : %1 for prodid  %2")
                  .arg(QLatin1String(what), prodid));
    };

    QString text =
        QStringLiteral("\nError log from ") + headingText(info, QStringLiteral("devnamekey"));
    text += QStringLiteral("\n") + dateText(now, locale);
    text += QStringLiteral("\nSKU number: ") + headingText(info, QStringLiteral("SKUIDKEY"));
    text += QStringLiteral("\n\nFirmware versions:") + kRule + firmwareLines(info);

    // Base codes: always listed.
    text += sectionHeader("Base error codes");
    if (count(info, QStringLiteral("basetotalerrorcodekey")).value_or(0) < 1) {
        notAvailable("Base error code is not availabel");
        text += QStringLiteral("\nNone");
    } else {
        text += codeLines(info, QStringLiteral("baseerrorcodekey")) +
                totalLine(info, QStringLiteral("basetotalerrorcodekey"));
    }

    // Headset codes: only where the service reported a headset count.
    if (const auto headset = count(info, QStringLiteral("hstotalerrorcodekey"))) {
        text += sectionHeader("Headset error codes");
        if (*headset > 0) {
            text += codeLines(info, QStringLiteral("hserrorcodekey")) +
                    totalLine(info, QStringLiteral("hstotalerrorcodekey"));
        } else if (*headset == -1) {
            notAvailable("Headset is not docked correctly");
            text += QStringLiteral("\nUnavailable (headset not docked)");
        } else {
            notAvailable("Headset error code is not availabel");
            text += QStringLiteral("\nNone");
        }
    }

    if (const auto bluetooth = count(info, QStringLiteral("bttotalerrorcodekey"))) {
        text += sectionHeader("Bluetooth error codes");
        if (*bluetooth > 0) {
            text += codeLines(info, QStringLiteral("bterrorcodekey")) +
                    totalLine(info, QStringLiteral("bttotalerrorcodekey"));
        } else {
            notAvailable("bluetooth error code is not availabel");
            text += QStringLiteral("\nNone");
        }
    }

    if (const auto usb = count(info, QStringLiteral("usbtotalerrorcodekey"))) {
        text += sectionHeader("USB error codes");
        if (*usb < 1) {
            notAvailable("USB processor error code is not availabel");
            text += QStringLiteral("\nNone");
        } else {
            text += codeLines(info, QStringLiteral("usberrorcodekey")) +
                    totalLine(info, QStringLiteral("usbtotalerrorcodekey"));
        }
    }
    return text;
}
