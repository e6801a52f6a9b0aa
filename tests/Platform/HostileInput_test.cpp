// Hostile property lists and archives: each case is the smallest input that
// showed a fault (a crash, an abort, unbounded work or memory, a value read or
// written wrong), generated here.
#include "Platform/plist/BinaryPropertyListWriter.h"
#include "Platform/archive/KeyedArchive.h"
#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListXml.h"
#include "support/HostileInputs.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace platform;
using testsupport::closingsHiddenIn;

namespace {

template <size_t N>
QByteArray bytesOf(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

QDateTime utc(int year, int month, int day, int h = 0, int m = 0, int s = 0, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s, ms), QTimeZone::utc());
}

// A binary list holding one object.
QByteArray binaryListOf(const QByteArray& object) {
    QByteArray trailer(32, '\0');
    trailer[6] = 1;  // offset size
    trailer[7] = 1;  // reference size
    trailer[15] = 1; // one object, the top one (0)
    trailer[31] = static_cast<char>(8 + object.size());
    return "bplist00" + object + char(8) + trailer;
}

QByteArray binaryDate(double secondsSince2001) {
    QByteArray object(1, '\x33');
    quint64 bits = 0;
    std::memcpy(&bits, &secondsSince2001, sizeof bits);
    for (int shift = 56; shift >= 0; shift -= 8) {
        object.append(static_cast<char>(bits >> shift));
    }
    return binaryListOf(object);
}

QByteArray binaryWithUtf16Nul(bool asKey) {
    plist::BinaryPropertyListWriter out;
    const auto text = out.string(QStringLiteral("\u00e9") + QChar(0));
    if (!asKey) {
        return out.finish(text);
    }
    const auto dict = out.dictionary();
    out.insert(dict, text, out.integer(1));
    return out.finish(dict);
}

QByteArray keyedArchive(const QVariantList& objects) {
    QVariantList all{QStringLiteral("$null")};
    all += objects;
    const QVariantMap top{{"$archiver", "NSKeyedArchiver"},
                          {"$version", 100000},
                          {"$top", QVariantMap{{"root", QVariant::fromValue(PlistUid{1})}}},
                          {"$objects", all}};
    return plist::toData(top, plist::Format::Binary);
}

// Exits 0 when the archive's root is "x", decoded with only `spare` bytes of
// address space left; a failed allocation ends the process otherwise.
[[noreturn, maybe_unused]] void decodeWithAddressSpaceToSpare(const QByteArray& archive,
                                                              rlim_t spare) {
    QFile statm(QStringLiteral("/proc/self/statm"));
    const bool opened = statm.open(QIODevice::ReadOnly);
    const rlim_t held = opened ? statm.readAll().split(' ').first().toULongLong() * 4096 : 0;
    const rlimit limit{held + spare, held + spare};
    setrlimit(RLIMIT_AS, &limit);
    std::exit(unarchiveObjectWithData(archive) == QVariant(QStringLiteral("x")) ? 0 : 1);
}

struct Case {
    const char* name;
    QByteArray bytes;
    QVariant expected; // invalid: refused
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const QString kBomX = QChar(0xFEFF) + QStringLiteral("x");

class FromData : public ::testing::TestWithParam<Case> {};

TEST_P(FromData, ReadsOrRefuses) {
    EXPECT_EQ(plist::fromData(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, FromData,
    ::testing::Values(
        Case{"closings in a comment", closingsHiddenIn("<!--", "-->"), {}},
        Case{"closings in CDATA", closingsHiddenIn("<string><![CDATA[", "]]></string>"), {}},
        Case{"closings in a processing instruction", closingsHiddenIn("<?x ", "?>"), {}},
        Case{"closings in an attribute value",
             closingsHiddenIn("<string a=\"", "\">x</string>"),
             {}},
        Case{"NUL in an XML string", bytesOf("<plist><string>a\0b</string></plist>"), {}},
        Case{"NUL in an XML key", bytesOf("<plist><dict><key>\0</key><true/></dict></plist>"), {}},
        Case{"U+0000 in a binary string", binaryWithUtf16Nul(false), {}},
        Case{"U+0000 in a binary key", binaryWithUtf16Nul(true), {}},
        Case{"NUL in an ASCII binary string",
             binaryListOf(bytesOf("\x52"
                                  "a\0")),
             {}},
        Case{"20 levels of shared children", testsupport::sharedChildren(20), {}},
        Case{"a date in 2100 in XML", "<plist><date>2100-01-01T00:00:00Z</date></plist>",
             utc(2100, 1, 1)},
        Case{"a date in 1900 in binary", binaryDate(-3187296000.0), utc(1900, 1, 1)},
        Case{"half a second before 2001", binaryDate(-0.5), utc(2000, 12, 31, 23, 59, 59, 500)},
        Case{"a date after 9999", binaryDate(1e15), {}},
        Case{"U+FEFF in XML", "<plist><string>\xEF\xBB\xBFx</string></plist>", kBomX},
        Case{"U+FEFF in XML that libplist parses",
             "<plist version=\"1.0\" a=\"b\"><string>\xEF\xBB\xBFx</string></plist>", kBomX},
        Case{"U+FEFF in binary", binaryListOf(bytesOf("\x62\xFE\xFF\x00x")), kBomX}));

// The fast reader reads only what libplist reads the same way.
TEST(HostileInput, FastXmlReaderAgreesWithLibplistOrGivesUp) {
    for (const char* value :
         {"<integer>013</integer>", "<integer>-013</integer>", "<integer>-0</integer>",
          "<integer>0</integer>", "<data>Bb</data>", "<data>Bb==</data>",
          "<date>1900-01-01T00:00:00Z</date>", "<date>2100-01-01T00:00:00Z</date>",
          "<string>\xEF\xBB\xBFx</string>", "<string>\xC3</string>"}) {
        const QByteArray xml = QByteArray("<plist>") + value + "</plist>";
        const QVariant fast = plist::xml::parse(xml);
        if (fast.isValid()) {
            EXPECT_EQ(fast, testsupport::libplistReading(xml)) << value;
        }
        EXPECT_EQ(plist::fromData(xml), testsupport::libplistReading(xml)) << value;
    }
}

// Dates libplist cannot hold are written by the fast writer, or not at all:
// never wrapped into another date.
TEST(HostileInput, DatesFarFromTwoThousandAreWrittenAsTheyAre) {
    for (const QDateTime& date : {utc(2100, 1, 1), utc(1900, 6, 1, 12), utc(1, 1, 1)}) {
        const QVariantMap value{{"date", date}};
        EXPECT_EQ(plist::fromData(plist::toData(value, plist::Format::Xml)), value);
        const QByteArray binary = plist::toData(value, plist::Format::Binary);
        EXPECT_TRUE(binary.isEmpty() || plist::fromData(binary) == value)
            << qPrintable(date.toString());
    }
}

TEST(HostileInput, KeyedArchivesRefuseHostileXmlAndReadDatesRight) {
    const QByteArray deep = closingsHiddenIn("<!--", "-->");
    EXPECT_FALSE(unarchiveObjectWithData(deep).isValid());
    const QByteArray nul =
        bytesOf("<plist><dict><key>$archiver</key><string>NSKeyed\0</string></dict></plist>");
    EXPECT_FALSE(unarchiveObjectWithData(nul).isValid());

    const QDateTime before2001 = utc(2000, 12, 31, 23, 59, 59, 500);
    EXPECT_EQ(unarchiveObjectWithData(keyedArchive({before2001})), QVariant(before2001));
    EXPECT_EQ(unarchiveObjectWithData(archivedDataWithRootObject(before2001)),
              QVariant(before2001));
}

// 5 MB of one-byte references in "$objects" once took 409 MB before anything
// was decoded: read here under an address-space limit of 200 MB more than the
// process holds.
TEST(HostileInput, LongObjectTablesCostNothingUntilReached) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#else
    const QByteArray archive = testsupport::longObjectTable(5000000);

    EXPECT_EXIT(decodeWithAddressSpaceToSpare(archive, 200 << 20), ::testing::ExitedWithCode(0),
                "");
#endif
}

} // namespace
