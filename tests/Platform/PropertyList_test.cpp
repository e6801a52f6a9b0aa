#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListXml.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// Every kind of value, in the types reading gives back.
QVariantMap sample() {
    // clang-format off
    return {
        {"string", QStringLiteral("héllo <&> \"quoted\" 'x'\n\ttabbed  ")}, {"empty", QStringLiteral("")},
        {"int", qint64(42)}, {"zero", qint64(0)}, {"big", quint64(0xfa12000000000001ULL)}, {"negative", qint64(-5)},
        {"real", 1700000000.125}, {"tiny", 1e-300}, {"flags", QVariantList{true, false}},
        {"data", QByteArray("\x00\x01\xff binary", 10)},
        {"date", QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), QTimeZone::utc())},
        {"nested", QVariantList{QVariantMap{{"k", "v"}}, QVariantList{}, QVariantMap{}}},
        {"a key & <more>", "value"}, {"emoji", QStringLiteral("😀 ünïcode")}};
    // clang-format on
}

} // namespace

// Both forms round-trip, and the fast XML codec reads and writes what the general
// one does. (That whatever the fast reader accepts is read the same by libplist is
// the XML differential fuzz target's work.)
TEST(PropertyList, RoundTripsEveryTypeInBothFormsAndBothXmlCodecs) {
    const QByteArray fast = plist::xml::serialize(sample());
    const QByteArray general = plist::toData(sample(), plist::Format::Xml);
    for (const QVariant& read :
         {plist::fromData(plist::toData(sample(), plist::Format::Binary)), plist::fromData(fast),
          plist::fromData(general), plist::xml::parse(fast), plist::xml::parse(general)}) {
        EXPECT_EQ(read, QVariant(sample()));
    }
    // Smaller integer types are written as integers too.
    EXPECT_EQ(plist::fromData(plist::toData(QVariantList{short(-3), uint(7)}, plist::Format::Xml)),
              QVariant(QVariantList{qint64(-3), qint64(7)}));
    const QVariantMap uids{{"root", QVariant::fromValue(PlistUid{300})}};
    EXPECT_EQ(plist::fromData(plist::toData(uids, plist::Format::Binary)), QVariant(uids));
    // Hand-written forms: entities, character references, comments, empty elements.
    const QByteArray hand = "<?xml version=\"1.0\"?>\n<!-- c -->\n<plist version=\"1.0\"><dict>"
                            "<key>a</key><string>x&#x41;&#66;&apos;&quot;</string><!-- c -->"
                            "<key>b</key><string/><key>c</key><array/><key>d</key><dict/>"
                            "<key>e</key><integer> 7 </integer><key>f</key><real>2</real>"
                            "<key>g</key><data>AAE=\n</data></dict></plist>\n";
    const QVariant h = plist::xml::parse(hand);
    ASSERT_TRUE(h.isValid());
    EXPECT_EQ(h, plist::fromData(hand));
    EXPECT_EQ(h.toMap().value("a"), QStringLiteral("xAB'\""));
}

TEST(PropertyListXml, GivesUpOnWhatItDoesNotHandle) {
    // clang-format off
    const QList<QByteArray> refused = {
        QByteArray(), "garbage", "bplist00",
        "<plist><dict><key>a</key><string>x</string></dict>",       // no end
        "<plist><dict><key>a</key></dict></plist>",                 // key without value
        "<plist><string>a</string></plist> trailing",               // trailing text
        "<plist><string>a</string><string>b</string></plist>",      // two roots
        "<plist><string xml:space=\"preserve\">a</string></plist>", // attributes
        "<plist><string><![CDATA[a]]></string></plist>",            // CDATA
        "<plist><string>&unknown;</string></plist>",                // entity
        "<!DOCTYPE plist [<!ENTITY e \"x\">]><plist><string>&e;</string></plist>",
        "<plist><integer>0x10</integer></plist>",                   // hexadecimal
        "<plist><integer>99999999999999999999</integer></plist>",   // too large
        "<plist><real>abc</real></plist>", "<plist><date>yesterday</date></plist>",
        "<plist><data>@@@</data></plist>", "<plist><string>\x01</string></plist>",
        "<plist><!-- open <string>a</string></plist>", "<plistx><string>a</string></plistx>",
        "<plist>" + QByteArray("<array>").repeated(plist::kMaxDepth + 2)};
    // clang-format on
    for (const QByteArray& bytes : refused) {
        EXPECT_FALSE(plist::xml::parse(bytes).isValid()) << bytes.left(80).constData();
    }
    // Values without an XML form leave writing to the general codec.
    for (const QVariant& value : {QVariant(QStringLiteral("\x01")), QVariant(std::nan("")),
                                  QVariant::fromValue(PlistUid{1})}) {
        EXPECT_TRUE(plist::xml::serialize(QVariantMap{{"v", value}}).isEmpty());
    }
}

TEST(PropertyList, DictionaryFilesAreReplacedAtomically) {
    testsupport::ScopedSandbox sandbox;
    const QString path = sandbox.home("prefs.plist");
    // What the entry point writes is the fast writer's text.
    ASSERT_TRUE(plist::writeFile(path, sample()));
    EXPECT_EQ(plist::readDictionary(path), sample());
    EXPECT_EQ(testsupport::readFile(path), plist::xml::serialize(sample()));

    // A value with no property-list form leaves the old file as it was.
    const QByteArray before = testsupport::readFile(path);
    EXPECT_FALSE(plist::writeFile(path, QVariantMap{{"x", QVariant::fromValue(QObjectList{})}}));
    EXPECT_EQ(testsupport::readFile(path), before);

    // A CDATA section is left to libplist.
    ASSERT_TRUE(testsupport::writeFile(
        path, "<plist><dict><key>a</key><string><![CDATA[<b>]]></string></dict></plist>"));
    EXPECT_EQ(plist::readDictionary(path), QVariantMap({{"a", "<b>"}}));
}
