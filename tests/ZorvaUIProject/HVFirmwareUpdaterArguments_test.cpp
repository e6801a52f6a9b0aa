#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "ZorvaUIProject/HVFirmwareUpdaterArguments.h"

#include <gtest/gtest.h>

using Args = HVFirmwareUpdaterArguments;

namespace {

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
    return Args::updateDescription(HVComponentUpdateList::makeEntry(map));
}

} // namespace

TEST(UpdaterArguments, HeadsetEntriesHandOverTheirNameOnly) {
    QVariantMap map = baseEntry();
    map.insert("UpdateForHeadset", "TRUE");
    map.insert("buildVectorInfo", QVariant::fromValue(buildWithFiles(QVariantMap{{"a", "b"}})));
    EXPECT_EQ(Args::arguments(HVComponentUpdateList::makeEntry(map)),
              QStringList({"UpdateForHeadset", "Headset base"}));
    map.remove("componentNameKey");
    EXPECT_EQ(Args::arguments(HVComponentUpdateList::makeEntry(map)),
              QStringList({"UpdateForHeadset"}));
    // Only the exact text "TRUE" makes a headset entry.
    map.insert("UpdateForHeadset", "true");
    const QStringList other = Args::arguments(HVComponentUpdateList::makeEntry(map));
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
    const HVComponentEntry entry = HVComponentUpdateList::makeEntry(map);

    const QStringList args = Args::arguments(entry);
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
        const QString text = Args::arguments(HVComponentUpdateList::makeEntry(map)).at(1);
        const bool bare = (c.unicode() < 0x80 && c.isLetterOrNumber()) || plain.contains(c);
        const QString written = bare ? version : "\"1.0" + escapes.value(c, QString(c)) + "2\"";
        EXPECT_TRUE(text.contains("\n    AvailableVersionKey = " + written + ";\n"));
    }
}
