#include "Platform/archive/KeyedArchive.h"
#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListDepth.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

void appendBigEndian(QByteArray* out, quint64 value, int size) {
    for (int i = size - 1; i >= 0; --i) {
        out->append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A binary property list of `levels` arrays, each holding the next; the last
// one holds `lastRef` when given (a reference back makes a cycle).
QByteArray nestedBinary(int levels, int lastRef = -1) {
    QByteArray out("bplist00");
    QList<quint64> offsets;
    for (int i = 0; i < levels; ++i) {
        offsets.append(static_cast<quint64>(out.size()));
        const int ref = i + 1 < levels ? i + 1 : lastRef;
        if (ref >= 0) {
            out.append(char(0xA1));
            appendBigEndian(&out, static_cast<quint64>(ref), 4);
        } else {
            out.append(char(0xA0));
        }
    }
    const auto table = static_cast<quint64>(out.size());
    for (quint64 offset : offsets) {
        appendBigEndian(&out, offset, 4);
    }
    out.append(QByteArray(6, '\0'));
    out.append(char(4));
    out.append(char(4));
    appendBigEndian(&out, static_cast<quint64>(levels), 8);
    appendBigEndian(&out, 0, 8);
    appendBigEndian(&out, table, 8);
    return out;
}

QByteArray nestedXml(int levels) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" +
           QByteArray("<array>").repeated(levels) + QByteArray("</array>").repeated(levels) +
           "</plist>";
}

} // namespace

TEST(PropertyListDepth, HostileNestingIsRefusedBeforeParsing) {
    // Deep enough to exhaust the parser's stack if it ever got these bytes.
    const QByteArray deepBinary = nestedBinary(200000);
    const QByteArray deepXml = nestedXml(200000);
    EXPECT_FALSE(plist::nestingWithin(deepBinary, plist::kMaxDepth));
    EXPECT_FALSE(plist::nestingWithin(deepXml, plist::kMaxDepth));
    EXPECT_FALSE(plist::fromData(deepBinary).isValid());
    EXPECT_FALSE(plist::fromData(deepXml).isValid());
    EXPECT_FALSE(unarchiveObjectWithData(deepBinary).isValid());
    EXPECT_FALSE(unarchiveObjectWithData(deepXml).isValid());

    // A reference cycle and references out of the list.
    EXPECT_FALSE(plist::nestingWithin(nestedBinary(3, 0), plist::kMaxDepth));
    EXPECT_FALSE(plist::nestingWithin(nestedBinary(3, 9), plist::kMaxDepth));
    EXPECT_FALSE(plist::fromData(nestedBinary(3, 0)).isValid());

    // Ordinary nesting passes, up to the limit.
    EXPECT_TRUE(plist::nestingWithin(nestedBinary(10), 10));
    EXPECT_FALSE(plist::nestingWithin(nestedBinary(12), 10));
    EXPECT_TRUE(plist::nestingWithin(nestedXml(10), 10));
    EXPECT_FALSE(plist::nestingWithin(nestedXml(11), 10));
    EXPECT_EQ(plist::fromData(nestedBinary(3)),
              QVariant(QVariantList{QVariantList{QVariantList{}}}));
    EXPECT_EQ(plist::fromData(nestedXml(2)), QVariant(QVariantList{QVariantList{}}));
    const QByteArray emptyElements =
        "<plist><dict><key>a</key><array/><key>b</key><dict/></dict></plist>";
    EXPECT_TRUE(plist::nestingWithin(emptyElements, 1));

    // A shared element is measured at its deepest place.
    const QVariantList shared{QVariantList{QVariantList{"x"}}, QVariantList{"x"}};
    const QByteArray bytes = plist::toData(shared, plist::Format::Binary);
    EXPECT_TRUE(plist::nestingWithin(bytes, 3));
    EXPECT_FALSE(plist::nestingWithin(bytes, 2));

    // Damaged tables.
    QByteArray badTrailer = nestedBinary(3);
    badTrailer[badTrailer.size() - 1] = char(0x7F);
    EXPECT_FALSE(plist::nestingWithin(badTrailer, 10));
    EXPECT_FALSE(plist::nestingWithin(QByteArray("bplist00"), 10));
}
