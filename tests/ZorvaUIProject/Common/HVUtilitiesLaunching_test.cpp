#include "Platform/Bundle.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/StubApplications.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDir>
#include <cerrno>
#include <gtest/gtest.h>

using testsupport::expectedRecord;
using testsupport::recorderScript;
using testsupport::ScopedSandbox;
using testsupport::TraceCapture;
using testsupport::waitForRecord;
using testsupport::writeExecutable;

namespace {

const QString kPaneName = QStringLiteral("Zorva Suite for Mac.prefPane");

class Launching : public ::testing::Test {
protected:
    Launching() { HVUtilities::resetHVPrefsPaneCache(); }
    ~Launching() override { HVUtilities::resetHVPrefsPaneCache(); }

    bool traced(const QString& message) const {
        return trace.contains("Pref Controller", "CRITICAL", message);
    }
    // A bundle folder "Zorva Suite for Mac.prefPane" with the identifier.
    QString installPane(const QString& library, const QString& identifier) {
        const QString path = library + "/PreferencePanes/" + kPaneName;
        QVariantMap info{{"CFBundleShortVersionString", "1.0"}};
        if (!identifier.isNull()) {
            info.insert("CFBundleIdentifier", identifier);
        }
        EXPECT_TRUE(QDir().mkpath(path + "/Contents"));
        EXPECT_TRUE(platform::plist::writeFile(path + "/Contents/Info.plist", info));
        return path;
    }

    ScopedSandbox sandbox;
    TraceCapture trace;
};

QString pathOf(const std::shared_ptr<const platform::Bundle>& bundle) {
    return bundle ? bundle->bundlePath() : QStringLiteral("(none)");
}

} // namespace

TEST_F(Launching, BundleOrExecutableReceivesArgumentsByteForByte) {
    const QString app = sandbox.system("Applications/Zorva Firmware Updater.app");
    const QString record = sandbox.system("received args");
    ASSERT_TRUE(writeExecutable(app + "/Contents/MacOS/updater 'x", recorderScript(record)));
    ASSERT_TRUE(platform::plist::writeFile(app + "/Contents/Info.plist",
                                           QVariantMap{{"CFBundleExecutable", "updater 'x"}}));

    const QStringList arguments{QStringLiteral("RunningFromZms"),
                                QStringLiteral("{\n    LocIdKey = 12;\n    ProdIdKey = 0x093B;\n}"),
                                QStringLiteral("two  spaces and \"double\" and 'single' quotes"),
                                QStringLiteral("$HOME `id` ; | & > * ? \\ back"),
                                QStringLiteral("Grüße, 日本語, emoji \U0001F3A7"),
                                QString(),
                                QStringLiteral("-n"),
                                QStringLiteral(" leading and trailing ")};
    std::optional<platform::Error> error = platform::Error{"stale", 1};
    EXPECT_TRUE(HVUtilities::launchApplicationAtPath(app, arguments, &error));
    EXPECT_FALSE(error.has_value()); // cleared on entry
    EXPECT_EQ(waitForRecord(record), expectedRecord(arguments));
    EXPECT_TRUE(trace.records().isEmpty());

    // A plain executable is started as it is.
    const QString tool = sandbox.system("bin/recorder");
    ASSERT_TRUE(writeExecutable(tool, recorderScript(record + "2")));
    EXPECT_TRUE(HVUtilities::launchApplicationAtPath(tool, {"a b", ""}));
    EXPECT_EQ(waitForRecord(record + "2"), expectedRecord({"a b", ""}));
}

TEST_F(Launching, FailuresAnswerFalse) {
    // Nothing at the path: traced with the status, the error stays empty.
    std::optional<platform::Error> error;
    const QString missing = sandbox.system("Applications/Zorva Firmware Updater.app");
    EXPECT_FALSE(HVUtilities::launchApplicationAtPath(missing, {"x"}, &error));
    EXPECT_FALSE(error.has_value());
    EXPECT_TRUE(traced(QString("Error in launchApplicationAtPath : %1 ").arg(ENOENT)));

    // A bundle without an executable, and a file that is not executable: the
    // start is refused, the error carries the status, no trace line.
    const QString empty = testsupport::makeStubApplication(sandbox.system("Applications"), "Empty",
                                                           {{"CFBundleIdentifier", "x"}});
    ASSERT_FALSE(empty.isEmpty());
    EXPECT_FALSE(HVUtilities::launchApplicationAtPath(empty, {}, &error));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain, "NSOSStatusErrorDomain");
    EXPECT_EQ(error->code, ENOENT);
    const QString text = sandbox.system("notes.txt");
    ASSERT_TRUE(testsupport::writeFile(text, "#!/bin/sh\n"));
    EXPECT_FALSE(HVUtilities::launchApplicationAtPath(text, {}, &error));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code, EACCES);
    EXPECT_EQ(trace.records().size(), 1);

    // No path at all is refused.
    EXPECT_FALSE(HVUtilities::launchApplicationAtPath(QString(), {}, &error));
    EXPECT_TRUE(traced("Invalid parameter not satisfying: path != nil"));
}

TEST_F(Launching, SettingsPaneSearchOrderAndIdentifierRules) {
    const QString user = sandbox.home("Library");
    const QString local = sandbox.system("Library");
    const QString network = sandbox.system("Network/Library");

    // Nowhere: none, and the next call searches again.
    EXPECT_EQ(HVUtilities::getHVPrefsPane(), nullptr);
    const QString localPane = installPane(local, "com.hvlabs.Zorva");
    EXPECT_EQ(pathOf(HVUtilities::getHVPrefsPane()), localPane);

    // The user's copy wins over the local one (on a fresh search).
    HVUtilities::resetHVPrefsPaneCache();
    const QString userPane = installPane(user, "COM.HVLABS.zorva");
    const auto found = HVUtilities::getHVPrefsPane();
    EXPECT_EQ(pathOf(found), userPane);

    // Once found, the same bundle answers without looking at the folders again.
    ASSERT_TRUE(QDir(userPane).removeRecursively());
    ASSERT_TRUE(QDir(localPane).removeRecursively());
    EXPECT_EQ(HVUtilities::getHVPrefsPane(), found);

    // Another identifier, or none, is skipped and the next domain is tried.
    HVUtilities::resetHVPrefsPaneCache();
    installPane(user, "com.hvlabs.Zorva.helper");
    installPane(local, QString());
    const QString networkPane = installPane(network, "com.hvlabs.zorva");
    EXPECT_EQ(pathOf(HVUtilities::getHVPrefsPane()), networkPane);

    // A plain file by that name is no bundle.
    HVUtilities::resetHVPrefsPaneCache();
    ASSERT_TRUE(QDir(networkPane).removeRecursively());
    ASSERT_TRUE(testsupport::writeFile(network + "/PreferencePanes/" + kPaneName, "x"));
    EXPECT_EQ(HVUtilities::getHVPrefsPane(), nullptr);
}
