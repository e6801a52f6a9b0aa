#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/StubApplications.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDir>
#include <gtest/gtest.h>

using testsupport::makeStubApplication;
using testsupport::StubProcess;

namespace {

QVariantMap bundleInfo(const QString& identifier, const QString& version = {}) {
    QVariantMap info{{"CFBundleIdentifier", identifier}};
    if (!version.isNull()) {
        info.insert("CFBundleShortVersionString", version);
    }
    return info;
}

QString path(const QString& identifier, const QString& name) {
    return HVUtilities::getUtilitySoftphonePath(identifier, name);
}
qint32 status(const QString& identifier, const QString& name, const QString& version) {
    return HVUtilities::getUtilitySoftphoneStatusBundleId(identifier, name, version);
}
constexpr qint32 kRunning = HVUtilities::kSoftphoneRunning;
constexpr qint32 kNotRunning = HVUtilities::kSoftphoneNotRunning;
constexpr qint32 kUnsupported = HVUtilities::kSoftphoneVersionNotSupported;
const QString kBria = "com.CounterPath_Corporation.Bria-4";

class Softphones : public ::testing::Test {
protected:
    QString apps() const { return m_sandbox.system("Applications"); }
    QString suiteCopy(const char* name) const {
        return m_sandbox.system("Library/Application Support/Zorva/ZorvaMacSuite/") +
               QLatin1String(name);
    }
    void writePreferences(const QVariantMap& values) {
        const QString path = m_sandbox.home("Library/Preferences/com.zorva.prefsettings.plist");
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(platform::plist::writeFile(path, values));
    }

    testsupport::ScopedSandbox m_sandbox;
    testsupport::TraceCapture m_trace;
};

} // namespace

TEST_F(Softphones, PathsOnMountedVolumesAreReplacedByTheSuitesCopies) {
    const QString skype = makeStubApplication(apps(), "Skype", bundleInfo("com.skype.skype"));
    EXPECT_EQ(path("com.skype.skype", "Skype"), skype);

    // On a disk image: the suite's own copy, whether or not it is there.
    QDir(skype).removeRecursively();
    // clang-format off
    const struct { const char *app, *identifier, *name, *copy; } mounted[] = {
        {"Skype", "com.skype.skype", "Skype", "Skype.app"},
        {"one-X", "com.avaya.onex", "Avaya one-X® Communicator", "Avaya one-X Communicator.app"},
        {"Equinox", "com.avaya.eq", "Avaya Equinox", "Avaya Equinox.app"},
        {"Bria 4", "com.CounterPath_Corporation.Bria-4", "CounterPath Bria 4 Pro", "Bria.app"}};
    // clang-format on
    for (const auto& m : mounted) {
        makeStubApplication(m_sandbox.system("Volumes/") + m.app, m.app, bundleInfo(m.identifier));
        EXPECT_EQ(path(m.identifier, QString::fromUtf8(m.name)), suiteCopy(m.copy)) << m.app;
    }
    // Another softphone, or a folder merely named like it, keeps its path.
    const QString other =
        makeStubApplication(m_sandbox.system("Volumes/Other"), "Other", bundleInfo("com.other"));
    EXPECT_EQ(path("com.other", "Other"), other);
    const QString almost =
        makeStubApplication(apps() + "/MyVolumes", "Skype2", bundleInfo("com.skype.two"));
    EXPECT_EQ(path("com.skype.two", "Skype"), almost);

    m_trace.take();
    EXPECT_TRUE(path("com.absent", "Skype").isNull());
    EXPECT_TRUE(m_trace.take().contains(
        "Utilities HIGH getSoftphoneStatus : Sametime and ST Embeded is not Found in System \n"));
}

TEST_F(Softphones, SametimeFallsBackToIbmNotes) {
    EXPECT_TRUE(path("com.ibm.Sametime", "Sametime").isNull());
    const QByteArray missing = m_trace.take();
    EXPECT_TRUE(missing.contains("getSoftphoneStatus : Sametime is not Found in System %@\n"));
    EXPECT_TRUE(missing.contains("Sametime and ST Embeded is not Found in System"));

    const QString notes =
        makeStubApplication(apps(), "IBM Notes", bundleInfo("com.ibm.Notes", "9.0.1"));
    EXPECT_EQ(path("com.ibm.Sametime", "Sametime"), notes);

    // A Sametime folder marked for deletion is looked for as Sametime.app beside it.
    const QString marked =
        makeStubApplication(apps() + "/IBM", "Sametime DELETEME", bundleInfo("com.ibm.Sametime"));
    m_trace.take();
    EXPECT_EQ(path("com.ibm.Sametime", "Sametime"), notes);
    QByteArray trace = m_trace.take();
    EXPECT_TRUE(trace.contains("CRITICAL getSoftphoneStatus : File contains wrong path\n"));
    EXPECT_TRUE(trace.contains("INFO getSoftphoneStatus softphone value is IBM Notes"));

    const QString corrected = makeStubApplication(apps() + "/IBM", "Sametime", {});
    EXPECT_EQ(path("com.ibm.Sametime", "Sametime"), corrected);
    ASSERT_FALSE(marked.isNull());

    // Bria 4 falls back to its beta.
    const QString beta = makeStubApplication(apps(), "Bria 4 Beta",
                                             bundleInfo("com.CounterPath_Corporation.Bria-4-Beta"));
    m_trace.take();
    EXPECT_EQ(path(kBria, "Bria 4"), beta);
    EXPECT_TRUE(m_trace.take().contains("getSoftphoneStatus : bria is not Found in System %@\n"));
}

TEST_F(Softphones, StatusFollowsInstallationRunningAndVersion) {
    EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "3.0"), HVUtilities::kSoftphoneNotInstalled);

    const QString equinox =
        makeStubApplication(apps(), "Avaya Equinox", bundleInfo("com.avaya.eq", "2.9"), "equinox");
    m_trace.take();
    EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "2.10"), kNotRunning);
    EXPECT_TRUE(m_trace.take().contains("Utilities HIGH HVSoftphoneoffline\n"));

    {
        StubProcess running(equinox + "/Contents/MacOS/equinox");
        ASSERT_TRUE(running.isRunning());
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "2.10"), kUnsupported);
        EXPECT_TRUE(m_trace.take().contains(
            "Utilities CRITICAL getSoftphoneStatus : Avaya version is not supported\n"));
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "2.9"), kRunning);
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", QString()), kRunning);

        ASSERT_TRUE(
            platform::plist::writeFile(equinox + "/Contents/Info.plist",
                                       QVariantMap{{"CFBundleIdentifier", "com.avaya.eq"},
                                                   {"CFBundleExecutable", "equinox"},
                                                   {"CFBundleShortVersionString", "2.10.1"}}));
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "2.10"), kRunning);
        // No version at all counts as supported.
        ASSERT_TRUE(platform::plist::writeFile(equinox + "/Contents/Info.plist",
                                               QVariantMap{{"CFBundleIdentifier", "com.avaya.eq"},
                                                           {"CFBundleExecutable", "equinox"}}));
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "99"), kRunning);
    }
    EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "1"), kNotRunning);

    // A process with no bundle identifier is recognised by its name.
    const QString anonymous = makeStubApplication(apps() + "/Other", "Phone",
                                                  {{"CFBundleName", "Avaya Equinox"}}, "phone");
    StubProcess byName(anonymous + "/Contents/MacOS/phone");
    ASSERT_TRUE(byName.isRunning());
    EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "1"), kRunning);
}

TEST_F(Softphones, IbmNotesAndBriaBetaStandInWhenRunning) {
    const QString notes =
        makeStubApplication(apps(), "IBM Notes", bundleInfo("com.ibm.Notes", "9.0.1"), "notes");
    EXPECT_EQ(status("com.ibm.Sametime", "Sametime", "9.0"), kNotRunning);
    {
        StubProcess running(notes + "/Contents/MacOS/notes");
        ASSERT_TRUE(running.isRunning());
        EXPECT_EQ(status("com.ibm.Sametime", "Sametime", "9.0"), kRunning);
        EXPECT_EQ(status("com.ibm.Sametime", "Sametime", "9.0.2"), kUnsupported);
    }
    // Sametime installed itself, with IBM Notes running under its localized name: the
    // version compared is still that of IBM Notes.
    makeStubApplication(apps(), "Sametime", bundleInfo("com.ibm.Sametime", "1.0"));
    const QString renamed =
        makeStubApplication(apps() + "/x", "Lotus", {{"CFBundleName", "IBM Notes"}}, "lotus");
    {
        StubProcess running(renamed + "/Contents/MacOS/lotus");
        ASSERT_TRUE(running.isRunning());
        EXPECT_EQ(status("com.ibm.Sametime", "Sametime", "9.0"), kRunning);
    }

    const QString beta = makeStubApplication(
        apps(), "Bria Beta", bundleInfo("com.CounterPath_Corporation.Bria-4-Beta", "4.2"), "bria");
    EXPECT_EQ(HVUtilities::getBriaSPVersion(), "4.2");
    StubProcess running(beta + "/Contents/MacOS/bria");
    ASSERT_TRUE(running.isRunning());
    EXPECT_EQ(status(kBria, "Bria 4", "4.1"), kRunning);
    EXPECT_EQ(status(kBria, "Bria 4", "4.10"), kUnsupported);
}

TEST_F(Softphones, InformationPropertyListIsFoundInEitherLetterCase) {
    const QString app = apps() + "/Lower.app";
    ASSERT_TRUE(testsupport::writeFile(app + "/Contents/info.plist", "x"));
    EXPECT_EQ(HVUtilities::softphoneInfoPlistPath(app), app + "/Contents/info.plist");
    QFile::rename(app + "/Contents/info.plist", app + "/Contents/Info.plist");
    EXPECT_EQ(HVUtilities::softphoneInfoPlistPath(app), app + "/Contents/Info.plist");
    QFile::remove(app + "/Contents/Info.plist");
    EXPECT_TRUE(HVUtilities::softphoneInfoPlistPath(app).isNull());
    EXPECT_TRUE(HVUtilities::softphoneInfoPlistPath(QString()).isNull());
}

TEST_F(Softphones, VersionsOfBriaAndTheJabberPlugin) {
    EXPECT_TRUE(HVUtilities::getBriaSPVersion().isNull());
    makeStubApplication(apps(), "Bria 4", bundleInfo(kBria, "4.9.1"));
    EXPECT_EQ(HVUtilities::getBriaSPVersion(), "4.9.1");

    const QString plugin = m_sandbox.system(
        "Library/Cisco/Jabber/Accessories/Zorva/com.cisco.jabber.accesories.zorva.plist");
    EXPECT_EQ(HVUtilities::getCiscoPluginVersion(), "1.0.0");
    ASSERT_TRUE(testsupport::writeFile(plugin, "<plist><dict><key>plugin"));
    EXPECT_EQ(HVUtilities::getCiscoPluginVersion(), "1.0.0");
    ASSERT_TRUE(platform::plist::writeFile(plugin, QVariantMap{{"pluginversion", "2.3.4"}}));
    EXPECT_EQ(HVUtilities::getCiscoPluginVersion(), "2.3.4");
    ASSERT_TRUE(platform::plist::writeFile(plugin, QVariantMap{{"other", "x"}}));
    EXPECT_TRUE(HVUtilities::getCiscoPluginVersion().isNull());
}

TEST_F(Softphones, PreferredSoftphoneAndPresenceFromPreferences) {
    EXPECT_EQ(HVUtilities::getPreferredSoftphoneID(), 7); // no preference file at all
    EXPECT_FALSE(HVUtilities::willUpdateSpPresence());
    // clang-format off
    const std::pair<QVariant, qint32> table[] = {{"Standard", 255}, {"None (Audio Only)", 8},
        {"Microsoft Lync & Skype for Business", 0}, {"standard", 7}, {"Skype", 7}, {qint64(255), 7}};
    // clang-format on
    for (const auto& [stored, expected] : table) {
        writePreferences({{"zorvapreferredSP", stored}});
        m_trace.take();
        EXPECT_EQ(HVUtilities::getPreferredSoftphoneID(), expected)
            << stored.toString().toStdString();
        const QByteArray trace = m_trace.take();
        EXPECT_TRUE(trace.contains(
            "getPreferredSoftphoneIDFor :returns ID: " + QByteArray::number(expected) + "\n"));
    }
    writePreferences({});
    m_trace.take();
    EXPECT_EQ(HVUtilities::getPreferredSoftphoneID(), 7);
    EXPECT_TRUE(m_trace.take().contains("getPreferredSoftphoneIDFor :In String: (null)\n"));

    // clang-format off
    const std::pair<QVariantMap, bool> presence[] = {
        {{{"PresenceUpdateSelected", "TRUE"}, {"PresenceUpdateEnabled", "TRUE"}}, true},
        {{{"PresenceUpdateSelected", "TRUE"}, {"PresenceUpdateEnabled", "true"}}, false},
        {{{"PresenceUpdateSelected", true}, {"PresenceUpdateEnabled", "TRUE"}}, false},
        {{{"PresenceUpdateEnabled", "TRUE"}}, false}};
    // clang-format on
    for (const auto& [values, updates] : presence) {
        writePreferences(values);
        EXPECT_EQ(HVUtilities::willUpdateSpPresence(), updates) << values.size();
    }
}
