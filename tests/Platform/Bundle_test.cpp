#include "Platform/Bundle.h"
#include "Platform/Paths.h"
#include "Platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::Bundle;
using testsupport::ScopedSandbox;

namespace {

QString makeBundle(const ScopedSandbox& sandbox, const QString& name) {
    const QString path = sandbox.home(name);
    QDir().mkpath(path + "/Contents/Resources");
    QDir().mkpath(path + "/Contents/MacOS");
    platform::plist::writeFile(path + "/Contents/Info.plist",
                               QVariantMap{{"CFBundleIdentifier", "com.zorva.Test"},
                                           {"CFBundleExecutable", "Test Program"},
                                           {"Trace Enable Status", true}});
    testsupport::writeFile(path + "/Contents/Resources/Battery_3.png", "png");
    testsupport::writeFile(path + "/Contents/Resources/README", "plain");
    return path;
}

} // namespace

TEST(Bundle, InfoDictionaryResourcesAndExecutable) {
    ScopedSandbox sandbox;
    const QString path = makeBundle(sandbox, "Test.app");
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
