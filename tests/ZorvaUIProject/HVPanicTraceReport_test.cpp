#include "ZorvaUIProject/HVPanicTraceReport.h"
#include "support/TraceCapture.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using Report = HVPanicTraceReport;
using testsupport::TraceCapture;

namespace {

const QString kRule = "\n-------------------------- ";
// Tuesday, 10 March 2026, 14:05:09.
const QDateTime kNow(QDate(2026, 3, 10), QTime(14, 5, 9), Qt::UTC);

QVariantMap baseInfo() {
    return {{"ProdIdKey", "HV0A17"},
            {"LocIdKey", quint64(0x8000000000000001ULL)},
            {"devnamekey", "Zorva Quillo 40"},
            {"SKUIDKEY", "QL40-01"},
            {"firmwareverkey", QVariantMap{{"GRAPHICS", "7.2"}}},
            {"basetotalerrorcodekey", 2},
            {"baseerrorcodekey", QVariantList{"1F", "ABCDEF01"}}};
}

QString heading(const QString& firmware = "\nGraphics: 7.2") {
    return "\nError log from Zorva Quillo 40\nTuesday, March 10, 2026 02:05:09 PM"
           "\nSKU number: QL40-01\n\nFirmware versions:" +
           kRule + firmware;
}

const QString kBaseCodes =
    "\n\nBase error codes:" + kRule + "\n1: 0x0000001F\n2: 0xABCDEF01\nTotal error codes: 2";

QString report(const QVariantMap& info) {
    return Report::reportText(info, kNow, QLocale::c());
}

} // namespace

TEST(PanicTraceReport, FullReportWithPaddedAndUnpaddedCodesAndFirmwareInItsFixedOrder) {
    EXPECT_EQ(report(baseInfo()), heading() + kBaseCodes);
    EXPECT_TRUE(report({}).isNull()); // an empty dictionary gives no report
    QVariantMap info = baseInfo();
    info["firmwareverkey"] = QVariantMap{
        {"GRAPHICS", "6"},   {"HEADSET", "4"},         {"BASE", "2"}, {"LANGUAGEPACK", "5"},
        {"btfwverkey", "1"}, {"usbprocfwverkey", "3"}, {"other", "x"}};
    EXPECT_EQ(report(info), heading("\nBluetooth processor: 1\nBase processor: 2\nUSB processor: "
                                    "3\nHeadset: 4\nLanguage pack: 5\nGraphics: 6") +
                                kBaseCodes);
}

const QString kHeadset = "\n\nHeadset error codes:" + kRule;
const QString kBluetooth = "\n\nBluetooth error codes:" + kRule;
const QString kUsb = "\n\nUSB error codes:" + kRule;

QString missing(const QString& section) {
    return "CRITICAL showPanicTraceForInfo : " + section +
           " error code is not availabel for prodid  HV0A17";
}
QString unexpected(const QString& key) {
    return "HIGH showPanicTraceForInfo : Unexpected value for key " + key;
}

// Each section after the base codes, with the trace records expected (without their category).
TEST(PanicTraceReport, SectionsAfterTheBaseCodes) {
    using V = QVariantList;
    const QString kDocked =
        "CRITICAL showPanicTraceForInfo : Headset is not docked correctly for prodid  HV0A17";
    struct SectionCase {
        const char* name;
        QVariantMap extra;
        QString tail;
        QStringList traces;
    };
    // clang-format off
    const SectionCase cases[] = {
    {"HeadsetAbsent", {}, "", {}},
    {"HeadsetNotDocked", {{"hstotalerrorcodekey", -1}}, kHeadset + "\nUnavailable (headset not docked)", {kDocked}},
    {"HeadsetZero", {{"hstotalerrorcodekey", 0}}, kHeadset + "\nNone", {missing("Headset")}},
    // Codes are listed from the array whatever the count says.
    {"HeadsetCountBelowArray", {{"hstotalerrorcodekey", 1}, {"hserrorcodekey", V{"A", "B"}}},
                kHeadset + "\n1: 0x0000000A\n2: 0x0000000B\nTotal error codes: 1", {}},
    {"BluetoothEmptyArray", {{"bttotalerrorcodekey", 3}, {"bterrorcodekey", V{}}}, kBluetooth + "\nTotal error codes: 3", {}},
    {"BluetoothNone", {{"bttotalerrorcodekey", 0}}, kBluetooth + "\nNone", {missing("bluetooth")}},
    {"UsbCodes", {{"usbtotalerrorcodekey", 1}, {"usberrorcodekey", V{"123456789"}}}, kUsb + "\n1: 0x123456789\nTotal error codes: 1", {}},
    {"UsbNone", {{"usbtotalerrorcodekey", -1}}, kUsb + "\nNone", {missing("USB processor")}},
    // Damaged values: a trace line, and the rest of the report.
    {"CountAsText", {{"bttotalerrorcodekey", "2"}}, kBluetooth + "\nNone", {unexpected("bttotalerrorcodekey"), missing("bluetooth")}},
    {"CodeAsNumberAndAsList", {{"hstotalerrorcodekey", 2}, {"hserrorcodekey", V{31, V{"x"}}}},
                kHeadset + "\n1: 0x0000001F\nTotal error codes: 2", {unexpected("hserrorcodekey"), unexpected("hserrorcodekey")}}};
    // clang-format on
    for (const SectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        TraceCapture capture;
        QVariantMap info = baseInfo();
        info.insert(c.extra);
        EXPECT_EQ(report(info), heading() + kBaseCodes + c.tail);
        QStringList expected;
        for (const QString& trace : c.traces) {
            expected << "Pref Controller " + trace;
        }
        EXPECT_EQ(capture.records().join(u'|').toStdString(), expected.join(u'|').toStdString());
    }
}

TEST(PanicTraceReport, DamagedHeadingAndFirmwareStillGiveAReport) {
    TraceCapture capture;
    QVariantMap info = baseInfo();
    info.remove("devnamekey");
    info.remove("ProdIdKey");
    info["SKUIDKEY"] = 4021;
    info["firmwareverkey"] = QVariantList{"7.2"};
    info.remove("basetotalerrorcodekey");
    const QString expected = "\nError log from Unknown\nTuesday, March 10, 2026 02:05:09 PM"
                             "\nSKU number: 4021\n\nFirmware versions:" +
                             kRule + "\n\nBase error codes:" + kRule + "\nNone";
    EXPECT_EQ(report(info), expected);
    EXPECT_TRUE(capture.contains("Pref Controller", "CRITICAL",
                                 "showPanicTraceForInfo : Base error code is not availabel for "
                                 "prodid  (null)"));
    EXPECT_EQ(capture.count("showPanicTraceForInfo : Unexpected value for key firmwareverkey"), 1);
    EXPECT_EQ(capture.count("showPanicTraceForInfo : Unexpected value for key SKUIDKEY"), 1);
}
