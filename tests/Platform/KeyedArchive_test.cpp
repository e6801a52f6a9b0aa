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

QVariant uid(quint64 n) {
    return QVariant::fromValue(PlistUid{n});
}

QVariantMap classDict(const QString& name) {
    return {{"$classname", name}, {"$classes", QVariantList{name, "NSObject"}}};
}

// A keyed archive built by hand from its "$objects" (after "$null").
QByteArray makeArchive(const QVariantList& objects, const QVariant& root = uid(1),
                       plist::Format format = plist::Format::Binary) {
    QVariantList all{QStringLiteral("$null")};
    all += objects;
    const QVariantMap top{{"$archiver", "NSKeyedArchiver"},
                          {"$version", 100000},
                          {"$top", QVariantMap{{"root", root}}},
                          {"$objects", all}};
    return plist::toData(top, format);
}

QVariantMap sampleValues() {
    return {{"string", QStringLiteral("héllo \"wörld\"")},
            {"empty", QStringLiteral("")},
            {"negative", qint64(-42)},
            {"int", 7},
            {"big", quint64(1) << 63},
            {"real", 2.5},
            {"yes", true},
            {"no", false},
            {"data", QByteArray("\x00\x01\xff", 3)},
            {"date", QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7, 250), QTimeZone::utc())},
            {"strings", QStringList{"a", "b"}},
            {"list", QVariantList{"x", 1, QVariantList{}, QVariantMap{}}},
            {"map", QVariantMap{{"k", "v"}, {"n", QVariantMap{{"deep", 1.25}}}}}};
}

QByteArray fixture(const QString& name) {
    return testsupport::readFile(QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/") + name);
}

} // namespace

TEST(KeyedArchive, StandardValuesRoundTrip) {
    const QVariantMap original = sampleValues();
    const QByteArray bytes = archivedDataWithRootObject(original);
    ASSERT_TRUE(bytes.startsWith("bplist00"));
    const QVariant back = unarchiveObjectWithData(bytes);
    ASSERT_EQ(back.typeId(), QMetaType::QVariantMap);
    const QVariantMap map = back.toMap();
    EXPECT_EQ(map.value("string").toString(), original.value("string").toString());
    EXPECT_EQ(map.value("empty").typeId(), QMetaType::QString);
    EXPECT_FALSE(map.value("empty").toString().isNull());
    EXPECT_EQ(map.value("negative"), QVariant(qint64(-42)));
    EXPECT_EQ(map.value("int"), QVariant(qint64(7)));
    // Integers come back signed with the same 64 bits.
    EXPECT_EQ(map.value("big").toLongLong(), std::numeric_limits<qint64>::min());
    EXPECT_EQ(map.value("real"), QVariant(2.5));
    EXPECT_EQ(map.value("yes"), QVariant(true));
    EXPECT_EQ(map.value("no"), QVariant(false));
    EXPECT_EQ(map.value("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(map.value("date").toDateTime(), original.value("date").toDateTime());
    EXPECT_EQ(map.value("strings"), QVariant(QVariantList{"a", "b"}));
    EXPECT_EQ(map.value("list"),
              QVariant(QVariantList{"x", qint64(1), QVariantList{}, QVariantMap{}}));
    EXPECT_EQ(map.value("map").toMap().value("n").toMap().value("deep"), QVariant(1.25));

    // Absent values: no archive for an absent root, "$null" inside collections.
    EXPECT_TRUE(archivedDataWithRootObject(QVariant()).isEmpty());
    EXPECT_TRUE(archivedDataWithRootObject(QString()).isEmpty());
    const QVariant withHole = unarchiveObjectWithData(
        archivedDataWithRootObject(QVariantMap{{"absent", QVariant()}, {"s", QString()}}));
    EXPECT_FALSE(withHole.toMap().value("absent").isValid());
    EXPECT_TRUE(withHole.toMap().contains("s"));
    EXPECT_FALSE(withHole.toMap().value("s").isValid());
}

TEST(KeyedArchive, WritesTheStandardLayoutAndSharedObjectsOnce) {
    const auto entry = std::make_shared<QVariantMap>(QVariantMap{{"componentNameKey", "Same"}});
    const QVariantList root{QVariant::fromValue(entry), QVariant::fromValue(entry), "Same", "Same"};
    const QVariantMap top = plist::fromData(archivedDataWithRootObject(root)).toMap();
    EXPECT_EQ(top.value("$archiver"), QVariant("NSKeyedArchiver"));
    EXPECT_EQ(top.value("$version").toLongLong(), 100000);
    ASSERT_EQ(top.value("$top").toMap().value("root").typeId(), qMetaTypeId<PlistUid>());
    const QVariantList objects = top.value("$objects").toList();
    ASSERT_FALSE(objects.isEmpty());
    EXPECT_EQ(objects.first(), QVariant("$null"));
    const QVariantMap rootObject =
        objects.value(top.value("$top").toMap().value("root").value<PlistUid>().value).toMap();
    const QVariantList items = rootObject.value("NS.objects").toList();
    ASSERT_EQ(items.size(), 4);
    // The shared entry and the equal strings are each written once.
    EXPECT_EQ(items[0], items[1]);
    EXPECT_EQ(items[2], items[3]);
    const QVariantMap arrayClass =
        objects.value(rootObject.value("$class").value<PlistUid>().value).toMap();
    EXPECT_EQ(arrayClass.value("$classname"), QVariant("NSMutableArray"));
    EXPECT_EQ(arrayClass.value("$classes"),
              QVariant(QVariantList{"NSMutableArray", "NSArray", "NSObject"}));
    // $null, array, its class, dictionary, its class, the key, the string "Same".
    EXPECT_EQ(objects.size(), 7);

    // Reading it back gives one entry at both places: a map, as decoded maps are.
    const QVariantList back = unarchiveObjectWithData(archivedDataWithRootObject(root)).toList();
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back[0].toMap().value("componentNameKey"), QVariant("Same"));
}

TEST(KeyedArchive, ReadsFixturesWrittenByPlistlib) {
    for (const QString& name :
         {QStringLiteral("standard_values.bplist"), QStringLiteral("standard_values.xml")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = fixture(name);
        ASSERT_FALSE(bytes.isEmpty());
        const QVariantMap map = unarchiveObjectWithData(bytes).toMap();
        EXPECT_EQ(map.value("string"), QVariant(QStringLiteral("héllo")));
        EXPECT_EQ(map.value("integer"), QVariant(qint64(-42)));
        EXPECT_EQ(map.value("big"), QVariant(qint64(1) << 40));
        EXPECT_EQ(map.value("real"), QVariant(2.5));
        EXPECT_EQ(map.value("yes"), QVariant(true));
        EXPECT_EQ(map.value("data").toByteArray(), QByteArray("\x00\xff", 2));
        EXPECT_EQ(map.value("date").toDateTime(),
                  QDateTime(QDate(2021, 1, 1), QTime(0, 0, 0, 500), QTimeZone::utc()));
        EXPECT_EQ(map.value("mutableString"), QVariant("mutable"));
        EXPECT_EQ(map.value("mutableData").toByteArray(), QByteArray("\x01\x02"));
        EXPECT_TRUE(map.contains("nothing"));
        EXPECT_FALSE(map.value("nothing").isValid());
        EXPECT_EQ(map.value("array"), QVariant(QVariantList{"a", qint64(1)}));
        EXPECT_EQ(map.value("nested"), QVariant(QVariantMap{{"k", "v"}}));
    }
}

TEST(KeyedArchive, PlistlibReadsWhatTheCodecWrites) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", ~quint64(0));
    device->setBatteryInfo(HVBatteryInformation::initBatteryInfoForTypeId("T1"));
    device->batteryInfo()->setHsBatteryPCT(64);
    const auto entry = std::make_shared<QVariantMap>(QVariantMap{{"LocIdKey", 5}});
    const QVariantMap root{
        {"device", QVariant::fromValue(device)},
        {"entries", QVariantList{QVariant::fromValue(entry), QVariant::fromValue(entry)}},
        {"date", QDateTime(QDate(2001, 1, 2), QTime(0, 0), QTimeZone::utc())},
        {"data", QByteArray("\x01\x02", 2)}};
    const QString path = dir.filePath("written.bplist");
    ASSERT_TRUE(testsupport::writeFile(path, archivedDataWithRootObject(root)));

    QProcess python;
    python.start(
        "/usr/bin/python3",
        {QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/read_keyed_archive.py"), path});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonObject out = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    EXPECT_EQ(out.value("format").toString(), "binary");
    const QJsonObject top = out.value("root").toObject();
    EXPECT_EQ(top.value("$class").toString(), "NSMutableDictionary");
    const QJsonObject entries = top.value("entries").toObject();

    const QJsonObject dev = entries.value("device").toObject();
    EXPECT_EQ(dev.value("$class").toString(), "HVDevice");
    EXPECT_EQ(dev.value("devnamekey").toString(), "Zorva 5200");
    EXPECT_EQ(dev.value("productId").toString(), "HV2454");
    EXPECT_TRUE(dev.value("version").isNull());
    EXPECT_EQ(dev.value("languageSupported").toInt(), 1033);
    EXPECT_EQ(dev.value("devFwUpdateState").toInt(), 2);
    // 2^64-1 is written as the 64-bit integer -1, as the format has it.
    EXPECT_EQ(dev.value("locationID").toInteger(), -1);
    EXPECT_TRUE(dev.value("encodedBatteryInfo").toObject().contains("$data"));

    // The nested battery archive is an archive of its own.
    const QByteArray battery = QByteArray::fromHex(
        dev.value("encodedBatteryInfo").toObject().value("$data").toString().toLatin1());
    const QString batteryPath = dir.filePath("battery.bplist");
    ASSERT_TRUE(testsupport::writeFile(batteryPath, battery));
    python.start(
        "/usr/bin/python3",
        {QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/read_keyed_archive.py"), batteryPath});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonObject bat =
        QJsonDocument::fromJson(python.readAllStandardOutput()).object().value("root").toObject();
    EXPECT_EQ(bat.value("$class").toString(), "HVBatteryInformation");
    EXPECT_EQ(bat.value("hsProductTypeId").toString(), "T1");
    EXPECT_EQ(bat.value("hsBatteryPCT").toInt(), 64);
    EXPECT_EQ(bat.value("isCharging").toBool(true), false);
    EXPECT_FALSE(bat.contains("isDECTDevice"));

    const QJsonArray shared = entries.value("entries").toObject().value("NS.objects").toArray();
    ASSERT_EQ(shared.size(), 2);
    EXPECT_EQ(shared[0], shared[1]);
    EXPECT_EQ(entries.value("date").toObject().value("NS.time").toDouble(), 86400.0);
    EXPECT_EQ(entries.value("data").toObject().value("$data").toString(), "0102");

    // "Nothing" as a complete archive, as a device without battery carries it.
    ASSERT_TRUE(testsupport::writeFile(batteryPath, archivedDataWithAbsentRoot()));
    python.start(
        "/usr/bin/python3",
        {QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/read_keyed_archive.py"), batteryPath});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonObject nothing = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    EXPECT_TRUE(nothing.value("root").isNull());
    EXPECT_EQ(nothing.value("objectCount").toInt(), 1);
}

TEST(KeyedArchive, MalformedDataReadsAsNothingWithATrace) {
    testsupport::TraceCapture trace;
    EXPECT_FALSE(unarchiveObjectWithData(QByteArray()).isValid());
    EXPECT_EQ(trace.records().size(), 0);

    const auto check = [&](const QByteArray& bytes, const QString& message) {
        const int before = trace.records().size();
        EXPECT_FALSE(unarchiveObjectWithData(bytes).isValid()) << message.toStdString();
        EXPECT_GT(trace.records().size(), before) << message.toStdString();
        EXPECT_TRUE(trace.text().contains(message)) << trace.text().toStdString();
    };
    check(QByteArray("garbage that is not a property list"), "is not a property list");
    check(plist::toData(QVariantMap{{"a", 1}}, plist::Format::Binary), "is not a keyed archive");
    check(makeArchive({"s"}, uid(9)), "reference 9 out of range");
    check(makeArchive({"s"}, QVariant(1)), "the root is not a reference");
    const QVariantMap array{{"$class", uid(2)}, {"NS.objects", QVariantList{uid(1)}}};
    check(makeArchive({array, classDict("NSMutableArray")}), "reference cycle");
    const QVariantMap outOfRange{{"$class", uid(2)}, {"NS.objects", QVariantList{uid(77)}}};
    check(makeArchive({outOfRange, classDict("NSArray")}), "reference 77 out of range");
    check(makeArchive({QVariantMap{{"$class", uid(2)}}, classDict("NSNotAClass")}),
          "unknown class NSNotAClass");
    check(makeArchive({QVariantMap{{"$class", uid(2)}}, QVariantMap{{"$classes", QVariantList{}}}}),
          "without a name");
    check(makeArchive({QVariantMap{{"$class", uid(8)}}}), "without a valid class");
    const QVariantMap uneven{
        {"$class", uid(2)}, {"NS.keys", QVariantList{uid(3)}}, {"NS.objects", QVariantList{}}};
    check(makeArchive({uneven, classDict("NSDictionary"), "k"}), "1 keys and 0 objects");
    const QVariantMap numericKey{{"$class", uid(2)},
                                 {"NS.keys", QVariantList{uid(3)}},
                                 {"NS.objects", QVariantList{uid(3)}}};
    check(makeArchive({numericKey, classDict("NSDictionary"), 5}), "key is not a string");

    // A record that refers to itself.
    const QVariantMap selfDevice{{"$class", uid(2)}, {"subversions", uid(1)}};
    check(makeArchive({selfDevice, classDict("HVDevice")}), "reference cycle");
}

TEST(KeyedArchive, TruncatedArchivesNeverCrash) {
    testsupport::TraceCapture trace;
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", 99);
    device->setBatteryInfo(HVBatteryInformation::initBatteryInfoForTypeId("T1"));
    const QByteArray binary = archivedDataWithRootObject(QVariant::fromValue(device));
    const QByteArray xml = plist::toData(plist::fromData(binary), plist::Format::Xml);
    ASSERT_TRUE(unarchiveObjectWithData(xml).value<HVDevicePtr>() != nullptr);
    const int before = trace.records().size();
    int decoded = 0;
    for (qsizetype n = 1; n < binary.size(); ++n) {
        decoded += unarchiveObjectWithData(binary.left(n)).isValid() ? 1 : 0;
    }
    // Text cut after the last value's closing tag still holds the whole archive.
    const qsizetype lastValue = xml.lastIndexOf("</dict>");
    for (qsizetype n = 1; n < lastValue; n += 7) {
        if (unarchiveObjectWithData(xml.left(n)).isValid()) {
            ADD_FAILURE() << "decoded from " << n << " bytes";
        }
    }
    EXPECT_EQ(decoded, 0);
    EXPECT_EQ(trace.count("unarchiveObjectWithData : data is not a property list or nests deeper "
                          "than 256 (10 bytes)"),
              1);
    // Every refused read left one trace line.
    const qsizetype attempts = (binary.size() - 1) + (lastValue - 1 + 6) / 7;
    EXPECT_EQ(trace.records().size() - before, attempts);
}

TEST(KeyedArchive, NestingDeeperThanTheLimitIsRefused) {
    testsupport::TraceCapture trace;
    QVariant deep = QVariantList{"leaf"};
    for (int i = 0; i < kMaxArchiveDepth + 5; ++i) {
        deep = QVariantList{deep};
    }
    EXPECT_TRUE(archivedDataWithRootObject(deep).isEmpty());
    EXPECT_TRUE(trace.text().contains("archivedDataWithRootObject : objects nested deeper than"));

    // The same nesting built by hand, one array per level.
    QVariantList objects{classDict("NSArray")};
    const int levels = kMaxArchiveDepth + 5;
    for (int i = 0; i < levels; ++i) {
        const quint64 self = quint64(objects.size()) + 1;
        const QVariantList children = i + 1 < levels ? QVariantList{uid(self + 1)} : QVariantList{};
        objects.append(QVariantMap{{"$class", uid(1)}, {"NS.objects", children}});
    }
    EXPECT_FALSE(unarchiveObjectWithData(makeArchive(objects, uid(2))).isValid());
    EXPECT_TRUE(trace.text().contains("unarchiveObjectWithData : objects nested deeper than"));

    // Within the limit it reads.
    QVariant shallow = QVariantList{"leaf"};
    for (int i = 0; i < 20; ++i) {
        shallow = QVariantList{shallow};
    }
    EXPECT_EQ(unarchiveObjectWithData(archivedDataWithRootObject(shallow)), shallow);
}

TEST(KeyedArchive, ValuesWithoutArchivedFormAreRefused) {
    testsupport::TraceCapture trace;
    EXPECT_TRUE(archivedDataWithRootObject(QVariantList{QPoint(1, 2)}).isEmpty());
    EXPECT_TRUE(trace.text().contains("archivedDataWithRootObject : no archived form for QPoint"));
}

TEST(KeyedArchive, DamagedBytesGiveNothingOrTheRightKind) {
    testsupport::TraceCapture trace;
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", 99);
    device->setBatteryInfo(HVBatteryInformation::initBatteryInfoForTypeId("T1"));
    device->setSubCompFwVersions(QVariantList{"1.0", QVariantMap{{"k", 2}}});
    const QByteArray good = archivedDataWithRootObject(QVariant::fromValue(device));
    int readable = 0;
    int refused = 0;
    // Every byte in turn set to values that change sizes, kinds and references.
    for (qsizetype i = 8; i < good.size(); ++i) {
        for (const char value : {'\x00', '\x0f', '\x7f', '\xff'}) {
            QByteArray damaged = good;
            damaged[i] = value;
            const QVariant root = unarchiveObjectWithData(damaged);
            if (!root.isValid()) {
                ++refused;
            } else if (root.metaType() == QMetaType::fromType<HVDevicePtr>() ||
                       root.typeId() == QMetaType::QString ||
                       root.typeId() == QMetaType::QVariantList ||
                       root.typeId() == QMetaType::QVariantMap ||
                       root.typeId() == QMetaType::LongLong ||
                       root.typeId() == QMetaType::QByteArray) {
                ++readable;
            } else {
                ADD_FAILURE() << "unexpected kind " << root.typeName() << " at byte " << i;
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(readable, 0); // damage to a string's letters leaves a device
}
