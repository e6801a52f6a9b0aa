#include "Platform/archive/KeyedArchive.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// The archive read by Python's plistlib, as the JSON its reader prints.
QJsonObject readWithPlistlib(const QByteArray& archive) {
    QTemporaryDir dir;
    const QString path = dir.filePath("archive.bplist");
    EXPECT_TRUE(testsupport::writeFile(path, archive));
    QProcess python;
    python.start(
        "/usr/bin/python3",
        {QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/read_keyed_archive.py"), path});
    python.waitForFinished(30000);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

TEST(KeyedArchive, StandardValuesRoundTrip) {
    const QDateTime date(QDate(2021, 3, 4), QTime(5, 6, 7, 250), QTimeZone::utc());
    // clang-format off
    const QVariantMap original{
        {"string", QStringLiteral("héllo \"wörld\"")}, {"empty", QStringLiteral("")}, {"int", 7},
        {"big", quint64(1) << 63}, {"real", 2.5}, {"yes", true}, {"no", false},
        {"data", QByteArray("\x00\x01\xff", 3)}, {"date", date}, {"strings", QStringList{"a", "b"}},
        {"list", QVariantList{"x", -42, QVariantList{}, QVariantMap{}}},
        {"map", QVariantMap{{"n", QVariantMap{{"deep", 1.25}}}}}, {"absent", QVariant()}, {"null string", QString()}};
    // clang-format on
    // Integers come back as qint64 with the same 64 bits, string lists as lists,
    // null strings as absent values.
    QVariantMap expected = original;
    expected.insert({{"int", qint64(7)},
                     {"big", std::numeric_limits<qint64>::min()},
                     {"strings", QVariantList{"a", "b"}},
                     {"null string", QVariant()},
                     {"list", QVariantList{"x", qint64(-42), QVariantList{}, QVariantMap{}}}});
    const QByteArray bytes = archivedDataWithRootObject(original);
    ASSERT_TRUE(bytes.startsWith("bplist00"));
    const QVariant back = unarchiveObjectWithData(bytes);
    EXPECT_EQ(back, QVariant(expected));
    EXPECT_FALSE(back.toMap().value("empty").toString().isNull());

    // No archive for an absent root.
    EXPECT_TRUE(archivedDataWithRootObject(QVariant()).isEmpty());
    EXPECT_TRUE(archivedDataWithRootObject(QString()).isEmpty());
}

// The whole layout, pinned as the XML form of the archive: header keys, the
// class chain, and the shared entry and the equal strings each written once.
TEST(KeyedArchive, WritesTheStandardLayoutAndSharedObjectsOnce) {
    const auto entry = std::make_shared<QVariantMap>(QVariantMap{{"componentNameKey", "Same"}});
    const QVariantList root{QVariant::fromValue(entry), QVariant::fromValue(entry), "Same", "Same"};
    const QByteArray bytes = archivedDataWithRootObject(root);
    EXPECT_EQ(QString::fromUtf8(plist::toData(plist::fromData(bytes), plist::Format::Xml)),
              QString::fromUtf8(testsupport::readFile(
                  QStringLiteral(ZORVA_TEST_DATA_DIR "/archive_layout.xml"))));
    // Reading it back gives one entry at both places: a map, as decoded maps are.
    const QVariantList back = unarchiveObjectWithData(bytes).toList();
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back[0], back[1]);
    EXPECT_EQ(back[0].toMap().value("componentNameKey"), QVariant("Same"));
}

TEST(KeyedArchive, PlistlibReadsWhatTheCodecWrites) {
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", ~quint64(0));
    device->setBatteryInfo(HVBatteryInformation::initBatteryInfoForTypeId("T1"));
    device->batteryInfo()->setHsBatteryPCT(64);
    const QVariantMap root{{"device", QVariant::fromValue(device)},
                           {"date", QDateTime(QDate(2001, 1, 2), QTime(0, 0), QTimeZone::utc())},
                           {"data", QByteArray("\x01\x02", 2)}};
    const QJsonObject out = readWithPlistlib(archivedDataWithRootObject(root));
    const QJsonObject top = out.value("root").toObject();
    const QJsonObject entries = top.value("entries").toObject();
    const QJsonObject dev = entries.value("device").toObject();
    // The nested battery archive is an archive of its own.
    const QJsonObject bat =
        readWithPlistlib(
            QByteArray::fromHex(
                dev.value("encodedBatteryInfo").toObject().value("$data").toString().toLatin1()))
            .value("root")
            .toObject();
    // "Nothing" as a complete archive, as a device without battery carries it.
    const QJsonObject nothing = readWithPlistlib(archivedDataWithAbsentRoot());
    // A location of 2^64-1 is written as the 64-bit integer -1, as the format has it.
    // clang-format off
    const std::tuple<QJsonObject, const char*, QJsonValue> fields[] = {
        {out, "format", "binary"}, {top, "$class", "NSMutableDictionary"}, {dev, "$class", "HVDevice"},
        {dev, "devnamekey", "Zorva 5200"}, {dev, "productId", "HV2454"}, {dev, "version", QJsonValue::Null},
        {dev, "languageSupported", 1033}, {dev, "devFwUpdateState", 2}, {dev, "locationID", -1},
        {bat, "$class", "HVBatteryInformation"}, {bat, "hsProductTypeId", "T1"}, {bat, "hsBatteryPCT", 64},
        {bat, "isCharging", false}, {bat, "isDECTDevice", QJsonValue::Undefined},
        {entries.value("date").toObject(), "NS.time", 86400.0}, {entries.value("data").toObject(), "$data", "0102"},
        {nothing, "root", QJsonValue::Null}, {nothing, "objectCount", 1}};
    // clang-format on
    for (const auto& [object, key, value] : fields) {
        EXPECT_EQ(object.value(key), value) << key;
    }
}

TEST(KeyedArchive, WriterRefusesWhatHasNoArchivedForm) {
    testsupport::TraceCapture trace;
    QVariant deep = QVariantList{"leaf"};
    for (int i = 0; i < kMaxArchiveDepth + 5; ++i) {
        deep = QVariantList{deep};
    }
    EXPECT_TRUE(archivedDataWithRootObject(deep).isEmpty());
    EXPECT_TRUE(trace.text().contains("archivedDataWithRootObject : objects nested deeper than"));
    EXPECT_TRUE(archivedDataWithRootObject(QVariantList{QPoint(1, 2)}).isEmpty());
    EXPECT_TRUE(trace.text().contains("archivedDataWithRootObject : no archived form for QPoint"));
}
