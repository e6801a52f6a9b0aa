#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// The device error report: the plain text the error-report window shows and
// copies, built from the error-report dictionary the device service hands out
// for one device (its stored error log). Never instantiated.
//
// Dictionary keys (exact, case-sensitive):
//   "ProdIdKey" string, "LocIdKey" number (unsigned 64-bit), "devnamekey" string,
//   "SKUIDKEY" string, "firmwareverkey" dictionary of processor versions,
//   "basetotalerrorcodekey" number and "baseerrorcodekey" array of hexadecimal
//   strings; optional "hstotalerrorcodekey"/"hserrorcodekey" (headset, -1 means
//   not docked), "bttotalerrorcodekey"/"bterrorcodekey" (Bluetooth),
//   "usbtotalerrorcodekey"/"usberrorcodekey" (USB processor).
//
// Damaged dictionaries never stop the report: a value of the wrong type is
// traced and read as absent, and the rest of the report is still built.
class HVPanicTraceReport {
public:
    HVPanicTraceReport() = delete;

    // What an absent device name, SKU number or date prints as in the report.
    static constexpr char kAbsentText[] = "Unknown";

    // The date line's pattern ("EEEE, MMMM dd, yyyy hh:mm:ss a": weekday, month,
    // two-digit day, four-digit year, 12-hour time with the AM/PM marker).
    static QString dateText(const QDateTime& now, const QLocale& locale);

    // The whole report for a dictionary at the given time, with the trace lines
    // of the sections that have no codes. An absent or empty dictionary gives a
    // null string (the window then stays empty).
    static QString reportText(const QVariantMap& info, const QDateTime& now,
                              const QLocale& locale = QLocale());

    // "\n3: 0x00001A2B": the 1-based position, then the code padded on the left
    // with "0" to eight characters (longer codes as they come).
    static QString codeLine(int position, const QString& code);

    // The product and location IDs the window keeps for Reset.
    static QString productID(const QVariantMap& info);
    static qint64 locationID(const QVariantMap& info);
};
