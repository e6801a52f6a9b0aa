#include "Platform/Bundle.h"
#include "Platform/Paths.h"
#include "Platform/Workspace.h"
#include "support/StubApplications.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::Bundle;
using platform::Workspace;
using testsupport::makeStubApplication;
using testsupport::ScopedSandbox;

namespace {

QVariantMap identified(const char* identifier) {
    return {{QStringLiteral("CFBundleIdentifier"), QString::fromLatin1(identifier)}};
}

} // namespace

TEST(Bundle, InfoDictionaryResourcesAndExecutable) {
    ScopedSandbox sandbox;
    const QString path = makeStubApplication(
        sandbox.home(), "Test",
        {{"CFBundleIdentifier", "com.zorva.Test"}, {"Trace Enable Status", true}}, "Test Program");
    testsupport::writeFile(path + "/Contents/Resources/README", "plain");
    const auto bundle = Bundle::bundleWithPath(path);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundleIdentifier(), "com.zorva.Test");
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("Trace Enable Status"), QVariant(true));
    EXPECT_FALSE(bundle->objectForInfoDictionaryKey("Trace File Location").isValid());
    EXPECT_EQ(bundle->executablePath(), path + "/Contents/MacOS/Test Program");
    EXPECT_EQ(bundle->pathForResource("README", QString()), path + "/Contents/Resources/README");
    EXPECT_TRUE(bundle->pathForResource("Battery_9", "png").isNull());
    EXPECT_FALSE(Bundle::bundleWithPath(sandbox.home("Missing.app")));
    // A folder without an information property list is a bundle with nothing in it.
    QDir().mkpath(sandbox.home("Empty.app"));
    const auto empty = Bundle::bundleWithPath(sandbox.home("Empty.app"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->infoDictionary().isEmpty() && empty->executablePath().isNull());
}

TEST(Paths, SystemRootRelocatesFixedPaths) {
    {
        ScopedSandbox sandbox;
        EXPECT_EQ(platform::homeDirectory(), sandbox.home());
        EXPECT_EQ(platform::systemPath("/Library/x.plist"),
                  sandbox.systemRoot() + "/Library/x.plist");
    }
    qunsetenv("ZORVA_SYSTEM_ROOT");
    EXPECT_EQ(platform::systemPath("/Applications"), "/Applications");
}

TEST(Workspace, FindsBundlesByIdentifierInSearchOrder) {
    testsupport::ScopedSandbox sandbox;
    const QString home = sandbox.home("Applications");
    const QString system = sandbox.system("Applications");
    const QString inSystem = makeStubApplication(system, "Shared", identified("com.x.shared"));
    const QString inHome = makeStubApplication(home, "Shared", identified("com.x.shared"));
    const QString nested =
        makeStubApplication(system + "/Vendor/Suite", "Deep", identified("com.x.deep"));
    const QString tooDeep =
        makeStubApplication(system + "/a/b/c/d", "Hidden", identified("com.x.hidden"));
    const QString onVolume =
        makeStubApplication(sandbox.system("Volumes/Skype"), "Skype", identified("com.skype"));
    // A bundle inside another bundle is not an installed application.
    makeStubApplication(inSystem + "/Contents/Helpers", "Helper", identified("com.x.helper"));
    ASSERT_FALSE(tooDeep.isNull());

    EXPECT_EQ(Workspace::absolutePathForAppBundleWithIdentifier("com.x.shared"), inHome);
    QDir(inHome).removeRecursively();
    EXPECT_EQ(Workspace::absolutePathForAppBundleWithIdentifier("com.x.shared"), inSystem);
    EXPECT_EQ(Workspace::absolutePathForAppBundleWithIdentifier("com.x.deep"), nested);
    EXPECT_EQ(Workspace::absolutePathForAppBundleWithIdentifier("com.skype"), onVolume);
    EXPECT_TRUE(Workspace::absolutePathForAppBundleWithIdentifier("com.x.hidden").isNull());
    EXPECT_TRUE(Workspace::absolutePathForAppBundleWithIdentifier("com.x.helper").isNull());
    EXPECT_TRUE(Workspace::absolutePathForAppBundleWithIdentifier(QString()).isNull());

    // A bundle whose Info.plist is broken or names nothing is skipped, not fatal.
    const QString broken = makeStubApplication(system, "Broken", identified("com.x.broken"));
    ASSERT_TRUE(testsupport::writeFile(broken + "/Contents/Info.plist", "<plist><dict><key>"));
    EXPECT_TRUE(Workspace::absolutePathForAppBundleWithIdentifier("com.x.broken").isNull());
}
