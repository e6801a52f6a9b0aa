#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using testsupport::readFile;
using testsupport::ScopedSandbox;
using testsupport::TraceCapture;
namespace plist = platform::plist;

namespace {

const QString kRelative = QStringLiteral("Library/Preferences/com.zorva.prefsettings.plist");

QVariantMap templateDictionary() {
    return {{"pListVersion", "2.1"},
            {"zorvaStatusMenu", "TRUE"},
            {"ShowBatteryStatus", "TRUE"},
            {"UpdatePackageAvail", "FALSE"}};
}

class PreferenceStore : public ::testing::Test {
protected:
    void installTemplate(const QVariantMap& dictionary = templateDictionary()) {
        ASSERT_TRUE(testsupport::writeFile(sandbox.system(kRelative),
                                           plist::toData(dictionary, plist::Format::Xml)));
    }
    void installUserFile(const QVariantMap& dictionary) {
        ASSERT_TRUE(testsupport::writeFile(sandbox.home(kRelative),
                                           plist::toData(dictionary, plist::Format::Xml)));
    }
    QVariantMap userFile() const {
        return plist::readDictionary(sandbox.home(kRelative)).value_or(QVariantMap{});
    }

    ScopedSandbox sandbox;
    TraceCapture trace;
};

} // namespace

TEST_F(PreferenceStore, FirstRunSeedsFromTemplateAndTheUserFileIsNeverReplaced) {
    // Without either file there is nothing to read and nothing is written.
    EXPECT_FALSE(HVUtilities::synchronizePreferencePlist());
    EXPECT_FALSE(HVUtilities::getValueFromUserDefaultForKey("x").isValid());
    HVUtilities::saveUserDefaultsValueWithKey("x", "y");
    HVUtilities::clearKeyValueFromStandardUserDefaults("x");
    EXPECT_FALSE(QFileInfo::exists(sandbox.home(kRelative)));

    installTemplate();
    EXPECT_EQ(HVUtilities::getValueFromUserDefaultForKey("zorvaStatusMenu").toString(), "TRUE");
    EXPECT_EQ(readFile(sandbox.home(kRelative)), readFile(sandbox.system(kRelative)));
    EXPECT_EQ(trace.count("Copy successful"), 1);
    EXPECT_FALSE(HVUtilities::getValueFromUserDefaultForKey("zorvapreferredSP").isValid());

    // A newer template changes nothing.
    installTemplate({{"pListVersion", "9.0"}, {"zorvaStatusMenu", "TRUE"}});
    installUserFile({{"pListVersion", "1.0"}, {"zorvaStatusMenu", "FALSE"}});
    const QByteArray before = readFile(sandbox.home(kRelative));
    EXPECT_TRUE(HVUtilities::synchronizePreferencePlist());
    EXPECT_EQ(HVUtilities::getValueFromUserDefaultForKey("zorvaStatusMenu").toString(), "FALSE");
    EXPECT_EQ(readFile(sandbox.home(kRelative)), before);
}

TEST_F(PreferenceStore, SavingReplacesOneKeyAndKeepsEveryOther) {
    const QVariantMap original{
        {"pListVersion", "2.1"},
        {"TarvikData", QVariantList{QVariantMap{{"DongleId", "1"}, {"Headsets", QVariantList{}}}}},
        {"blob", QByteArray("\x00\x01\x02", 3)},
        {"when", QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), QTimeZone::utc())},
        {"ratio", 0.125},
        {"count", qint64(-3)},
        {"flag", true}};
    installUserFile(original);

    HVUtilities::saveUserDefaultsValueWithKey("prefPaneTabIndex", 0);
    QVariantMap stored = userFile();
    EXPECT_EQ(stored.value("prefPaneTabIndex").toLongLong(), 0);
    EXPECT_EQ(stored.value("prefPaneTabIndex").typeId(), QMetaType::LongLong);

    HVUtilities::saveUserDefaultsValueWithKey("prefPaneTabIndex", 2);
    stored = userFile();
    EXPECT_EQ(stored.value("prefPaneTabIndex").toLongLong(), 2);
    EXPECT_TRUE(readFile(sandbox.home(kRelative)).startsWith("<?xml"));
    // Clearing rewrites the file even when the key is already gone.
    for (int i = 0; i < 2; ++i) {
        HVUtilities::clearKeyValueFromStandardUserDefaults("prefPaneTabIndex");
        EXPECT_EQ(userFile(), original);
    }
    EXPECT_EQ(trace.count("clearKeyValueFromStandardUserDefaults :writeToFile returns 1\n"), 2);
}

TEST_F(PreferenceStore, FlagsAreTrueOnlyForExactTRUE) {
    installUserFile({{"a", "TRUE"}, {"b", "true"}, {"c", "YES"}, {"d", true}, {"e", "TRUE "}});
    EXPECT_TRUE(HVUtilities::isPreferenceFlagSet("a"));
    for (const char* key : {"b", "c", "d", "e", "missing"}) {
        EXPECT_FALSE(HVUtilities::isPreferenceFlagSet(key)) << key;
    }
}

TEST_F(PreferenceStore, UnreadableUserFileIsLeftAlone) {
    installTemplate();
    const QList<QByteArray> bad = {
        plist::toData(templateDictionary(), plist::Format::Binary).left(40),
        plist::toData(templateDictionary(), plist::Format::Xml).left(120),
        QByteArray(300, '\x07'),
        plist::toData(QVariantList{"not", "a", "dictionary"}, plist::Format::Xml),
    };
    for (const QByteArray& bytes : bad) {
        ASSERT_TRUE(testsupport::writeFile(sandbox.home(kRelative), bytes));
        EXPECT_TRUE(HVUtilities::synchronizePreferencePlist());
        EXPECT_FALSE(HVUtilities::getValueFromUserDefaultForKey("zorvaStatusMenu").isValid());
        HVUtilities::saveUserDefaultsValueWithKey("prefPaneTabIndex", 0);
        HVUtilities::clearKeyValueFromStandardUserDefaults("zorvaStatusMenu");
        EXPECT_EQ(readFile(sandbox.home(kRelative)), bytes);
    }
    EXPECT_EQ(trace.count("Copy successful"), 0);
}

TEST_F(PreferenceStore, FolderInPlaceOfFileAndUnwritableFolder) {
    installTemplate();
    QDir().mkpath(sandbox.home(kRelative));
    EXPECT_TRUE(HVUtilities::synchronizePreferencePlist());
    EXPECT_FALSE(HVUtilities::getValueFromUserDefaultForKey("zorvaStatusMenu").isValid());
    HVUtilities::saveUserDefaultsValueWithKey("x", "y");
    EXPECT_TRUE(QFileInfo(sandbox.home(kRelative)).isDir());
    QDir(sandbox.home(kRelative)).removeRecursively();

    // The template cannot be copied when a file stands where the folder should be.
    QDir(sandbox.home("Library")).removeRecursively();
    ASSERT_TRUE(testsupport::writeFile(sandbox.home("Library/Preferences"), "not a folder"));
    EXPECT_FALSE(HVUtilities::synchronizePreferencePlist());
    EXPECT_EQ(trace.count("Copy failed"), 1);
    EXPECT_FALSE(HVUtilities::getValueFromUserDefaultForKey("zorvaStatusMenu").isValid());
    EXPECT_EQ(readFile(sandbox.home("Library/Preferences")), "not a folder");
}

TEST_F(PreferenceStore, FailedWriteIsTracedAndKeepsTheOldFile) {
    // A file larger than the process's file-size limit cannot be written, even by
    // root; the trace file stays well below the limit so its records still arrive.
    const QVariantMap original{{"keep", "me"}, {"padding", QByteArray(64 * 1024, 'p')}};
    installUserFile(original);
    HVTrace::writeLine("before the limit", 19, 6);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = static_cast<rlim_t>(QFileInfo(trace.path()).size() + 32 * 1024);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    HVUtilities::saveUserDefaultsValueWithKey("x", "y");
    HVUtilities::clearKeyValueFromStandardUserDefaults("keep");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(userFile(), original);
    EXPECT_TRUE(trace.contains("Utilities", "CRITICAL",
                               "saveUserDefaultsValueWithKey :writeToFile returns 0\n"));
    EXPECT_TRUE(trace.contains("Utilities", "INFO",
                               "clearKeyValueFromStandardUserDefaults :writeToFile returns 0\n"));
}
