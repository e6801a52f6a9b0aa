#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/StubApplications.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

using testsupport::makeStubApplication;
using testsupport::StubProcess;

namespace {

QVariantMap bundleInfo(const QString& identifier, const QString& version) {
    return {{"CFBundleIdentifier", identifier}, {"CFBundleShortVersionString", version}};
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

    testsupport::ScopedSandbox m_sandbox;
    testsupport::TraceCapture m_trace;
};

} // namespace

TEST_F(Softphones, StatusFollowsInstallationRunningAndVersion) {
    EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "3.0"), HVUtilities::kSoftphoneNotInstalled);

    const QString equinox =
        makeStubApplication(apps(), "Avaya Equinox", bundleInfo("com.avaya.eq", "2.9"), "equinox");
    EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "2.10"), kNotRunning);

    {
        StubProcess running(equinox + "/Contents/MacOS/equinox");
        ASSERT_TRUE(running.isRunning());
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "2.10"), kUnsupported);
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "2.9"), kRunning);
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", QString()), kRunning);

        // No version at all counts as supported.
        ASSERT_TRUE(platform::plist::writeFile(equinox + "/Contents/Info.plist",
                                               QVariantMap{{"CFBundleIdentifier", "com.avaya.eq"},
                                                           {"CFBundleExecutable", "equinox"}}));
        EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "99"), kRunning);
    }
    EXPECT_EQ(status("com.avaya.eq", "Avaya Equinox", "1"), kNotRunning);
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
