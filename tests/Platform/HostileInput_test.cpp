// Hostile and malformed property lists and archives, one table for each entry
// point. Each case is the smallest input that showed a fault (a crash, an
// abort, unbounded work or memory, a value read or written wrong) or a refusal
// a reader must keep.
#include "Platform/archive/KeyedArchive.h"
#include "Platform/plist/BinaryPropertyListReader.h"
#include "Platform/plist/PropertyList.h"
#include "Platform/plist/PropertyListDepth.h"
#include "Platform/plist/PropertyListXml.h"
#include "ZorvaUIProject/Common/HVArchivableRecords.h"
#include "support/HostileInputs.h"
#include "support/TraceCapture.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>
#include <QtEndian>
#include <bit>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace platform;
using testsupport::classNamed;
using testsupport::closingsHiddenIn;
using testsupport::keyedArchive;
using testsupport::uid;

namespace {

template <size_t N>
QByteArray bytesOf(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

QDateTime utc(int year, int month, int day, int h = 0, int m = 0, int s = 0, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s, ms), QTimeZone::utc());
}

QByteArray bigEndian(quint64 value, int size) {
    QByteArray out(8, '\0');
    qToBigEndian(value, out.data());
    return out.right(size);
}

// A binary list of the objects and offset table given, its trailer naming the
// sizes of offsets and references, the object count and the top object.
QByteArray binaryList(const QByteArray& objects, const QByteArray& offsets, int offsetSize,
                      int refSize, quint64 count, quint64 top = 0) {
    return "bplist00" + objects + offsets + QByteArray(6, '\0') + char(offsetSize) + char(refSize) +
           bigEndian(count, 8) + bigEndian(top, 8) + bigEndian(quint64(8 + objects.size()), 8);
}

QByteArray binaryListOf(const QByteArray& object) {
    return binaryList(object, "\x08", 1, 1, 1);
}

QByteArray binaryDate(double secondsSince2001) {
    return binaryListOf('\x33' + bigEndian(std::bit_cast<quint64>(secondsSince2001), 8));
}

// `levels` arrays, each holding the next; the last holds object `lastRef` when
// given (a reference back makes a cycle), else nothing.
QByteArray nestedBinary(int levels, int lastRef = -1) {
    QByteArray objects;
    QByteArray offsets;
    for (int i = 0; i < levels; ++i) {
        offsets += bigEndian(quint64(8 + objects.size()), 4);
        const int ref = i + 1 < levels ? i + 1 : lastRef;
        objects += ref >= 0 ? '\xA1' + bigEndian(quint64(ref), 4) : QByteArray(1, '\xA0');
    }
    return binaryList(objects, offsets, 4, 4, quint64(levels));
}

QByteArray nestedXml(int levels) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" +
           QByteArray("<array>").repeated(levels) + QByteArray("</array>").repeated(levels) +
           "</plist>";
}

QVariant nestedLists(int levels) {
    QVariant value = QVariantList{};
    for (int i = 1; i < levels; ++i) {
        value = QVariantList{value};
    }
    return value;
}

const QString kBomX = QChar(0xFEFF) + QStringLiteral("x");
const QByteArray kSmallXml =
    plist::toData(QVariantMap{{"a", QVariantList{1, "b"}}}, plist::Format::Xml);
const QByteArray kOneElementArray = binaryList("\xA1\x01\x10\x05", "\x08\x0A", 1, 1, 2);

struct Case {
    const char* name;
    QByteArray bytes;
    QVariant expected; // invalid: refused
};

// Names each case in the test's output.
template <class C>
concept NamedCase = requires(C c) {
    c.name;
};
void PrintTo(const NamedCase auto& c, std::ostream* os) {
    *os << c.name;
}

// plist::fromData, and the binary reader directly for binary lists (the keyed-archive
// table below reaches fromData with nothing, garbage and deep nesting).
class FromData : public ::testing::TestWithParam<Case> {};

TEST_P(FromData, ReadsOrRefuses) {
    EXPECT_EQ(plist::fromData(GetParam().bytes), GetParam().expected);
    if (GetParam().bytes.startsWith("bplist00")) {
        EXPECT_EQ(plist::BinaryPropertyListReader(GetParam().bytes).toVariant(),
                  GetParam().expected);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Hostile, FromData, ::testing::Values(
    Case{"0xFF bytes", QByteArray(4096, '\xff'), {}},
    Case{"half an XML list", kSmallXml.left(kSmallXml.size() / 2), {}},
    Case{"closings in CDATA", closingsHiddenIn("<string><![CDATA[", "]]></string>"), {}},
    Case{"closings in a processing instruction", closingsHiddenIn("<?x ", "?>"), {}},
    Case{"closings in an attribute value", closingsHiddenIn("<string a=\"", "\">x</string>"), {}},
    Case{"2 nested XML arrays", nestedXml(2), nestedLists(2)},
    Case{"NUL in an XML string", bytesOf("<plist><string>a\0b</string></plist>"), {}},
    Case{"NUL in an XML key", bytesOf("<plist><dict><key>\0</key><true/></dict></plist>"), {}},
    Case{"U+FEFF in XML", "<plist><string>\xEF\xBB\xBFx</string></plist>", kBomX},
    Case{"U+FEFF in XML that libplist parses",
         "<plist version=\"1.0\" a=\"b\"><string>\xEF\xBB\xBFx</string></plist>", kBomX},
    Case{"a header alone", "bplist00", {}},
    Case{"a one-element array", kOneElementArray, QVariantList{qint64(5)}},
    Case{"an array holding itself", binaryList(bytesOf("\xA1\x00"), "\x08", 1, 1, 1), {}},
    Case{"a reference out of range", binaryList("\xA1\x07\x10\x05", "\x08\x0A", 1, 1, 2), {}},
    Case{"more objects than bytes", binaryList("\xA1\x01\x10\x05", "\x08\x0A", 1, 1, 1000), {}},
    Case{"offsets of 0 bytes", binaryList("\xA1\x01\x10\x05", "\x08\x0A", 0, 1, 2), {}},
    Case{"references of 9 bytes", binaryList("\xA1\x01\x10\x05", "\x08\x0A", 1, 9, 2), {}},
    Case{"a top object out of range", binaryList("\xA1\x01\x10\x05", "\x08\x0A", 1, 1, 2, 2), {}},
    Case{"an integer of 32 bytes", binaryListOf('\x15' + QByteArray(32, '\1')), {}},
    Case{"an integer of 16 bytes", binaryListOf('\x14' + QByteArray(15, '\0') + '\x09'), qint64(9)},
    Case{"a data length past the end", binaryListOf(bytesOf("\x4f\x13\xff\xff\xff\xff\xff\xff\xff\xf0")), {}},
    Case{"nested as deep as allowed", nestedBinary(plist::kMaxDepth + 1), nestedLists(plist::kMaxDepth + 1)},
    Case{"nested one level deeper", nestedBinary(plist::kMaxDepth + 2), {}},
    Case{"200,000 nested arrays", nestedBinary(200000), {}},
    Case{"a cycle of 3 arrays", nestedBinary(3, 0), {}},
    Case{"20 levels of shared children", testsupport::sharedChildren(20), {}},
    Case{"U+0000 in a string", binaryListOf(bytesOf("\x62\x00\xE9\x00\x00")), {}},
    Case{"U+0000 in a key", binaryList(bytesOf("\xD1\x01\x02\x62\x00\xE9\x00\x00\x10\x01"), "\x08\x0B\x10", 1, 1, 3), {}},
    Case{"NUL in an ASCII string", binaryListOf(bytesOf("\x52" "a\0")), {}},
    Case{"U+FEFF in a string", binaryListOf(bytesOf("\x62\xFE\xFF\x00x")), kBomX},
    Case{"half a second before 2001", binaryDate(-0.5), utc(2000, 12, 31, 23, 59, 59, 500)},
    Case{"a date after 9999", binaryDate(1e15), {}}));
// clang-format on

// The depth check run before any parser sees the bytes.
struct DepthCase {
    const char* name;
    QByteArray bytes;
    int maxDepth;
    bool within;
};

class NestingWithin : public ::testing::TestWithParam<DepthCase> {};

TEST_P(NestingWithin, MeasuresOrRefuses) {
    EXPECT_EQ(plist::nestingWithin(GetParam().bytes, GetParam().maxDepth), GetParam().within);
}

const QByteArray kSharedAtDepth3 = plist::toData(
    QVariantList{QVariantList{QVariantList{"x"}}, QVariantList{"x"}}, plist::Format::Binary);
constexpr int kMax = plist::kMaxDepth;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Hostile, NestingWithin, ::testing::Values(
    DepthCase{"11 binary levels within 10", nestedBinary(11), 10, true},
    DepthCase{"12 binary levels within 10", nestedBinary(12), 10, false},
    DepthCase{"10 XML levels within 10", nestedXml(10), 10, true},
    DepthCase{"11 XML levels within 10", nestedXml(11), 10, false},
    DepthCase{"closings hidden in a comment", closingsHiddenIn("<!--", "-->"), kMax, false},
    DepthCase{"more closings than openings", "<plist><array></array></array></plist>", 10, false},
    DepthCase{"a cycle", nestedBinary(3, 0), kMax, false},
    DepthCase{"a reference out of the list", nestedBinary(3, 9), kMax, false},
    DepthCase{"empty elements", "<plist><dict><key>a</key><array/><key>b</key><dict/></dict></plist>", 1, true},
    DepthCase{"a shared element at its deepest place, within 3", kSharedAtDepth3, 3, true},
    DepthCase{"a shared element at its deepest place, within 2", kSharedAtDepth3, 2, false},
    DepthCase{"a damaged trailer", nestedBinary(3).chopped(1) + '\x7F', 10, false},
    DepthCase{"a header alone", "bplist00", 10, false}));
// clang-format on

// The keyed-archive decoder: what it refuses, with the trace line it writes.
struct ArchiveCase {
    const char* name;
    QByteArray bytes;
    const char* trace; // null: no trace line at all
    QVariant expected = {};
};

class Unarchive : public ::testing::TestWithParam<ArchiveCase> {};

TEST_P(Unarchive, DecodesOrRefusesWithATrace) {
    testsupport::TraceCapture trace;
    EXPECT_EQ(unarchiveObjectWithData(GetParam().bytes), GetParam().expected);
    const char* expected = GetParam().trace;
    EXPECT_TRUE(expected ? trace.text().contains(QString::fromUtf8(expected))
                         : trace.records().isEmpty())
        << trace.text().toStdString();
}

const QVariantMap kArrayOfItself{{"$class", uid(2)}, {"NS.objects", QVariantList{uid(1)}}};
const QVariantMap kUnevenDictionary{
    {"$class", uid(2)}, {"NS.keys", QVariantList{uid(3)}}, {"NS.objects", QVariantList{}}};
const QVariantMap kOfClass2{{"$class", uid(2)}};
const QVariantMap kDeviceOfItself{{"$class", uid(2)}, {"subversions", uid(1)}};
const QVariantMap kNumberKeyDictionary{
    {"$class", uid(2)}, {"NS.keys", QVariantList{uid(3)}}, {"NS.objects", QVariantList{uid(3)}}};

// One array per level, `levels` deep, built by hand.
QByteArray deepArchive(int levels) {
    QVariantList objects{classNamed("NSArray")};
    for (int i = 0; i < levels; ++i) {
        const QVariantList children = i + 1 < levels ? QVariantList{uid(i + 3)} : QVariantList{};
        objects.append(QVariantMap{{"$class", uid(1)}, {"NS.objects", children}});
    }
    return keyedArchive(objects, uid(2));
}

constexpr const char* kNotAListOrTooDeep =
    "unarchiveObjectWithData : data is not a property list or nests deeper than 256";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Hostile, Unarchive, ::testing::Values(
    ArchiveCase{"nothing", QByteArray(), nullptr},
    ArchiveCase{"garbage", "garbage that is not a property list", "is not a property list"},
    ArchiveCase{"no keyed archive", plist::toData(QVariantMap{{"a", 1}}, plist::Format::Binary), "is not a keyed archive"},
    ArchiveCase{"a root out of range", keyedArchive({"s"}, uid(9)), "reference 9 out of range"},
    ArchiveCase{"a root that is no reference", keyedArchive({"s"}, 1), "the root is not a reference"},
    ArchiveCase{"an array holding itself", keyedArchive({kArrayOfItself, classNamed("NSMutableArray")}), "reference cycle"},
    ArchiveCase{"an unknown class", keyedArchive({kOfClass2, classNamed("NSNotAClass")}), "unknown class NSNotAClass"},
    ArchiveCase{"a class without a name", keyedArchive({kOfClass2, QVariantMap{{"$classes", QVariantList{}}}}), "without a name"},
    ArchiveCase{"a class out of range", keyedArchive({QVariantMap{{"$class", uid(8)}}}), "without a valid class"},
    ArchiveCase{"more keys than objects", keyedArchive({kUnevenDictionary, classNamed("NSDictionary"), "k"}), "1 keys and 0 objects"},
    ArchiveCase{"a number as a key", keyedArchive({kNumberKeyDictionary, classNamed("NSDictionary"), 5}), "key is not a string"},
    ArchiveCase{"a record holding itself", keyedArchive({kDeviceOfItself, classNamed("HVDevice")}), "reference cycle"},
    ArchiveCase{"arrays nested past the limit", deepArchive(kMaxArchiveDepth + 5), "unarchiveObjectWithData : objects nested deeper than"},
    ArchiveCase{"arrays nested within the limit", deepArchive(20), nullptr, nestedLists(20)},
    ArchiveCase{"200,000 nested XML arrays", nestedXml(200000), kNotAListOrTooDeep},
    ArchiveCase{"NUL in XML", bytesOf("<plist><dict><key>$archiver</key><string>NSKeyed\0</string></dict></plist>"), kNotAListOrTooDeep},
    ArchiveCase{"half a second before 2001", keyedArchive({utc(2000, 12, 31, 23, 59, 59, 500)}), nullptr,
                utc(2000, 12, 31, 23, 59, 59, 500)}));
// clang-format on

// Dates libplist cannot hold are written by the fast writer, or not at all:
// never wrapped into another date. Archives keep them to the millisecond.
TEST(HostileInput, DatesFarFromTwoThousandAreWrittenAsTheyAre) {
    for (const QDateTime& date :
         {utc(2100, 1, 1), utc(1900, 6, 1, 12), utc(1, 1, 1), utc(2000, 12, 31, 23, 59, 59, 500)}) {
        const QVariantMap value{{"date", date}};
        const QByteArray binary = plist::toData(value, plist::Format::Binary);
        if (date.time().msec() == 0) { // XML dates hold whole seconds
            EXPECT_EQ(plist::fromData(plist::toData(value, plist::Format::Xml)), value);
        }
        EXPECT_TRUE(binary.isEmpty() || plist::fromData(binary) == value)
            << qPrintable(date.toString());
        EXPECT_EQ(unarchiveObjectWithData(archivedDataWithRootObject(date)), QVariant(date));
    }
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
