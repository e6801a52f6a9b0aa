#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "support/HostileInputs.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::archivedDataWithRootObject;
using platform::unarchiveObjectWithData;

namespace {

template <class T>
std::shared_ptr<T> roundTrip(const std::shared_ptr<T>& record) {
    const QByteArray bytes = archivedDataWithRootObject(QVariant::fromValue(record));
    EXPECT_FALSE(bytes.isEmpty());
    return unarchiveObjectWithData(bytes).template value<std::shared_ptr<T>>();
}

} // namespace

TEST(HVDevice, InitialisersSetTheirValues) {
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", 42);
    EXPECT_EQ(device->name(), "Zorva 5200");
    EXPECT_EQ(device->productID(), "HV2454");
    EXPECT_EQ(device->lid(), 42u);
    EXPECT_EQ(device->devFwuState(), 2);
    EXPECT_EQ(device->devRegCode(), QVariant(qint64(0)));
    EXPECT_EQ(device->devLangCode(), QVariant(qint64(1033)));
    EXPECT_EQ(device->headsetType(), 0);
    EXPECT_TRUE(device->curFwVersion().isNull());
    EXPECT_TRUE(device->serialNumber().isNull());
    EXPECT_FALSE(device->subCompFwVersions().isValid());
    EXPECT_EQ(device->batteryInfo(), nullptr);

    const HVSoftphonePtr softphone = HVSoftphone::initSoftphone("Skype", 3);
    EXPECT_EQ(softphone->name(), "Skype");
    EXPECT_EQ(softphone->state(), 3);
    EXPECT_FALSE(softphone->cpname().isNull());
    EXPECT_TRUE(softphone->cpname().isEmpty());

    const HVBatteryInformationPtr battery = HVBatteryInformation::initBatteryInfoForTypeId("T1");
    EXPECT_EQ(battery->hsProductTypeId(), "T1");
    EXPECT_FALSE(battery->isCharging() || battery->isBatteryLow() || battery->isDECTDevice());
    EXPECT_EQ(battery->hsBatteryPCT(), 0);
}

TEST(HVDevice, RoundTripKeepsArchivedFieldsAndDropsTheOthers) {
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", 0);
    device->setSerialNumber("SN1");
    device->setReleaseNotesURL("https://example.com/notes");
    device->setCurFwVersion("1.2.3");
    device->setSubCompFwVersions(QVariantList{"1.0", "2.0"});
    device->setFwXMLURL("file:///catalogue.xml");
    device->setDfuFileURL("https://example.com/fw.dfu");
    device->setDevFwuState(-1);
    device->setHeadsetType(7);
    auto battery = HVBatteryInformation::initBatteryInfoForTypeId("T1");
    battery->setIsCharging(true);
    battery->setIsBatteryLow(true);
    battery->setIsDECTDevice(true);
    battery->setHsBatteryPCT(55);
    device->setBatteryInfo(battery);

    for (quint64 lid : {quint64(0), quint64(1) << 63, ~quint64(0), quint64(0x14200000)}) {
        device->setLid(lid);
        const HVDevicePtr back = roundTrip(device);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->lid(), lid);
        EXPECT_EQ(back->name(), "Zorva 5200");
        EXPECT_EQ(back->productID(), "HV2454");
        EXPECT_EQ(back->curFwVersion(), "1.2.3");
        EXPECT_EQ(back->subCompFwVersions(), QVariant(QVariantList{"1.0", "2.0"}));
        EXPECT_EQ(back->fwXMLURL(), "file:///catalogue.xml");
        EXPECT_EQ(back->dfuFileURL(), "https://example.com/fw.dfu");
        EXPECT_EQ(back->devFwuState(), -1);
        EXPECT_EQ(back->headsetType(), 7);
        EXPECT_EQ(back->devRegCode().toLongLong(), 0);
        EXPECT_EQ(back->devLangCode().toLongLong(), 1033);
        EXPECT_TRUE(back->serialNumber().isNull());
        EXPECT_TRUE(back->releaseNotesURL().isNull());
        ASSERT_NE(back->batteryInfo(), nullptr);
        EXPECT_NE(back->batteryInfo(), battery);
        EXPECT_EQ(back->batteryInfo()->hsProductTypeId(), "T1");
        EXPECT_TRUE(back->batteryInfo()->isCharging());
        EXPECT_TRUE(back->batteryInfo()->isBatteryLow());
        EXPECT_FALSE(back->batteryInfo()->isDECTDevice());
        EXPECT_EQ(back->batteryInfo()->hsBatteryPCT(), 55);
    }
}

TEST(HVDevice, AbsentFieldsComeBackAbsent) {
    const auto device = std::make_shared<HVDevice>();
    const HVDevicePtr back = roundTrip(device);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->name().isNull());
    EXPECT_TRUE(back->productID().isNull());
    EXPECT_TRUE(back->curFwVersion().isNull());
    EXPECT_FALSE(back->subCompFwVersions().isValid());
    EXPECT_FALSE(back->devRegCode().isValid());
    EXPECT_FALSE(back->devLangCode().isValid());
    EXPECT_EQ(back->batteryInfo(), nullptr);

    const auto battery = std::make_shared<HVBatteryInformation>();
    const auto batteryBack = roundTrip(battery);
    ASSERT_NE(batteryBack, nullptr);
    EXPECT_TRUE(batteryBack->hsProductTypeId().isNull());

    // Empty strings stay empty, not absent.
    device->setName("");
    EXPECT_FALSE(roundTrip(device)->name().isNull());
}

TEST(HVSoftphone, RoundTripDropsCpname) {
    const HVSoftphonePtr softphone = HVSoftphone::initSoftphone("Bria", -4);
    softphone->setCpname("CounterPath");
    const HVSoftphonePtr back = roundTrip(softphone);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->name(), "Bria");
    EXPECT_EQ(back->state(), -4);
    EXPECT_TRUE(back->cpname().isNull());
}

TEST(HVDevice, ListsOfRecordsAndSharedRecords) {
    QVariantList devices;
    for (int i = 0; i < 3; ++i) {
        devices.append(QVariant::fromValue(
            HVDevice::initDevice(QStringLiteral("Device %1").arg(i), "HV1001", quint64(i))));
    }
    const HVSoftphonePtr shared = HVSoftphone::initSoftphone("Skype", 1);
    devices.append(QVariant::fromValue(shared));
    devices.append(QVariant::fromValue(shared));
    const QVariant back = unarchiveObjectWithData(archivedDataWithRootObject(devices));
    ASSERT_EQ(back.typeId(), QMetaType::QVariantList);
    const QVariantList list = back.toList();
    ASSERT_EQ(list.size(), 5);
    for (int i = 0; i < 3; ++i) {
        const auto device = list.at(i).value<HVDevicePtr>();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->name(), QStringLiteral("Device %1").arg(i));
        EXPECT_EQ(device->lid(), quint64(i));
    }
    const auto first = list.at(3).value<HVSoftphonePtr>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, list.at(4).value<HVSoftphonePtr>());
}

TEST(HVDevice, DescriptionIsReadableAndStable) {
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", 7);
    device->setBatteryInfo(HVBatteryInformation::initBatteryInfoForTypeId("T1"));
    const QString text = platform::describe(QVariant::fromValue(device));
    EXPECT_TRUE(
        text.startsWith("<HVDevice> {\n    name = \"Zorva 5200\";\n    productID = HV2454;\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("    curFwVersion = (null);\n"));
    EXPECT_TRUE(text.contains(
        "    batteryInfo = <HVBatteryInformation> {\n        hsProductTypeId = T1;\n"))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("\n}"));
    EXPECT_EQ(text, platform::describe(QVariant::fromValue(device)));
    EXPECT_EQ(platform::describe(QVariant::fromValue(HVDevicePtr())), "(null)");
    EXPECT_EQ(
        platform::describe(QVariantList{QVariant::fromValue(HVSoftphone::initSoftphone("S", 1))}),
        "(\n    <HVSoftphone> {\n        name = S;\n        cpname = \"\";\n        state = 1;\n   "
        " }\n)");
}

namespace {

QVariant uid(quint64 n) {
    return QVariant::fromValue(platform::PlistUid{n});
}

// A device archive built by hand: object 1 is the device, 2 its class, then
// the given extra objects; fields map keys to values as stored.
QByteArray deviceArchive(const QVariantMap& fields, const QVariantList& extra = {}) {
    QVariantMap device = fields;
    device.insert("$class", uid(2));
    QVariantList objects{QStringLiteral("$null"), device,
                         QVariantMap{{"$classname", "HVDevice"},
                                     {"$classes", QVariantList{"HVDevice", "NSObject"}}}};
    objects += extra;
    const QVariantMap top{{"$archiver", "NSKeyedArchiver"},
                          {"$version", 100000},
                          {"$top", QVariantMap{{"root", uid(1)}}},
                          {"$objects", objects}};
    return platform::plist::toData(top, platform::plist::Format::Binary);
}

QByteArray fixture(const QString& name) {
    return testsupport::readFile(QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/") + name);
}

} // namespace

// Every record archive plistlib wrote (tests/data/keyed_archives/<name>.bplist and
// .xml, from make_keyed_archives.py) reads, in both forms, as the description kept
// beside it in <name>.described.
TEST(KeyedArchiveFixtures, EveryRecordArchiveReadsAsDescribed) {
    const QDir dir(QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives"));
    const QStringList described = dir.entryList({QStringLiteral("*.described")});
    ASSERT_EQ(described.size(), 3);
    for (const QString& file : described) {
        const QString expected = QString::fromUtf8(testsupport::readFile(dir.filePath(file)));
        for (const char* form : {".bplist", ".xml"}) {
            const QString name = file.chopped(int(qstrlen(".described"))) + QLatin1String(form);
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(platform::describe(unarchiveObjectWithData(fixture(name))), expected);
        }
    }
    // An object referenced twice is one record.
    const QVariantList softphones = unarchiveObjectWithData(fixture("softphones.bplist")).toList();
    ASSERT_EQ(softphones.size(), 3);
    EXPECT_EQ(softphones[2].value<HVSoftphonePtr>(), softphones[0].value<HVSoftphonePtr>());
}

TEST(HVDevice, WrongKindsUnderKnownKeysLeaveTheFieldAbsent) {
    testsupport::TraceCapture trace;
    const QByteArray bytes = deviceArchive({{"devnamekey", uid(3)},
                                            {"productId", "not a reference"},
                                            {"version", uid(4)},
                                            {"selectedRegionKey", uid(3)},
                                            {"locationID", "12"},
                                            {"devFwUpdateState", qint64(1) << 40},
                                            {"headsettype", 3},
                                            {"encodedBatteryInfo", uid(4)}},
                                           {qint64(5), "HV1"});
    const auto device = unarchiveObjectWithData(bytes).value<HVDevicePtr>();
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->name().isNull());
    EXPECT_TRUE(device->productID().isNull());
    EXPECT_EQ(device->curFwVersion(), "HV1");
    EXPECT_EQ(device->devRegCode(), QVariant(qint64(5)));
    EXPECT_EQ(device->lid(), 0u);
    EXPECT_EQ(device->devFwuState(), 0);
    EXPECT_EQ(device->headsetType(), 3);
    EXPECT_EQ(device->batteryInfo(), nullptr);
    EXPECT_TRUE(trace.text().contains("initWithCoder : HVDevice \"devnamekey\" is not a string"));
    EXPECT_TRUE(trace.text().contains("initWithCoder : HVDevice \"productId\" is not a reference"));
    EXPECT_TRUE(
        trace.text().contains("initWithCoder : HVDevice \"locationID\" is not a 64-bit integer"));
    EXPECT_TRUE(trace.text().contains(
        "initWithCoder : HVDevice \"devFwUpdateState\" is not a 32-bit integer"));
    EXPECT_TRUE(trace.text().contains(
        "initWithCoder : HVDevice \"encodedBatteryInfo\" is not a data object"));
}

TEST(HVDevice, BatteryArchiveThatIsNoBatteryLeavesTheBatteryAbsent) {
    testsupport::TraceCapture trace;
    // Missing key, empty data: no battery and nothing to report.
    auto device = unarchiveObjectWithData(deviceArchive({{"headsettype", 1}})).value<HVDevicePtr>();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->batteryInfo(), nullptr);
    device =
        unarchiveObjectWithData(deviceArchive({{"encodedBatteryInfo", uid(3)}}, {QByteArray("")}))
            .value<HVDevicePtr>();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->batteryInfo(), nullptr);
    EXPECT_EQ(trace.records().size(), 0);

    // Bytes that are no archive, and an archive of something else.
    for (const QByteArray& battery :
         {QByteArray("not an archive"), archivedDataWithRootObject(QStringLiteral("text")),
          archivedDataWithRootObject(QVariant::fromValue(HVDevice::initDevice("d", "p", 1)))}) {
        device = unarchiveObjectWithData(
                     deviceArchive({{"encodedBatteryInfo", uid(3)}, {"headsettype", 4}}, {battery}))
                     .value<HVDevicePtr>();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->headsetType(), 4);
        EXPECT_EQ(device->batteryInfo(), nullptr);
    }
    EXPECT_TRUE(trace.text().contains("unarchiveObjectWithData : data is not a property list"));
    EXPECT_EQ(
        trace.count("initWithCoder : HVDevice \"encodedBatteryInfo\" holds no battery record"), 2);
}

TEST(HVDevice, ArchivesNestedInBatteryDataStopAtAFixedDepth) {
    testsupport::TraceCapture trace;
    // Each level is a device whose battery data holds the next level's archive.
    QByteArray archive = deviceArchive({{"headsettype", 0}});
    for (int level = 1; level <= platform::kMaxNestedArchives + 4; ++level) {
        archive =
            deviceArchive({{"encodedBatteryInfo", uid(3)}, {"headsettype", level}}, {archive});
    }
    const auto device = unarchiveObjectWithData(archive).value<HVDevicePtr>();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->batteryInfo(), nullptr);
    EXPECT_EQ(trace.count(QStringLiteral("unarchiveObjectWithData : archives nested deeper than %1")
                              .arg(platform::kMaxNestedArchives)),
              1);
}

// n devices at every level, all holding the same battery data: the next
// level's archive of n devices. Each distinct archive is decoded once (n
// devices a level), not once for every device holding it (n^levels).
TEST(HVDevice, BatteryArchivesSharedByDevicesAreDecodedOnce) {
    constexpr int n = 3;
    const QByteArray archive = testsupport::nestedDeviceLists(n, platform::kMaxNestedArchives);
    testsupport::TraceCapture trace;
    const QVariantList devices = unarchiveObjectWithData(archive).toList();
    ASSERT_EQ(devices.size(), n);
    EXPECT_NE(devices.first().value<HVDevicePtr>(), nullptr);
    EXPECT_EQ(
        trace.count("initWithCoder : HVDevice \"encodedBatteryInfo\" holds no battery record"),
        n * (platform::kMaxNestedArchives - 1));
}
