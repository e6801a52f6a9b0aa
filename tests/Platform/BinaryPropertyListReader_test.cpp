#include "Platform/archive/KeyedArchive.h"
#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "support/HostileInputs.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDateTime>
#include <QDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using platform::plist::BinaryPropertyListReader;

namespace {

QVariant readDirect(const QByteArray& bytes) {
    return BinaryPropertyListReader(bytes).toVariant();
}

const QString kFixtures = QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives/");

std::vector<std::string> fixtureNames() {
    std::vector<std::string> names;
    for (const QString& name : QDir(kFixtures).entryList({"*.bplist", "*.xml"}, QDir::Files)) {
        names.push_back(name.toStdString());
    }
    return names;
}

} // namespace

// The archives plistlib wrote: read as libplist reads them, and decoded.
class PlistlibFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(PlistlibFixture, ReadsAsLibplistAndDecodes) {
    const QString name = QString::fromStdString(GetParam());
    const QByteArray bytes = testsupport::readFile(kFixtures + name);
    const QVariant read = platform::plist::fromData(bytes);
    ASSERT_TRUE(read.isValid());
    EXPECT_EQ(read, testsupport::libplistReading(bytes));
    if (name.endsWith(".bplist")) {
        EXPECT_EQ(readDirect(bytes), read);
    }
    const QVariant decoded = platform::unarchiveObjectWithData(bytes);
    ASSERT_TRUE(decoded.isValid());
    if (name.startsWith("standard_values.")) {
        // clang-format off
        const QVariantMap expected{
            {"string", QStringLiteral("héllo")}, {"integer", qint64(-42)}, {"big", qint64(1) << 40},
            {"real", 2.5}, {"yes", true}, {"data", QByteArray("\x00\xff", 2)}, {"nothing", QVariant()},
            {"date", QDateTime(QDate(2021, 1, 1), QTime(0, 0, 0, 500), QTimeZone::utc())},
            {"mutableString", "mutable"}, {"mutableData", QByteArray("\x01\x02")},
            {"array", QVariantList{"a", qint64(1)}}, {"nested", QVariantMap{{"k", "v"}}}};
        // clang-format on
        EXPECT_EQ(decoded, QVariant(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(KeyedArchives, PlistlibFixture, ::testing::ValuesIn(fixtureNames()));

// Every cut of an archive is refused, with one trace line each. (Damage within
// the bytes is the binary-reader and keyed-archive fuzz targets' work.)
TEST(BinaryPropertyListReader, CutArchivesAreRefusedWithOneTraceLineEach) {
    auto battery = HVBatteryInformation::initBatteryInfoForTypeId(QStringLiteral("HS-7"));
    battery->setHsBatteryPCT(42);
    const QByteArray archive = platform::archivedDataWithRootObject(
        QVariantList{QVariant::fromValue(battery), QStringLiteral("Zorva é"), 3.5, true});
    ASSERT_TRUE(readDirect(archive).isValid());
    testsupport::TraceCapture trace;
    for (qsizetype n = 1; n < archive.size(); ++n) {
        EXPECT_FALSE(readDirect(archive.left(n)).isValid()) << n;
        EXPECT_FALSE(platform::unarchiveObjectWithData(archive.left(n)).isValid()) << n;
    }
    EXPECT_EQ(trace.records().size(), archive.size() - 1);
    EXPECT_EQ(trace.count("unarchiveObjectWithData : data is not a property list or nests "
                          "deeper than 256 (10 bytes)"),
              1);
}
