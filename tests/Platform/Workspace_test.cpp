#include "Platform/Workspace.h"
#include "support/StubApplications.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::Workspace;
using testsupport::makeStubApplication;

namespace {

QVariantMap identified(const char* identifier) {
    return {{QStringLiteral("CFBundleIdentifier"), QString::fromLatin1(identifier)}};
}

} // namespace

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
