#include "Platform/Workspace.h"
#include "support/StubApplications.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

using platform::RunningApplication;
using platform::Workspace;
using testsupport::makeStubApplication;

namespace {

QVariantMap identified(const char* identifier) {
    return {{QStringLiteral("CFBundleIdentifier"), QString::fromLatin1(identifier)}};
}

std::optional<RunningApplication> findProcess(qint64 pid) {
    for (const RunningApplication& app : Workspace::runningApplications()) {
        if (app.processIdentifier == pid) {
            return app;
        }
    }
    return std::nullopt;
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
    EXPECT_TRUE(Workspace::absolutePathForAppBundleWithIdentifier("com.X.SHARED").isNull());
    EXPECT_TRUE(Workspace::absolutePathForAppBundleWithIdentifier(QString()).isNull());

    // A bundle whose Info.plist is broken or names nothing is skipped, not fatal.
    const QString broken = makeStubApplication(system, "Broken", identified("com.x.broken"));
    ASSERT_TRUE(testsupport::writeFile(broken + "/Contents/Info.plist", "<plist><dict><key>"));
    EXPECT_TRUE(Workspace::absolutePathForAppBundleWithIdentifier("com.x.broken").isNull());
}

// How running processes are named (bundle names and stopped processes are
// covered by the softphone-status tests, which stand on this list).
TEST(Workspace, RunningApplicationsCarryTheirBundlesIdentityAndName) {
    testsupport::ScopedSandbox sandbox;
    const QString plainBundle = makeStubApplication(sandbox.system("Applications"), "Plain Phone",
                                                    identified("com.x.plain"), "plain");
    ASSERT_TRUE(QFile::copy("/bin/sleep", sandbox.home("loose-tool")));
    testsupport::StubProcess plain(plainBundle + "/Contents/MacOS/plain");
    testsupport::StubProcess loose(sandbox.home("loose-tool"));
    ASSERT_TRUE(plain.isRunning() && loose.isRunning());

    const auto a = findProcess(plain.processId());
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(std::tie(a->bundleIdentifier, a->localizedName, a->bundlePath),
              std::tie("com.x.plain", "Plain Phone", plainBundle));
    // An executable outside any bundle.
    const auto b = findProcess(loose.processId());
    ASSERT_TRUE(b.has_value());
    EXPECT_TRUE(b->bundleIdentifier.isNull() && b->bundlePath.isNull());
    EXPECT_EQ(b->localizedName, "loose-tool");

    // The list is in process order, and this test's own process is in it.
    const QList<RunningApplication> all = Workspace::runningApplications();
    for (qsizetype i = 1; i < all.size(); ++i) {
        EXPECT_LT(all.at(i - 1).processIdentifier, all.at(i).processIdentifier);
    }
    EXPECT_TRUE(findProcess(QCoreApplication::applicationPid()).has_value());
}
