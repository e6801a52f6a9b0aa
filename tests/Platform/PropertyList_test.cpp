#include "Platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// Every kind of value, in the types reading gives back.
QVariantMap sampleDictionary() {
    return {{"string", QStringLiteral("héllo \"x\"")},
            {"int", qint64(42)},
            {"real", 2.5},
            {"flag", true},
            {"data", QByteArray("\x00\x01\xff", 3)},
            {"date", QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), QTimeZone::utc())},
            {"array", QVariantList{"a", qint64(1)}},
            {"dict", QVariantMap{{"n", qint64(-5)}, {"big", quint64(~0ULL)}}}};
}

} // namespace

TEST(PropertyList, RoundTripsEveryTypeInBothForms) {
    for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
        EXPECT_EQ(plist::fromData(plist::toData(sampleDictionary(), format)),
                  QVariant(sampleDictionary()));
    }
    // Smaller integer types are written as integers too.
    EXPECT_EQ(plist::fromData(plist::toData(QVariantList{short(-3), uint(7)}, plist::Format::Xml)),
              QVariant(QVariantList{qint64(-3), qint64(7)}));
    const QVariantMap uids{{"root", QVariant::fromValue(PlistUid{7})}};
    EXPECT_EQ(plist::fromData(plist::toData(uids, plist::Format::Binary)), QVariant(uids));
    // Nesting deeper than the limit has no form.
    QVariant deep = QVariantList{};
    for (int i = 0; i < plist::kMaxDepth + 5; ++i) {
        deep = QVariantList{deep};
    }
    EXPECT_TRUE(plist::toData(deep, plist::Format::Binary).isEmpty());
}

TEST(PropertyList, DictionaryFilesAreReplacedAtomically) {
    testsupport::ScopedSandbox sandbox;
    const QString path = sandbox.home("prefs.plist");
    ASSERT_TRUE(plist::writeFile(path, sampleDictionary()));
    EXPECT_EQ(plist::readDictionary(path), sampleDictionary());
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
