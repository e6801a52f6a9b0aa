#include "Platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QVariantMap sampleDictionary() {
    QVariantMap inner{{QStringLiteral("n"), qint64(-5)}, {QStringLiteral("big"), quint64(~0ULL)}};
    return {
        {QStringLiteral("string"), QStringLiteral("héllo \"x\"")},
        {QStringLiteral("int"), qint64(42)},
        {QStringLiteral("real"), 2.5},
        {QStringLiteral("flag"), true},
        {QStringLiteral("data"), QByteArray("\x00\x01\xff", 3)},
        {QStringLiteral("date"), QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), QTimeZone::utc())},
        {QStringLiteral("array"), QVariantList{QStringLiteral("a"), qint64(1)}},
        {QStringLiteral("dict"), inner}};
}

} // namespace

TEST(PropertyList, RoundTripsEveryTypeInBothForms) {
    for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
        const QVariantMap original = sampleDictionary();
        const QByteArray bytes = plist::toData(original, format);
        ASSERT_FALSE(bytes.isEmpty());
        const QVariant back = plist::fromData(bytes);
        ASSERT_EQ(back.typeId(), QMetaType::QVariantMap);
        const QVariantMap map = back.toMap();
        EXPECT_EQ(map.value("string").toString(), QStringLiteral("héllo \"x\""));
        EXPECT_EQ(map.value("int").toLongLong(), 42);
        EXPECT_DOUBLE_EQ(map.value("real").toDouble(), 2.5);
        EXPECT_EQ(map.value("flag").typeId(), QMetaType::Bool);
        EXPECT_TRUE(map.value("flag").toBool());
        EXPECT_EQ(map.value("data").toByteArray(), QByteArray("\x00\x01\xff", 3));
        EXPECT_EQ(map.value("date").toDateTime(), original.value("date").toDateTime());
        EXPECT_EQ(map.value("array").toList().size(), 2);
        const QVariantMap inner = map.value("dict").toMap();
        EXPECT_EQ(inner.value("n").toLongLong(), -5);
        // The bits of a 64-bit value survive whatever sign the reader gives them.
        EXPECT_EQ(inner.value("big").toULongLong(), ~0ULL);
    }
}

TEST(PropertyList, UidsSurviveBinaryForm) {
    const QVariantMap original{{QStringLiteral("root"), QVariant::fromValue(PlistUid{7})}};
    const QVariant back = plist::fromData(plist::toData(original, plist::Format::Binary));
    ASSERT_EQ(back.toMap().value("root").typeId(), qMetaTypeId<PlistUid>());
    EXPECT_EQ(back.toMap().value("root").value<PlistUid>().value, 7u);
}

TEST(PropertyList, MalformedInputReadsAsNothing) {
    const QByteArray good = plist::toData(sampleDictionary(), plist::Format::Binary);
    const QByteArray xml = plist::toData(sampleDictionary(), plist::Format::Xml);
    const QList<QByteArray> bad = {
        QByteArray(),
        QByteArray("garbage that is not a property list"),
        QByteArray("bplist00"),
        good.left(good.size() / 2),
        good.left(good.size() - 3),
        xml.left(xml.size() / 2),
        QByteArray(4096, '\xff'),
    };
    for (const QByteArray& bytes : bad) {
        const QVariant v = plist::fromData(bytes);
        EXPECT_NE(v.typeId(), QMetaType::QVariantMap) << bytes.left(40).toHex().constData();
    }
}

TEST(PropertyList, DictionaryFilesAreReplacedAtomically) {
    testsupport::ScopedSandbox sandbox;
    const QString path = sandbox.home("prefs.plist");
    ASSERT_TRUE(plist::writeFile(path, sampleDictionary()));
    auto read = plist::readDictionary(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->value("int").toLongLong(), 42);
    EXPECT_TRUE(testsupport::readFile(path).startsWith("<?xml"));

    // A value with no property-list form leaves the old file as it was.
    const QByteArray before = testsupport::readFile(path);
    EXPECT_FALSE(plist::writeFile(path, QVariantMap{{"x", QVariant::fromValue(QObjectList{})}}));
    EXPECT_EQ(testsupport::readFile(path), before);

    // A root that is not a dictionary, a missing file and a folder read as nothing.
    ASSERT_TRUE(plist::writeFile(sandbox.home("array.plist"), QVariantList{1, 2}));
    EXPECT_FALSE(plist::readDictionary(sandbox.home("array.plist")).has_value());
    EXPECT_FALSE(plist::readDictionary(sandbox.home("missing.plist")).has_value());
    EXPECT_FALSE(plist::readDictionary(sandbox.home()).has_value());
}

TEST(PropertyList, DeepNestingIsRefused) {
    QVariant v = QVariantList{};
    for (int i = 0; i < plist::kMaxDepth + 5; ++i) {
        v = QVariantList{v};
    }
    EXPECT_TRUE(plist::toData(v, plist::Format::Binary).isEmpty());
}
