#include "Platform/Bundle.h"
#include "Platform/Paths.h"
#include "Platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <gtest/gtest.h>

using platform::Bundle;
using testsupport::ScopedSandbox;

namespace {

QString makeBundle(const ScopedSandbox& sandbox, const QString& name, bool withTranslations) {
    const QString path = sandbox.home(name);
    QDir().mkpath(path + "/Contents/Resources");
    QDir().mkpath(path + "/Contents/MacOS");
    platform::plist::writeFile(path + "/Contents/Info.plist",
                               QVariantMap{{"CFBundleIdentifier", "com.zorva.Test"},
                                           {"CFBundleExecutable", "Test Program"},
                                           {"Trace Enable Status", true}});
    testsupport::writeFile(path + "/Contents/Resources/Battery_3.png", "png");
    testsupport::writeFile(path + "/Contents/Resources/README", "plain");
    if (withTranslations) {
        for (const char* file : {"/zorva_en.qm", "/zorva_de.qm"}) {
            QFile::copy(QStringLiteral(ZORVA_TEST_TRANSLATIONS_DIR) + file,
                        path + "/Contents/Resources" + file);
        }
    }
    return path;
}

} // namespace

TEST(Bundle, InfoDictionaryResourcesAndExecutable) {
    ScopedSandbox sandbox;
    const QString path = makeBundle(sandbox, "Test.app", false);
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

// The user's language falling back to English is watched end to end through the
// installed menu; here, the keys no translation holds, with and without translations.
TEST(Bundle, UntranslatedKeysStandForThemselves) {
    ScopedSandbox sandbox;
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German));
    const auto translated = Bundle::bundleWithPath(makeBundle(sandbox, "Lang.app", true));
    const auto bare = Bundle::bundleWithPath(makeBundle(sandbox, "Bare.app", false));
    EXPECT_EQ(translated->localizedStringForKey("GREETING_KEY"), "Hallo zusammen");
    EXPECT_EQ(translated->localizedStringForKey("Untranslated"), "Untranslated");
    EXPECT_EQ(bare->localizedStringForKey("GREETING_KEY"), "GREETING_KEY");
    QLocale::setDefault(before);
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
