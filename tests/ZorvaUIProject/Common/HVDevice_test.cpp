#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "support/HostileInputs.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::archivedDataWithRootObject;
using platform::unarchiveObjectWithData;
using testsupport::keyedArchive;
using testsupport::uid;

namespace {

template <class T>
std::shared_ptr<T> roundTrip(const std::shared_ptr<T>& record) {
    const QByteArray bytes = archivedDataWithRootObject(QVariant::fromValue(record));
    EXPECT_FALSE(bytes.isEmpty());
    return unarchiveObjectWithData(bytes).template value<std::shared_ptr<T>>();
}

template <class T>
QString described(const T& record) {
    return platform::describe(QVariant::fromValue(record));
}

// A device with every field set; `archived` leaves out what the archive does not keep.
HVDevicePtr fullDevice(quint64 lid, bool archived) {
    const HVDevicePtr device = HVDevice::initDevice("Zorva 5200", "HV2454", lid);
    if (!archived) {
        device->setSerialNumber("SN1");
        device->setReleaseNotesURL("https://example.com/notes");
    }
    device->setCurFwVersion("1.2.3");
    device->setSubCompFwVersions(QVariantList{"1.0", "2.0"});
    device->setFwXMLURL("file:///catalogue.xml");
    device->setDfuFileURL("https://example.com/fw.dfu");
    device->setDevFwuState(-1);
    device->setHeadsetType(7);
    auto battery = HVBatteryInformation::initBatteryInfoForTypeId("T1");
    battery->setIsCharging(true);
    battery->setIsBatteryLow(true);
    battery->setIsDECTDevice(!archived);
    battery->setHsBatteryPCT(55);
    device->setBatteryInfo(battery);
    return device;
}

// A device archive built by hand: object 1 is the device, 2 its class, then the
// given extra objects; fields map keys to values as stored.
QByteArray deviceArchive(QVariantMap fields, const QVariantList& extra = {}) {
    fields.insert("$class", uid(2));
    return keyedArchive(QVariantList{fields, testsupport::classNamed("HVDevice")} + extra);
}

QByteArray fixture(const QString& name) {
    return testsupport::readFile(QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/") + name);
}

} // namespace

TEST(HVDevice, RoundTripKeepsArchivedFieldsAndDropsTheOthers) {
    for (quint64 lid : {quint64(0), quint64(1) << 63, ~quint64(0), quint64(0x14200000)}) {
        const HVDevicePtr device = fullDevice(lid, false);
        const HVDevicePtr back = roundTrip(device);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(described(back), described(fullDevice(lid, true)));
        EXPECT_NE(back->batteryInfo(), device->batteryInfo());
    }
    const HVSoftphonePtr softphone = HVSoftphone::initSoftphone("Bria", -4);
    softphone->setCpname("CounterPath"); // not archived: back absent
    const HVSoftphonePtr phoneBack = roundTrip(softphone);
    softphone->setCpname(QString());
    EXPECT_EQ(described(phoneBack), described(softphone));

    // Absent fields come back absent, empty strings empty.
    const auto empty = std::make_shared<HVDevice>();
    EXPECT_EQ(described(roundTrip(empty)), described(empty));
    EXPECT_TRUE(roundTrip(std::make_shared<HVBatteryInformation>())->hsProductTypeId().isNull());
    empty->setName("");
    EXPECT_FALSE(roundTrip(empty)->name().isNull());
}

// Every record archive plistlib wrote (tests/data/keyed_archives/<name>.bplist and
// .xml, from make_keyed_archives.py) reads, in both forms, as the description kept
// beside it in <name>.described.
TEST(KeyedArchiveFixtures, EveryRecordArchiveReadsAsDescribed) {
    const QDir dir(QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives"));
    const QStringList descriptions = dir.entryList({QStringLiteral("*.described")});
    ASSERT_EQ(descriptions.size(), 3);
    for (const QString& file : descriptions) {
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
    EXPECT_EQ(described(HVDevicePtr()), "(null)");
    // A new softphone's company name is empty, not absent, and described quoted.
    EXPECT_EQ(
        platform::describe(QVariantList{QVariant::fromValue(HVSoftphone::initSoftphone("S", 1))}),
        "(\n    <HVSoftphone> {\n        name = S;\n        cpname = \"\";\n        state = 1;\n   "
        " }\n)");
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
    // One line for each of the five wrong kinds.
    EXPECT_EQ(trace.records().filter("initWithCoder : HVDevice \"").size(), 5);
}

TEST(HVDevice, BatteryDataThatIsNoBatteryOrNestedTooDeepLeavesTheBatteryAbsent) {
    testsupport::TraceCapture trace;
    // A missing key and empty data, with nothing to report; then bytes that are no
    // archive, and archives of something else.
    const std::optional<QByteArray> batteries[] = {
        std::nullopt, QByteArray(""), QByteArray("not an archive"),
        archivedDataWithRootObject(QStringLiteral("text")),
        archivedDataWithRootObject(QVariant::fromValue(HVDevice::initDevice("d", "p", 1)))};
    for (const auto& battery : batteries) {
        const auto device =
            unarchiveObjectWithData(
                battery ? deviceArchive({{"encodedBatteryInfo", uid(3)}, {"headsettype", 4}},
                                        {*battery})
                        : deviceArchive({{"headsettype", 4}}))
                .value<HVDevicePtr>();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->headsetType(), 4);
        EXPECT_EQ(device->batteryInfo(), nullptr);
        if (&battery == &batteries[1]) {
            EXPECT_EQ(trace.records().size(), 0);
        }
    }
    EXPECT_TRUE(trace.text().contains("unarchiveObjectWithData : data is not a property list"));
    EXPECT_EQ(
        trace.count("initWithCoder : HVDevice \"encodedBatteryInfo\" holds no battery record"), 2);

    // Devices whose battery data holds the next level's archive stop at a fixed depth.
    QByteArray archive = deviceArchive({{"headsettype", 0}});
    for (int level = 1; level <= platform::kMaxNestedArchives + 4; ++level) {
        archive =
            deviceArchive({{"encodedBatteryInfo", uid(3)}, {"headsettype", level}}, {archive});
    }
    ASSERT_NE(unarchiveObjectWithData(archive).value<HVDevicePtr>(), nullptr);
    EXPECT_EQ(trace.count(QStringLiteral("unarchiveObjectWithData : archives nested deeper than %1")
                              .arg(platform::kMaxNestedArchives)),
              1);
}
