#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/archive/KeyedArchive.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "support/HostileInputs.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>

using platform::plist::BinaryPropertyListReader;

namespace {

// Equality of read values, with NaN equal to itself (damaged reals may be NaN).
bool same(const QVariant& a, const QVariant& b) {
    if (a.typeId() != b.typeId()) {
        return false;
    }
    if (a.typeId() == QMetaType::Double) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    if (a.typeId() == QMetaType::QVariantList) {
        const QVariantList l = a.toList();
        const QVariantList r = b.toList();
        if (l.size() != r.size()) {
            return false;
        }
        for (qsizetype i = 0; i < l.size(); ++i) {
            if (!same(l[i], r[i])) {
                return false;
            }
        }
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap) {
        const QVariantMap l = a.toMap();
        const QVariantMap r = b.toMap();
        if (l.keys() != r.keys()) {
            return false;
        }
        for (auto it = l.cbegin(); it != l.cend(); ++it) {
            if (!same(it.value(), r.value(it.key()))) {
                return false;
            }
        }
        return true;
    }
    return a == b;
}

QVariant readDirect(const QByteArray& bytes) {
    return BinaryPropertyListReader(bytes).toVariant();
}

// The direct reading of damaged bytes must be a refusal or what libplist reads.
void expectRefusedOrAsLibplist(const QByteArray& bytes, const QString& what) {
    const QVariant direct = readDirect(bytes);
    if (direct.isValid()) {
        EXPECT_TRUE(same(direct, testsupport::libplistReading(bytes))) << what.toStdString();
    }
    // The archive reader on the same bytes must return, whatever it returns.
    (void)platform::unarchiveObjectWithData(bytes);
}

QByteArray smallArchive() {
    auto battery = HVBatteryInformation::initBatteryInfoForTypeId(QStringLiteral("HS-7"));
    battery->setHsBatteryPCT(42);
    return platform::archivedDataWithRootObject(
        QVariantList{QVariant::fromValue(battery), QStringLiteral("Zorva é"), 3.5, true});
}

QByteArray withByte(QByteArray bytes, qsizetype at, char value) {
    bytes[at] = value;
    return bytes;
}

} // namespace

TEST(BinaryPropertyListReader, ReadsWhatLibplistReads) {
    // The committed fixtures.
    const QDir fixtures(QStringLiteral(ZORVA_TEST_DATA_DIR "/keyed_archives"));
    const QStringList names = fixtures.entryList({QStringLiteral("*.bplist")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        const QByteArray bytes = testsupport::readFile(fixtures.filePath(name));
        const QVariant direct = readDirect(bytes);
        ASSERT_TRUE(direct.isValid()) << name.toStdString();
        EXPECT_TRUE(same(direct, testsupport::libplistReading(bytes))) << name.toStdString();
    }

    // What the archive writer produces.
    const HVDevicePtr device = HVDevice::initDevice(QStringLiteral("Zorva Quillo"),
                                                    QStringLiteral("HV2454"), 0x14200000ULL);
    device->setBatteryInfo(HVBatteryInformation::initBatteryInfoForTypeId(QStringLiteral("HS-77")));
    const QByteArray archive = platform::archivedDataWithRootObject(QVariant::fromValue(device));
    ASSERT_TRUE(readDirect(archive).isValid());
    EXPECT_TRUE(same(readDirect(archive), testsupport::libplistReading(archive)));

    // Every kind of value libplist writes, UTF-16 text and wide integers included.
    const QVariantMap values{
        {QStringLiteral("text"), QStringLiteral("plain")},
        {QStringLiteral("unicode"), QStringLiteral("Zorva \u00e9\u4e2d \U0001F3A7")},
        {QStringLiteral("empty"), QString(QLatin1String(""))},
        {QStringLiteral("small"), 7},
        {QStringLiteral("negative"), qint64(-5)},
        {QStringLiteral("wide"), qint64(1) << 40},
        {QStringLiteral("huge"), quint64(0xF000000000000000ULL)},
        {QStringLiteral("real"), 2.25},
        {QStringLiteral("flags"), QVariantList{true, false}},
        {QStringLiteral("data"), QByteArray("\x00\x01\xff", 3)},
        {QStringLiteral("date"), QDateTime::fromMSecsSinceEpoch(1700000000123, QTimeZone::utc())},
        {QStringLiteral("uid"), QVariant::fromValue(platform::PlistUid{300})},
        {QStringLiteral("nested"), QVariantMap{{QStringLiteral("list"), QVariantList{1, 2}}}},
    };
    const QByteArray bytes = platform::plist::toData(values, platform::plist::Format::Binary);
    const QVariant direct = readDirect(bytes);
    ASSERT_TRUE(direct.isValid());
    EXPECT_TRUE(same(direct, testsupport::libplistReading(bytes)));
    EXPECT_EQ(direct.toMap().value(QStringLiteral("unicode")).toString(),
              QStringLiteral("Zorva \u00e9\u4e2d \U0001F3A7"));
    EXPECT_EQ(direct.toMap().value(QStringLiteral("huge")).typeId(), QMetaType::ULongLong);
}

TEST(BinaryPropertyListReader, DamagedArchivesAreRefusedOrReadAsLibplistReadsThem) {
    const QByteArray archive = smallArchive();
    ASSERT_TRUE(readDirect(archive).isValid());
    for (qsizetype n = 0; n < archive.size(); ++n) {
        expectRefusedOrAsLibplist(archive.left(n), QStringLiteral("truncated to %1").arg(n));
        EXPECT_FALSE(readDirect(archive.left(n)).isValid()) << n;
    }
    for (qsizetype at = 0; at < archive.size(); ++at) {
        for (int value = 0; value < 256; ++value) {
            if (static_cast<char>(value) != archive[at]) {
                expectRefusedOrAsLibplist(withByte(archive, at, static_cast<char>(value)),
                                          QStringLiteral("byte %1 set to %2").arg(at).arg(value));
            }
        }
    }
}

TEST(BinaryPropertyListReader, RefusesHostileStructures) {
    // One array holding itself (object 0 refers to object 0).
    const auto list = [](const QByteArray& objects, QByteArray offsets, char offsetSize,
                         char refSize, quint64 count, quint64 top) {
        QByteArray bytes = QByteArray("bplist00") + objects;
        const auto table = static_cast<quint64>(bytes.size());
        bytes += offsets;
        QByteArray trailer(32, '\0');
        trailer[6] = offsetSize;
        trailer[7] = refSize;
        for (int i = 0; i < 8; ++i) {
            trailer[8 + i] = static_cast<char>(count >> (56 - 8 * i));
            trailer[16 + i] = static_cast<char>(top >> (56 - 8 * i));
            trailer[24 + i] = static_cast<char>(table >> (56 - 8 * i));
        }
        return bytes + trailer;
    };
    EXPECT_FALSE(
        readDirect(list(QByteArray("\xa1\x00", 2), QByteArray("\x08", 1), 1, 1, 1, 0)).isValid());
    // A well-formed one-element array reads, so the refusals below are the point.
    const QByteArray good =
        list(QByteArray("\xa1\x01\x10\x05", 4), QByteArray("\x08\x0a", 2), 1, 1, 2, 0);
    EXPECT_EQ(readDirect(good), QVariant(QVariantList{qint64(5)}));
    // Reference out of range, object count beyond the data, bad sizes in the trailer.
    EXPECT_FALSE(
        readDirect(list(QByteArray("\xa1\x07\x10\x05", 4), QByteArray("\x08\x0a", 2), 1, 1, 2, 0))
            .isValid());
    EXPECT_FALSE(readDirect(list(QByteArray("\xa1\x01\x10\x05", 4), QByteArray("\x08\x0a", 2), 1, 1,
                                 1000, 0))
                     .isValid());
    EXPECT_FALSE(
        readDirect(list(QByteArray("\xa1\x01\x10\x05", 4), QByteArray("\x08\x0a", 2), 0, 1, 2, 0))
            .isValid());
    EXPECT_FALSE(
        readDirect(list(QByteArray("\xa1\x01\x10\x05", 4), QByteArray("\x08\x0a", 2), 1, 9, 2, 0))
            .isValid());
    // Integer of 32 bytes; a 16-byte integer keeps its low 8 bytes.
    EXPECT_FALSE(readDirect(list(QByteArray("\x15", 1) + QByteArray(32, '\1'),
                                 QByteArray("\x08", 1), 1, 1, 1, 0))
                     .isValid());
    EXPECT_EQ(readDirect(list(QByteArray("\x14", 1) + QByteArray(15, '\0') + '\x09',
                              QByteArray("\x08", 1), 1, 1, 1, 0)),
              QVariant(qint64(9)));
    // A data length that overflows when added to its offset.
    EXPECT_FALSE(readDirect(list(QByteArray("\x4f\x13\xff\xff\xff\xff\xff\xff\xff\xf0", 10),
                                 QByteArray("\x08", 1), 1, 1, 1, 0))
                     .isValid());
    // Nesting one level deeper than allowed, then exactly as deep as allowed.
    const auto nested = [&](int levels) {
        QByteArray objects;
        QByteArray offsets;
        for (int i = 0; i < levels; ++i) {
            offsets += static_cast<char>((8 + objects.size()) >> 8);
            offsets += static_cast<char>((8 + objects.size()) & 0xff);
            objects += '\xa1';
            objects += static_cast<char>((i + 1) >> 8);
            objects += static_cast<char>((i + 1) & 0xff);
        }
        offsets += static_cast<char>((8 + objects.size()) >> 8);
        offsets += static_cast<char>((8 + objects.size()) & 0xff);
        objects += '\x09';
        return list(objects, offsets, 2, 2, static_cast<quint64>(levels) + 1, 0);
    };
    EXPECT_TRUE(readDirect(nested(platform::plist::kMaxDepth)).isValid());
    EXPECT_FALSE(readDirect(nested(platform::plist::kMaxDepth + 1)).isValid());
}
