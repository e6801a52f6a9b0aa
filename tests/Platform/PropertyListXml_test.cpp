#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListXml.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QVariantMap sample() {
    return {
        {"string", QStringLiteral("héllo <&> \"quoted\" 'x'\n\ttabbed  ")},
        {"empty", QStringLiteral("")},
        {"int", qint64(42)},
        {"zero", qint64(0)},
        {"big", quint64(0xfa12000000000001ULL)},
        {"negative", qint64(-5)},
        {"real", 1700000000.125},
        {"tiny", 1e-300},
        {"flags", QVariantList{true, false}},
        {"data", QByteArray("\x00\x01\xff binary", 10)},
        {"date", QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), QTimeZone::utc())},
        {"nested", QVariantList{QVariantMap{{"k", "v"}}, QVariantList{}, QVariantMap{}}},
        {"a key & <more>", "value"},
        {"emoji", QStringLiteral("😀 ünïcode")},
    };
}

} // namespace

TEST(PropertyListXml, AgreesWithTheGeneralCodecBothWays) {
    const QVariantMap original = sample();
    // What the fast writer writes, the general reader reads back unchanged...
    const QByteArray fast = plist::xml::serialize(original);
    ASSERT_FALSE(fast.isEmpty());
    EXPECT_EQ(plist::fromData(fast), plist::fromData(plist::toData(original, plist::Format::Xml)));
    // ...and the fast reader reads what the general writer writes as it does.
    const QByteArray general = plist::toData(original, plist::Format::Xml);
    const QVariant parsed = plist::xml::parse(general);
    ASSERT_TRUE(parsed.isValid());
    EXPECT_EQ(parsed, plist::fromData(general));
    EXPECT_EQ(plist::xml::parse(fast), plist::fromData(fast));

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
    const QList<QByteArray> refused = {
        QByteArray(),
        "garbage",
        "<plist><dict><key>a</key><string>x</string></dict>",       // no end
        "<plist><dict><key>a</key></dict></plist>",                 // key without value
        "<plist><string>a</string></plist> trailing",               // trailing text
        "<plist><string>a</string><string>b</string></plist>",      // two roots
        "<plist><string xml:space=\"preserve\">a</string></plist>", // attributes
        "<plist><string><![CDATA[a]]></string></plist>",            // CDATA
        "<plist><string>&unknown;</string></plist>",                // entity
        "<!DOCTYPE plist [<!ENTITY e \"x\">]><plist><string>&e;</string></plist>",
        "<plist><integer>0x10</integer></plist>",                 // hexadecimal
        "<plist><integer>99999999999999999999</integer></plist>", // too large
        "<plist><real>abc</real></plist>",
        "<plist><date>yesterday</date></plist>",
        "<plist><data>@@@</data></plist>",
        "<plist><string>\x01</string></plist>",
        "<plist><!-- open <string>a</string></plist>",
        "<plistx><string>a</string></plistx>",
        "bplist00",
    };
    for (const QByteArray& bytes : refused) {
        EXPECT_FALSE(plist::xml::parse(bytes).isValid()) << bytes.constData();
    }
    // Every cut of a document, and every single-byte change to it, is either read
    // as the general codec reads it or refused; none reads past the end.
    const QByteArray whole = plist::xml::serialize(sample());
    for (qsizetype n = 0; n < whole.size(); ++n) {
        const QByteArray cut = whole.left(n);
        const QVariant fast = plist::xml::parse(cut);
        if (fast.isValid()) {
            EXPECT_EQ(fast, plist::fromData(cut)) << n;
        }
        QByteArray changed = whole;
        changed[n] = static_cast<char>(changed[n] ^ 0x21);
        const QVariant flipped = plist::xml::parse(changed);
        if (flipped.isValid()) {
            EXPECT_EQ(flipped, plist::fromData(changed))
                << n << " " << changed.mid(n - 20, 40).constData();
        }
    }
    // Deep nesting is refused like the general codec refuses it.
    QByteArray deep = "<plist>";
    for (int i = 0; i <= plist::kMaxDepth + 1; ++i) {
        deep += "<array>";
    }
    EXPECT_FALSE(plist::xml::parse(deep).isValid());

    // Values without an XML form leave writing to the general codec.
    EXPECT_TRUE(plist::xml::serialize(QVariantMap{{"c", QStringLiteral("\x01")}}).isEmpty());
    EXPECT_TRUE(plist::xml::serialize(QVariantMap{{"n", std::nan("")}}).isEmpty());
    EXPECT_TRUE(
        plist::xml::serialize(QVariantMap{{"u", QVariant::fromValue(PlistUid{1})}}).isEmpty());
}

TEST(PropertyListXml, FilesFallBackToTheGeneralCodec) {
    testsupport::ScopedSandbox sandbox;
    const QString path = sandbox.home("x.plist");
    // What the entry point writes is the fast writer's text.
    ASSERT_TRUE(plist::writeFile(path, sample()));
    EXPECT_EQ(testsupport::readFile(path), plist::xml::serialize(sample()));
    // A CDATA section is read by libplist.
    ASSERT_TRUE(testsupport::writeFile(
        path, "<plist><dict><key>a</key><string><![CDATA[<b>]]></string></dict></plist>"));
    EXPECT_EQ(plist::readDictionary(path), QVariantMap({{"a", "<b>"}}));
}
