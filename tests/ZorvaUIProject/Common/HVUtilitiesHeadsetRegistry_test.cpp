#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDateTime>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

constexpr quint64 kLocationA = 0x14100000;
constexpr quint64 kLocationB = 0xfa12000000000001ULL; // above the signed range
const QString kSerialA = QStringLiteral("TARVIK00000A");
const QString kSerialB = QStringLiteral("TARVIK00000B");
const QString kHeadset1 = QStringLiteral("HEADSET0001");
const QString kHeadset2 = QStringLiteral("HEADSET0002");

class HeadsetRegistry : public ::testing::Test {
protected:
    void SetUp() override { writePreferences(otherKeys()); }

    static QVariantMap otherKeys() {
        return {{"pListVersion", "1.2"}, {"ShowBatteryStatus", "TRUE"}, {"prefPaneTabIndex", 3}};
    }
    QString path() const { return HVUtilities::userPreferencePath(); }
    void writePreferences(const QVariantMap& values) {
        ASSERT_TRUE(testsupport::writeFile(
            path(), platform::plist::toData(values, platform::plist::Format::Xml)));
    }
    QVariantMap preferences() const { return platform::plist::readDictionary(path()).value(); }
    QVariantList records() const { return preferences().value("TarvikData").toList(); }
    QVariantMap record(qsizetype i) const { return records().value(i).toMap(); }
    QVariantMap headset(qsizetype dongle, qsizetype i) const {
        return record(dongle).value("HeadsetData").toList().value(i).toMap();
    }
    void expectOtherKeysKept() const {
        QVariantMap now = preferences();
        now.remove("TarvikData");
        EXPECT_EQ(now, otherKeys());
    }

    testsupport::ScopedSandbox m_sandbox;
    testsupport::TraceCapture m_trace; // the registry's trace on, as it runs
};

} // namespace

TEST_F(HeadsetRegistry, DonglesAreRecordedAndFollowedBySerialNumber) {
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationA, kSerialA, 0);
    ASSERT_EQ(records().size(), 1);
    EXPECT_EQ(record(0), (QVariantMap{{"DeviceName", "Tarvik"},
                                      {"ProductID", "HV0341"},
                                      {"LocationID", qint64(kLocationA)},
                                      {"SerialNo", kSerialA}}));
    expectOtherKeysKept();

    // Plugged in elsewhere, with a new product identifier: the same record follows.
    HVUtilities::updateTarvikInfo("Renamed", "HV0342", kLocationB, kSerialA, 0);
    ASSERT_EQ(records().size(), 1);
    EXPECT_EQ(record(0).value("LocationID").toULongLong(), kLocationB);
    EXPECT_EQ(record(0).value("ProductID"), "HV0342");
    EXPECT_EQ(record(0).value("DeviceName"), "Tarvik");
    EXPECT_EQ(HVUtilities::getTarvikSrNumber(kLocationB), kSerialA);
    EXPECT_TRUE(HVUtilities::getTarvikSrNumber(kLocationA).isNull());
    EXPECT_TRUE(HVUtilities::isItTheSameTarvik(kSerialA));
    EXPECT_FALSE(HVUtilities::isItTheSameTarvik(kSerialB));
    EXPECT_FALSE(HVUtilities::isItTheSameTarvik(QString()));

    // Unplugged from a location no record holds, or an unknown state: rewritten as is.
    const QVariantMap before = preferences();
    HVUtilities::updateTarvikInfo("Tarvik", "HV0342", kLocationA, kSerialA, 1);
    HVUtilities::updateTarvikInfo("Tarvik", "HV9999", kLocationA, kSerialA, 2);
    EXPECT_EQ(preferences(), before);

    HVUtilities::updateTarvikInfo("Tarvik", "HV0342", kLocationB, kSerialA, 1);
    EXPECT_EQ(record(0).value("LocationID").toULongLong(), 0u);
    // Nothing sits at location 0, even though unplugged dongles are kept there.
    EXPECT_TRUE(HVUtilities::getTarvikSrNumber(0).isNull());
    expectOtherKeysKept();

    // Unusable serial numbers are refused without touching the file; eleven characters
    // are enough.
    HVUtilities::updateTarvikInfo("Tarvik", "HV0342", kLocationA, kSerialA, 0);
    const QByteArray file = testsupport::readFile(path());
    for (const QString& serial : {QStringLiteral("0123456789"), QStringLiteral("Zorva000000001"),
                                  QStringLiteral("ABCZorvaXYZ"), QString()}) {
        HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationB, serial, 0);
        HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationA, serial, 0);
    }
    EXPECT_EQ(testsupport::readFile(path()), file);
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationB, "01234567890", 0);
    EXPECT_EQ(records().size(), 2);
}

TEST_F(HeadsetRegistry, HeadsetsConnectAndDisconnectThroughTheirDongle) {
    // No dongle known yet: the headset is not recorded and the file not written.
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationA, kHeadset1, 0);
    EXPECT_FALSE(preferences().contains("TarvikData"));

    HVUtilities::updateTarvikInfo("Tarvik A", "HV0341", kLocationA, kSerialA, 0);
    HVUtilities::updateTarvikInfo("Tarvik B", "HV0341", kLocationB, kSerialB, 0);
    const double start = static_cast<double>(QDateTime::currentSecsSinceEpoch()) - 1;
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationB, kHeadset1, 0);
    HVUtilities::updateHeadsetInfo("Other", "HV0949", kLocationB, kHeadset2, 0);
    EXPECT_FALSE(record(0).contains("HeadsetData"));
    ASSERT_EQ(record(1).value("HeadsetData").toList().size(), 2);
    QVariantMap first = headset(1, 0);
    EXPECT_EQ(first.value("Timestamp").typeId(), QMetaType::Double);
    EXPECT_GE(first.take("Timestamp").toDouble(), start);
    EXPECT_EQ(first, (QVariantMap{{"DeviceName", "Headset"},
                                  {"ProductID", "HV0420"},
                                  {"LocationID", qint64(kLocationB)},
                                  {"SerialNo", kHeadset1},
                                  {"ConnectedState", "CONNECTED"}}));

    // Disconnection needs product identifier and serial number to match.
    HVUtilities::updateHeadsetInfo("Headset", "HV0949", kLocationB, kHeadset1, 1);
    EXPECT_EQ(headset(1, 0).value("ConnectedState"), "CONNECTED");
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationB, kHeadset1, 1);
    EXPECT_EQ(headset(1, 0).value("ConnectedState"), "DISCONNECTED");
    EXPECT_EQ(headset(1, 1).value("ConnectedState"), "CONNECTED");
    // Connecting again refreshes the record instead of adding one.
    HVUtilities::updateHeadsetInfo("Renamed", "HV0420", kLocationB, kHeadset1, 0);
    ASSERT_EQ(record(1).value("HeadsetData").toList().size(), 2);
    EXPECT_EQ(headset(1, 0).value("ConnectedState"), "CONNECTED");
    EXPECT_EQ(headset(1, 0).value("DeviceName"), "Headset");
    EXPECT_GE(headset(1, 0).value("Timestamp").toDouble(), start);

    // Through a location no dongle holds, the headset is kept nowhere.
    const QVariantMap before = preferences();
    HVUtilities::updateHeadsetInfo("Stray", "HV0420", 0x999, "HEADSET0003", 0);
    HVUtilities::updateHeadsetInfo("Stray", "HV0420", 0, "HEADSET0003", 0);
    EXPECT_EQ(preferences(), before);

    const QVariant listed = HVUtilities::getHeadsetInfo("HV0341", 0, kSerialB);
    ASSERT_EQ(listed.typeId(), QMetaType::QVariantList);
    EXPECT_EQ(listed.toList().size(), 2);
    EXPECT_FALSE(HVUtilities::getHeadsetInfo("HV0341", 0, kSerialA).isValid());
    EXPECT_FALSE(HVUtilities::getHeadsetInfo("HV0341", 0, "UNKNOWN0000").isValid());

    // Unplugging the dongle marks every headset of it as disconnected.
    HVUtilities::updateTarvikInfo("Tarvik B", "HV0341", kLocationB, kSerialB, 1);
    EXPECT_EQ(record(1).value("LocationID").toULongLong(), 0u);
    EXPECT_EQ(headset(1, 0).value("ConnectedState"), "DISCONNECTED");
    EXPECT_EQ(headset(1, 1).value("ConnectedState"), "DISCONNECTED");
    expectOtherKeysKept();
}

TEST_F(HeadsetRegistry, ClearingForgetsHeadsetsOrEveryDongle) {
    HVUtilities::clearTarvikInfo({}, {}, 0, kSerialA);
    EXPECT_FALSE(preferences().contains("TarvikData"));
    HVUtilities::updateTarvikInfo("Tarvik A", "HV0341", kLocationA, kSerialA, 0);
    HVUtilities::updateTarvikInfo("Tarvik B", "HV0341", kLocationB, kSerialB, 0);
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationA, kHeadset1, 0);
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationB, kHeadset2, 0);

    HVUtilities::clearTarvikInfo({}, {}, 0, kSerialA);
    ASSERT_TRUE(record(0).contains("HeadsetData"));
    EXPECT_TRUE(record(0).value("HeadsetData").toList().isEmpty());
    EXPECT_EQ(record(1).value("HeadsetData").toList().size(), 1);
    EXPECT_FALSE(HVUtilities::getHeadsetInfo({}, 0, kSerialA).isValid());

    // An unknown serial number clears nothing.
    const QByteArray before = testsupport::readFile(path());
    HVUtilities::clearTarvikData({}, {}, 0, "UNKNOWN0000");
    EXPECT_EQ(testsupport::readFile(path()), before);

    HVUtilities::clearTarvikData({}, {}, 0, kSerialB);
    ASSERT_TRUE(preferences().contains("TarvikData"));
    EXPECT_TRUE(records().isEmpty());
    EXPECT_FALSE(HVUtilities::isItTheSameTarvik(kSerialA));
    expectOtherKeysKept();
}

TEST_F(HeadsetRegistry, BadContentIsNeverMatchedAndNothingElseIsLost) {
    // "TarvikData" of the wrong type: queries answer nothing.
    QVariantMap prefs = otherKeys();
    prefs.insert("TarvikData", "not a list");
    writePreferences(prefs);
    EXPECT_FALSE(HVUtilities::isItTheSameTarvik(kSerialA));
    EXPECT_TRUE(HVUtilities::getTarvikSrNumber(kLocationA).isNull());
    EXPECT_FALSE(HVUtilities::getHeadsetInfo({}, 0, kSerialA).isValid());
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationA, kHeadset1, 0);
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationA, kSerialA, 1);
    EXPECT_EQ(preferences(), prefs);
    // A dongle that connects starts a fresh registry.
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationA, kSerialA, 0);
    ASSERT_EQ(records().size(), 1);
    EXPECT_EQ(record(0).value("SerialNo"), kSerialA);
    expectOtherKeysKept();

    // Records without the keys they need, or of the wrong kind, are never matched and
    // are written back as they were.
    const QVariantList odd = {
        "a string",
        QVariantMap{{"DeviceName", "no serial"}, {"LocationID", qint64(kLocationA)}},
        QVariantMap{{"SerialNo", kSerialB}, {"LocationID", "14100000"}},
        QVariantMap{{"SerialNo", kSerialA},
                    {"LocationID", qint64(kLocationA)},
                    {"HeadsetData", "not a list"}},
    };
    prefs = otherKeys();
    prefs.insert("TarvikData", odd);
    writePreferences(prefs);
    EXPECT_FALSE(HVUtilities::getHeadsetInfo({}, 0, kSerialA).isValid());
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationA, kSerialA, 1);
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationA, kHeadset1, 1);
    QVariantList expected = odd;
    QVariantMap last = odd.at(3).toMap();
    last.insert("LocationID", qint64(0));
    expected[3] = last;
    EXPECT_EQ(records(), expected);
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationB, kSerialB, 0);
    EXPECT_EQ(records().size(), 5); // the malformed record of B's serial is not it
    expectOtherKeysKept();
}

TEST_F(HeadsetRegistry, AnUnreadablePreferenceFileIsNeverOverwritten) {
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationA, kSerialA, 0);
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationA, kHeadset1, 0);
    const QByteArray whole = testsupport::readFile(path());
    const QByteArray truncated = whole.left(whole.size() / 2);
    ASSERT_TRUE(testsupport::writeFile(path(), truncated));

    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationB, kSerialB, 0);
    HVUtilities::updateHeadsetInfo("Headset", "HV0420", kLocationA, kHeadset2, 0);
    HVUtilities::clearTarvikInfo({}, {}, 0, kSerialA);
    HVUtilities::clearTarvikData({}, {}, 0, kSerialA);
    EXPECT_FALSE(HVUtilities::isItTheSameTarvik(kSerialA));
    EXPECT_TRUE(HVUtilities::getTarvikSrNumber(kLocationA).isNull());
    EXPECT_FALSE(HVUtilities::getHeadsetInfo({}, 0, kSerialA).isValid());
    EXPECT_EQ(testsupport::readFile(path()), truncated);

    // Without a preference file or a template there is nothing to read or write.
    QFile::remove(path());
    HVUtilities::updateTarvikInfo("Tarvik", "HV0341", kLocationB, kSerialB, 0);
    EXPECT_FALSE(QFileInfo::exists(path()));
    EXPECT_FALSE(HVUtilities::isItTheSameTarvik(kSerialB));
}
