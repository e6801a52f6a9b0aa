#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

using testsupport::TraceCapture;

namespace {

QVariant language(const QString& name, const QString& code, const QString& file) {
    auto record = std::make_shared<HVXmlLanguageInfo>();
    record->setLanguageName(name);
    record->setLanguageCode(code);
    record->setFirmwareFileName(file);
    return QVariant::fromValue(record);
}

template <class Record>
QVariant region(const QString& name, const QString& id, const QString& file) {
    auto record = std::make_shared<Record>();
    record->setRegionName(name);
    record->setRegionId(id);
    record->setRegionfileName(file);
    return QVariant::fromValue(record);
}

// Codes written the ways a catalogue writes them.
QVariantList languages() {
    return {language("English", "409", "en.bin"),    language("French", "0x040C", "fr.bin"),
            language("German", " 407", "de.bin"),    language("Chinese", "0X804", "zh.bin"),
            language("Polish", "415", "pl.bin"),     language("Spanish", "c0a", "es.bin"),
            language("English", "809", "en-gb.bin"), language("Nameless", QString(), "x.bin")};
}

} // namespace

TEST(Languages, VersionCodedProductAndDecimalCodes) {
    TraceCapture trace;
    const QVariant list = languages();
    // clang-format off
    const struct { QString version, code, product, name; } rows[] = {
        // Version-coded product: the last version part picks the language; at 0 (or not a
        // number) the code argument decides; index 12 is outside the table: 1033.
        {"1.0.3", "1033", "HV093B", "Chinese"}, {"2.0.0", "1036", "HV093B", "French"}, {"2.0.x", "1031", "HV093B", "German"},
        {"4.12", "1036", "HV093B", "English"}, {"7", "1033", "HV093B", "Polish"}, {"1.9", QString(), "HV093B", "Spanish"},
        // Any other product ignores the version; the argument is decimal, the records' codes hexadecimal.
        {"1.0.3", "1036", "HV093C", "French"}, {"1.0.3", " +3082xyz", QString(), "Spanish"}, {"1.0.3", "409", "HV1001", QString()},
        // No code, or one that does not parse, wants 0: no record has it, a record without a code matches nothing.
        {"1.0", QString(), "HV1001", QString()}, {"1.0", "abc", "HV1001", QString()},
        {"1.0", "1033", "HV1001", "English"}, // first match wins
        {QString(), "1033", "HV093B", QString()},
    };
    // clang-format on
    for (const auto& row : rows) {
        const QString name = HVUtilities::getLangName(row.version, row.code, list, row.product);
        EXPECT_EQ(name, row.name) << row.version.toStdString() << " " << row.code.toStdString();
        EXPECT_EQ(name.isNull(), row.name.isNull()) << row.version.toStdString();
    }
    // A missing version or list, or an empty list: nothing.
    EXPECT_TRUE(HVUtilities::getLangName("1.0", "1033", QVariant(), "HV093B").isNull());
    EXPECT_TRUE(HVUtilities::getLangName("1.0", "1033", QVariantList(), "HV093B").isNull());
    for (int outside : {10, -1, INT32_MIN}) {
        EXPECT_EQ(HVUtilities::mapFirmwareVersionToLanguageCode(outside), 1033u) << outside;
    }
}

TEST(Languages, NamesFilesAndCodesAndTheSameForRegions) {
    TraceCapture trace;
    const QVariant list = languages();
    const auto names = HVUtilities::getLangArrayforList(list);
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(*names, QStringList({"English", "French", "German", "Chinese", "Polish", "Spanish",
                                   "English", "Nameless"}));
    // Two records with one name: the file of the later, the code of the earlier.
    EXPECT_EQ(HVUtilities::getFWFileForLang("English", list), "en-gb.bin");
    EXPECT_EQ(HVUtilities::getLangIdForLang("English", list), "409");
    EXPECT_EQ(HVUtilities::getLangIdForLang("French", list), "0x040C");
    EXPECT_TRUE(HVUtilities::getFWFileForLang("english", list).isNull());
    EXPECT_TRUE(HVUtilities::getLangIdForLang("Klingon", list).isNull());

    // Empty and missing lists.
    EXPECT_EQ(HVUtilities::getLangArrayforList(QVariantList()), QStringList());
    EXPECT_FALSE(HVUtilities::getLangArrayforList(QVariant()).has_value());
    EXPECT_FALSE(HVUtilities::getLangArrayforList(QStringLiteral("not a list")).has_value());
    EXPECT_TRUE(HVUtilities::getFWFileForLang(QString(), list).isNull());
    EXPECT_TRUE(HVUtilities::getLangIdForLang("English", QVariant()).isNull());
    // Elements that are no language records are passed over.
    QVariantList mixed{QStringLiteral("English"), QVariant(), language("Dutch", "413", "nl.bin")};
    EXPECT_EQ(HVUtilities::getLangArrayforList(mixed), QStringList{"Dutch"});
    EXPECT_EQ(HVUtilities::getLangName("1", "1043", mixed, QString()), "Dutch");

    // The same lookups over region and tunes records.
    const QVariantList regions{region<HVXmlBuildVectorRegionInfo>("Europe", "3", "eu.bin"),
                               region<HVXmlBuildVectorRegionInfo>("Americas", "12", "am.bin"),
                               region<HVXmlBuildVectorTunesInfo>("Asia", "4", "as.bin"),
                               region<HVXmlBuildVectorRegionInfo>("Europe", "30", "eu2.bin")};
    EXPECT_EQ(HVUtilities::getRegionArrayforList(regions),
              QStringList({"Europe", "Americas", "Asia", "Europe"}));

    // The identifier compares as text: "03" is not "3".
    const QVariant found = HVUtilities::getRegionFromVersion("3", regions);
    ASSERT_TRUE(found.canConvert<HVXmlBuildVectorRegionInfoPtr>());
    EXPECT_EQ(found.value<HVXmlBuildVectorRegionInfoPtr>(),
              regions.at(0).value<HVXmlBuildVectorRegionInfoPtr>());
    EXPECT_FALSE(HVUtilities::getRegionFromVersion("03", regions).isValid());
    const QVariant tunes = HVUtilities::getRegionFromVersion("4", regions);
    ASSERT_TRUE(tunes.canConvert<HVXmlBuildVectorTunesInfoPtr>());
    EXPECT_EQ(tunes.value<HVXmlBuildVectorTunesInfoPtr>()->regionName(), "Asia");

    EXPECT_EQ(HVUtilities::getFWFileForRegion("Europe", regions), "eu.bin"); // first match
    EXPECT_EQ(HVUtilities::getFWFileForRegion("Asia", regions), "as.bin");
    EXPECT_TRUE(HVUtilities::getFWFileForRegion("Africa", regions).isNull());

    EXPECT_FALSE(HVUtilities::getRegionArrayforList(QVariant()).has_value());
    EXPECT_FALSE(HVUtilities::getRegionFromVersion(QString(), regions).isValid());
    EXPECT_TRUE(HVUtilities::getFWFileForRegion("Europe", QVariant()).isNull());
}
