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

TEST(Workspace, RunningApplicationsCarryTheirBundlesIdentityAndName) {
    testsupport::ScopedSandbox sandbox;
    const QString apps = sandbox.system("Applications");
    QVariantMap named = identified("com.x.named");
    named.insert("CFBundleName", "Named Phone");
    const QString namedBundle = makeStubApplication(apps, "Named", named, "named");
    const QString plainBundle =
        makeStubApplication(apps, "Plain Phone", identified("com.x.plain"), "plain");
    const QString anonymous = makeStubApplication(apps, "Anonymous", {}, "anon");
    ASSERT_FALSE(namedBundle.isNull());
    ASSERT_FALSE(plainBundle.isNull());
    ASSERT_FALSE(anonymous.isNull());
    // An executable outside any bundle.
    ASSERT_TRUE(QFile::copy("/bin/sleep", sandbox.home("loose-tool")));

    testsupport::StubProcess named1(namedBundle + "/Contents/MacOS/named");
    testsupport::StubProcess plain1(plainBundle + "/Contents/MacOS/plain");
    testsupport::StubProcess anon1(anonymous + "/Contents/MacOS/anon");
    testsupport::StubProcess loose(sandbox.home("loose-tool"));
    ASSERT_TRUE(named1.isRunning() && plain1.isRunning() && anon1.isRunning() && loose.isRunning());

    const auto a = findProcess(named1.processId());
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->bundleIdentifier, "com.x.named");
    EXPECT_EQ(a->localizedName, "Named Phone");
    EXPECT_EQ(a->bundlePath, namedBundle);

    const auto b = findProcess(plain1.processId());
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->bundleIdentifier, "com.x.plain");
    EXPECT_EQ(b->localizedName, "Plain Phone");

    const auto c = findProcess(anon1.processId());
    ASSERT_TRUE(c.has_value());
    EXPECT_TRUE(c->bundleIdentifier.isNull());
    EXPECT_EQ(c->localizedName, "Anonymous");

    const auto d = findProcess(loose.processId());
    ASSERT_TRUE(d.has_value());
    EXPECT_TRUE(d->bundleIdentifier.isNull());
    EXPECT_TRUE(d->bundlePath.isNull());
    EXPECT_EQ(d->localizedName, "loose-tool");

    // The list is in process order, and this test's own process is in it.
    const QList<RunningApplication> all = Workspace::runningApplications();
    for (qsizetype i = 1; i < all.size(); ++i) {
        EXPECT_LT(all.at(i - 1).processIdentifier, all.at(i).processIdentifier);
    }
    EXPECT_TRUE(findProcess(QCoreApplication::applicationPid()).has_value());
}

TEST(Workspace, AStoppedApplicationLeavesTheList) {
    testsupport::ScopedSandbox sandbox;
    const QString bundle = makeStubApplication(sandbox.system("Applications"), "Brief",
                                               identified("com.x.brief"), "brief");
    qint64 pid = 0;
    {
        testsupport::StubProcess process(bundle + "/Contents/MacOS/brief");
        ASSERT_TRUE(process.isRunning());
        pid = process.processId();
        EXPECT_TRUE(findProcess(pid).has_value());
    }
    EXPECT_FALSE(findProcess(pid).has_value());
}
