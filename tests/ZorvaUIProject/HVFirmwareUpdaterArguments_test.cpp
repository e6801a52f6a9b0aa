#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "Platform/ObjectDescription.h"
#include "Platform/PropertyList.h"
#include "ZorvaUIProject/HVFirmwareUpdaterArguments.h"
#include "support/OldStylePropertyList.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

using testsupport::parseOldStylePropertyList;
using testsupport::ScopedSandbox;
using testsupport::TraceCapture;
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

    // Location identifiers: unsigned decimal digits, text as it is, (null) when absent.
    map.insert("LocIdKey", qint64(-1));
    EXPECT_EQ(descriptionOf(map).value("LocIdKey"), "18446744073709551615");
    map.insert("LocIdKey", quint64(1) << 63);
    EXPECT_EQ(descriptionOf(map).value("LocIdKey"), "9223372036854775808");
    map.insert("LocIdKey", 0);
    EXPECT_EQ(descriptionOf(map).value("LocIdKey"), "0");
    map.insert("LocIdKey", "0x1400000");
    EXPECT_EQ(descriptionOf(map).value("LocIdKey"), "0x1400000");
    map.remove("LocIdKey");
    EXPECT_EQ(descriptionOf(map).value("LocIdKey"), "(null)");

    // Product identifiers: a leading "HV" only.
    for (const auto& [in, out] : {std::pair{"HV1001", "0x1001"},
                                  {"HV093B", "0x093B"},
                                  {"hv1001", "hv1001"},
                                  {"1001", "1001"},
                                  {"XHV1", "XHV1"},
                                  {"HV", "0x"}}) {
        map.insert("ProdIdKey", in);
        EXPECT_EQ(descriptionOf(map).value("ProdIdKey"), out) << in;
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
    EXPECT_FALSE(d.contains("buildVectorInfo"));

    const QVariantMap files{{"base", "base_2.1.7.bin"}, {"usb", "usb 1.2 \"rc\".bin"}};
    map.insert("buildVectorInfo", QVariant::fromValue(buildWithFiles(files)));
    map.remove("selectedRegionKey");
    d = descriptionOf(map);
    EXPECT_FALSE(d.contains("selectedRegionKey"));
    EXPECT_EQ(d.value("buildVectorInfo"), platform::describe(files));
    EXPECT_EQ(parseOldStylePropertyList(d.value("buildVectorInfo").toString()), files);
}

TEST(UpdaterArguments, TextFormReadsBackIntoTheSameDictionary) {
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

    // Keys in ascending order, capitalised ones first.
    const QStringList order{"AvailableVersionKey", "LocIdKey",       "ProdIdKey",
                            "buildVectorInfo",     "downloadURLKey", "selectedLangKey",
                            "selectedRegionKey"};
    qsizetype last = -1;
    for (const QString& key : order) {
        const qsizetype at = text.indexOf("\n    " + key + " = ");
        EXPECT_GT(at, last) << key.toStdString();
        last = at;
    }
    EXPECT_TRUE(text.startsWith("{\n    AvailableVersionKey = \"\";\n"));
    EXPECT_TRUE(text.endsWith(";\n}"));
    EXPECT_TRUE(
        text.contains(R"(    selectedLangKey = "Fran\U00e7ais \\ \"qu\U00e9b\U00e9cois\"";)"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(R"(    ProdIdKey = 0xA0B1;)"));
    // The whole text is ASCII: everything else is escaped.
    for (QChar c : text) {
        EXPECT_LT(c.unicode(), 0x80);
    }

    const QVariant parsed = parseOldStylePropertyList(text);
    ASSERT_EQ(parsed.typeId(), QMetaType::QVariantMap) << text.toStdString();
    const QVariantMap back = parsed.toMap();
    EXPECT_EQ(back, Args::updateDescription(entry));
    EXPECT_EQ(back.value("ProdIdKey"), "0xA0B1");
    EXPECT_EQ(back.value("downloadURLKey"), map.value("downloadURLKey"));
    EXPECT_EQ(back.value("selectedLangKey"), map.value("selectedLangKey"));
    EXPECT_EQ(back.value("selectedRegionKey"), map.value("selectedRegionKey"));
    // The file-name map is one quoted string inside, itself readable.
    EXPECT_EQ(parseOldStylePropertyList(back.value("buildVectorInfo").toString()), files);
}

// Only letters, digits and _$/:.- stand unquoted in the text; every other
// character ("+" of "1.0+2" included) makes the value quoted, and a strict reader
// gets the value back.
TEST(UpdaterArguments, ValuesAreQuotedUnlessMadeOfPlainCharacters) {
    const QString plain = QStringLiteral("_$/:.-");
    QString characters = QStringLiteral("\t\n\u00e9");
    for (char16_t c = 0x20; c < 0x7f; ++c) {
        characters += QChar(c);
    }
    for (const QChar c : characters) {
        const QString version = QStringLiteral("1.0") + c + QStringLiteral("2");
        SCOPED_TRACE(version.toStdString());
        QVariantMap map = baseEntry();
        map.insert("AvailableVersionKey", version);
        const QString text = Args::arguments(HVComponentUpdateList::makeEntry(map)).at(1);
        const bool bare = (c.unicode() < 0x80 && c.isLetterOrNumber()) || plain.contains(c);
        EXPECT_EQ(text.contains("\n    AvailableVersionKey = " + version + ";\n"), bare);
        EXPECT_EQ(parseOldStylePropertyList(text).toMap().value("AvailableVersionKey"), version);
    }
}

TEST(UpdaterArguments, StartUpdateLaunchesTheUpdaterWithTheArguments) {
    ScopedSandbox sandbox;
    TraceCapture trace;
    EXPECT_EQ(Args::updaterPath(), sandbox.system("Applications/Zorva Firmware Updater.app"));

    QVariantMap map = baseEntry();
    map.insert("selectedLangKey", "Grüße \"x\"\nnext");
    const HVComponentEntry entry = HVComponentUpdateList::makeEntry(map);
    // Not installed: nothing starts, the launch failure is traced.
    EXPECT_FALSE(Args::startUpdate(entry));
    EXPECT_EQ(trace.count("Arguments Array : " + platform::describe(Args::arguments(entry))), 1);

    // A recorder in the updater's place gets the arguments byte for byte.
    const QString app = Args::updaterPath();
    const QString record = sandbox.system("updater args");
    ASSERT_TRUE(testsupport::writeFile(
        app + "/Contents/MacOS/updater",
        "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + record.toUtf8() +
            ".tmp' && mv '" + record.toUtf8() + ".tmp' '" + record.toUtf8() + "'\n"));
    QFile::setPermissions(app + "/Contents/MacOS/updater",
                          QFile::permissions(app + "/Contents/MacOS/updater") |
                              QFileDevice::ExeOwner);
    ASSERT_TRUE(platform::plist::writeFile(app + "/Contents/Info.plist",
                                           QVariantMap{{"CFBundleExecutable", "updater"}}));
    EXPECT_TRUE(Args::startUpdate(entry));
    QDeadlineTimer deadline(15000);
    while (!QFileInfo::exists(record) && !deadline.hasExpired()) {
        QThread::msleep(20);
    }
    QByteArray expected;
    for (const QString& a : Args::arguments(entry)) {
        expected += a.toUtf8() + '\0';
    }
    EXPECT_EQ(testsupport::readFile(record), expected);
}
