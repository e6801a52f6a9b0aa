#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/HVComponentUpdateList.h"
#include "ZorvaUIProject/HVFirmwareUpdaterArguments.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"
#include "support/UpdateWindowFixtures.h"

#include <gtest/gtest.h>

using platform::archivedDataWithRootObject;
using platform::unarchiveObjectWithData;
using L = HVComponentUpdateList;
using Args = HVFirmwareUpdaterArguments;

namespace {

HVComponentList sampleList() {
    const HVComponentEntry device = L::makeEntry(
        {{"componentNameKey", "Zorva Quillo"},
         {"currentVersionKey", "1.1"},
         {"AvailableVersionKey", "1.2"},
         {"LocIdKey", quint64(1) << 63},
         {"ProdIdKey", "HV0123"},
         {"languageInfo", testsupport::languageList({{"English", "409"}, {"French", "40C"}})},
         {"buildVectorInfo", testsupport::buildWithRegions({{"Europe", "7"}, {"Asia", "07"}})},
         {"selectedRegionKey", 7}});
    const HVComponentEntry suite = L::makeEntry({{"componentNameKey", "Zorva Suite for Mac"},
                                                 {"LocIdKey", ~quint64(0)},
                                                 {"UpdateStatusKey", 1},
                                                 {"UpdateForHeadset", "TRUE"}});
    const HVComponentEntry recovery = L::makeEntry({{"componentNameKey", "Base"},
                                                    {"currentVersionKey", "Recovery"},
                                                    {"LocIdKey", qint64(-2)},
                                                    {"UpdateStatusKey", "5"}});
    return {device, suite, recovery};
}

HVXmlBuildVectorInfoPtr buildWithFiles(const QVariant& files) {
    auto build = HVXmlBuildVectorInfo::init();
    build->setFirmwareFileNames(files);
    return build;
}

QVariantMap baseEntry() {
    return {{"componentNameKey", "Headset base"},
            {"LocIdKey", quint64(336592896)},
            {"ProdIdKey", "HV093B"},
            {"downloadURLKey", "https://updates.example.com/fw/093B?lang=en&v=2"},
            {"AvailableVersionKey", "2.1.7"},
            {"currentVersionKey", "1.0.3"},
            {"UpdateStatusKey", 0}};
}

QVariantMap descriptionOf(const QVariantMap& map) {
    return Args::updateDescription(L::makeEntry(map));
}

QStringList argumentsOf(const QVariantMap& map) {
    return Args::arguments(L::makeEntry(map));
}

} // namespace

TEST(HVComponentUpdateList, EachKeyIsReadByItsRule) {
    // Status (missing: update available), location (the same 64 bits whatever the
    // integer type), suite, recovery and headset flags of each entry.
    const HVComponentList list = sampleList();
    const std::tuple<int, quint64, bool, bool, bool> expected[] = {
        {0, quint64(1) << 63, false, false, false},
        {1, ~quint64(0), true, false, true},
        {5, ~quint64(0) - 1, false, true, false}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::make_tuple(L::updateStatus(list[i]), L::locationId(list[i]),
                                  L::isSuiteEntry(list[i]), L::isRecoveryEntry(list[i]),
                                  L::isHeadsetEntry(list[i])),
                  expected[i])
            << i;
    }

    // The region choice goes through integer conversion to decimal text.
    // clang-format off
    const std::pair<QVariant, QString> regions[] = {{7, "7"}, {"7", "7"}, {"07", "7"}, {QVariant(), "0"},
        {" -3x", "-3"}, {"abc", "0"}, {7.9, "7"}, {"99999999999", "2147483647"}};
    // clang-format on
    for (const auto& [stored, text] : regions) {
        EXPECT_EQ(L::selectedRegionText(L::makeEntry({{"selectedRegionKey", stored}})), text)
            << stored.toString().toStdString();
    }
    // A null entry reads as an empty one.
    EXPECT_EQ(L::updateStatus(nullptr), 0);
    EXPECT_TRUE(L::componentName(nullptr).isNull());
    EXPECT_EQ(L::selectedRegionText(nullptr), "0");
}

TEST(HVComponentUpdateList, EntriesAreSharedWithTheCallerAndOnlyListsAreLists) {
    const HVComponentList list = sampleList();
    const HVComponentList windowCopy = list; // what a window would keep
    L::setSelectedLanguage(windowCopy[0], "40C");
    L::setSelectedRegion(windowCopy[0], "07");
    EXPECT_EQ(L::selectedLanguage(list[0]), QVariant("40C"));
    EXPECT_EQ(L::selectedRegion(list[0]), QVariant("07"));

    // toObject keeps the entries themselves; fromObject of it gives them back.
    // Objects that are no list are nothing; stray items in a list are left out, traced.
    const auto back = L::fromObject(L::toObject(list));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 3);
    EXPECT_EQ(back->at(0), list[0]);
    EXPECT_FALSE(L::toObject(std::nullopt).isValid());
    testsupport::TraceCapture trace;
    EXPECT_FALSE(L::fromObject(QVariant("text")).has_value());
    const auto strays = L::fromObject(QVariantList{QVariantMap{{"a", 1}}, "stray", QVariant()});
    ASSERT_TRUE(strays.has_value());
    EXPECT_EQ(strays->size(), 1);
    EXPECT_EQ(trace.records().size(), 3);
    EXPECT_TRUE(trace.text().contains("Component update list is not a list"));

    // In trace lines an entry prints as the dictionary it holds.
    EXPECT_EQ(platform::describe(
                  QVariant::fromValue(L::makeEntry({{"ProdIdKey", "HV1001"}, {"LocIdKey", 5}}))),
              "{\n    LocIdKey = 5;\n    ProdIdKey = HV1001;\n}");
    EXPECT_EQ(platform::describe(QVariant::fromValue(HVComponentEntry())), "(null)");
}

TEST(HVComponentUpdateList, ListRoundTripsThroughAnArchive) {
    const HVComponentList list = sampleList();
    const QByteArray bytes = archivedDataWithRootObject(L::toObject(list));
    ASSERT_FALSE(bytes.isEmpty());
    const auto back = L::fromObject(unarchiveObjectWithData(bytes));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 3);
    EXPECT_NE(back->at(0), list[0]);
    EXPECT_EQ(L::selectedRegionText(back->at(0)), "7");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(L::locationId(back->at(i)), L::locationId(list[i])) << i;
        QVariantMap sent = *list[i];
        QVariantMap read = *back->at(i);
        sent.remove("LocIdKey");
        read.remove("LocIdKey");
        EXPECT_EQ(platform::describe(read), platform::describe(sent)) << i;
    }
    // An empty list is a list; an absent one is nothing.
    const auto empty =
        L::fromObject(unarchiveObjectWithData(archivedDataWithRootObject(QVariantList{})));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_FALSE(L::fromObject(unarchiveObjectWithData(QByteArray())).has_value());
}

TEST(UpdaterArguments, HeadsetEntriesHandOverTheirNameOnly) {
    QVariantMap map = baseEntry();
    map.insert("UpdateForHeadset", "TRUE");
    map.insert("buildVectorInfo", QVariant::fromValue(buildWithFiles(QVariantMap{{"a", "b"}})));
    EXPECT_EQ(argumentsOf(map), QStringList({"UpdateForHeadset", "Headset base"}));
    map.remove("componentNameKey");
    EXPECT_EQ(argumentsOf(map), QStringList({"UpdateForHeadset"}));
    // Only the exact text "TRUE" makes a headset entry.
    map.insert("UpdateForHeadset", "true");
    const QStringList other = argumentsOf(map);
    ASSERT_EQ(other.size(), 2);
    EXPECT_EQ(other.first(), "RunningFromZms");
}

TEST(UpdaterArguments, DescriptionKeysAndValues) {
    QVariantMap map = baseEntry();
    QVariantMap d = descriptionOf(map);
    EXPECT_EQ(d, QVariantMap({{"LocIdKey", "336592896"},
                              {"ProdIdKey", "0x093B"},
                              {"downloadURLKey", "https://updates.example.com/fw/093B?lang=en&v=2"},
                              {"AvailableVersionKey", "2.1.7"}}));

    // Location identifiers: unsigned decimal digits, text as it is, (null) when absent;
    // product identifiers: a leading "HV" only.
    // clang-format off
    const std::tuple<const char*, QVariant, QString> rows[] = {
        {"LocIdKey", qint64(-1), "18446744073709551615"}, {"LocIdKey", quint64(1) << 63, "9223372036854775808"},
        {"LocIdKey", 0, "0"}, {"LocIdKey", "0x1400000", "0x1400000"}, {"LocIdKey", QVariant(), "(null)"},
        {"ProdIdKey", "HV1001", "0x1001"}, {"ProdIdKey", "HV093B", "0x093B"}, {"ProdIdKey", "hv1001", "hv1001"},
        {"ProdIdKey", "1001", "1001"}, {"ProdIdKey", "XHV1", "XHV1"}, {"ProdIdKey", "HV", "0x"}};
    // clang-format on
    for (const auto& [key, in, out] : rows) {
        QVariantMap changed = map;
        changed.insert(key, in);
        if (!in.isValid()) {
            changed.remove(key);
        }
        EXPECT_EQ(descriptionOf(changed).value(key), out) << in.toString().toStdString();
    }

    // A language choice always goes along; a region choice only with a build
    // description, and the file names only when that description holds them.
    map.insert("selectedLangKey", "1036");
    map.insert("selectedRegionKey", "7");
    d = descriptionOf(map);
    EXPECT_EQ(d.value("selectedLangKey"), "1036");
    EXPECT_FALSE(d.contains("selectedRegionKey"));
    EXPECT_FALSE(d.contains("buildVectorInfo"));

    map.insert("buildVectorInfo", QVariant::fromValue(buildWithFiles(QVariant())));
    d = descriptionOf(map);
    EXPECT_EQ(d.value("selectedRegionKey"), "7");
    EXPECT_FALSE(d.contains("buildVectorInfo")); // the file names: the text form's test
}

TEST(UpdaterArguments, TextFormOrdersAndEscapesEveryValue) {
    const QVariantMap files{{"base", "C:\\fw\\base \"2\".bin"},
                            {"héadset", "ünïcode 日本 \U0001F3A7.bin"},
                            {"notes", "line one\nline two\ttab\r\x01"},
                            {"", "empty key"},
                            {"url", "https://example.com/a b?x=\"1\"&y='2';z={3}"}};
    QVariantMap map = baseEntry();
    map.insert("ProdIdKey", "HVA0B1");
    map.insert("downloadURLKey", "https://user@example.com:8443/p/a%20b;c=(d)?q=\"x\"#frag");
    map.insert("AvailableVersionKey", "");
    map.insert("selectedLangKey", "Français \\ \"québécois\"");
    map.insert("selectedRegionKey", "=;{}()<>,");
    map.insert("buildVectorInfo", QVariant::fromValue(buildWithFiles(files)));
    const QStringList args = argumentsOf(map);
    ASSERT_EQ(args.size(), 2);
    EXPECT_EQ(args.at(0), "RunningFromZms");
    const QString text = args.at(1);

    // Keys in ascending order, capitalised ones first; everything outside ASCII
    // escaped; the file-name map one quoted text inside, itself in the same form.
    EXPECT_EQ(text, QStringLiteral(R"text({
    AvailableVersionKey = "";
    LocIdKey = 336592896;
    ProdIdKey = 0xA0B1;
    buildVectorInfo = "{\n    \"\" = \"empty key\";\n    base = \"C:\\\\fw\\\\base \\\"2\\\".bin\";\n    \"h\\U00e9adset\" = \"\\U00fcn\\U00efcode \\U65e5\\U672c \\Ud83c\\Udfa7.bin\";\n    notes = \"line one\\nline two\\ttab\\r\\U0001\";\n    url = \"https://example.com/a b?x=\\\"1\\\"&y='2';z={3}\";\n}";
    downloadURLKey = "https://user@example.com:8443/p/a%20b;c=(d)?q=\"x\"#frag";
    selectedLangKey = "Fran\U00e7ais \\ \"qu\U00e9b\U00e9cois\"";
    selectedRegionKey = "=;{}()<>,";
})text"));
}

// Only letters, digits and _$/:.- stand unquoted in the text; every other
// character ("+" of "1.0+2" included) makes the value quoted, escaped as a strict
// reader reads it back.
TEST(UpdaterArguments, ValuesAreQuotedUnlessMadeOfPlainCharacters) {
    const QString plain = QStringLiteral("_$/:.-");
    QString characters = QStringLiteral("\t\n\u00e9");
    for (char16_t c = 0x20; c < 0x7f; ++c) {
        characters += QChar(c);
    }
    const QMap<QChar, QString> escapes{
        {u'"', "\\\""}, {u'\\', "\\\\"}, {u'\t', "\\t"}, {u'\n', "\\n"}, {u'\u00e9', "\\U00e9"}};
    for (const QChar c : characters) {
        const QString version = QStringLiteral("1.0") + c + QStringLiteral("2");
        SCOPED_TRACE(version.toStdString());
        QVariantMap map = baseEntry();
        map.insert("AvailableVersionKey", version);
        const QString text = argumentsOf(map).at(1);
        const bool bare = (c.unicode() < 0x80 && c.isLetterOrNumber()) || plain.contains(c);
        const QString written = bare ? version : "\"1.0" + escapes.value(c, QString(c)) + "2\"";
        EXPECT_TRUE(text.contains("\n    AvailableVersionKey = " + written + ";\n"));
    }
}
