#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::ScopedSandbox;
using testsupport::TraceCapture;

TEST(HVTraceNames, CategoriesAndSeverities) {
    const auto category = &HVTrace::categoryToString;
    const auto severity = &HVTrace::SeverityToString;
    const auto parsed = [](const char* name) {
        return QString::number(HVTrace::stringToSeverity(name));
    };
    // clang-format off
    const std::pair<QString, const char*> cases[] = {
        {category(0), "Info"}, {category(2), "Softphone"}, {category(21), "Softphone"}, {category(24), "App Service"},
        {category(26), "Trace"}, {category(17), "Log"}, {category(27), "Log"}, {category(-1), "Log"},
        {severity(-1), "Log"}, {severity(7), "Log"}, {parsed("HVPLOG"), "0"}, {parsed("FATAL"), "1"},
        {parsed("MEDIUM"), "4"}, {parsed("LOW"), "5"}, {parsed("critical"), "6"}, {parsed(nullptr), "6"}};
    // clang-format on
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(name, expected);
    }
}

TEST(HVTraceRecord, IsPinnedByteForByteAndFilteredBySeverityAndSwitch) {
    TraceCapture capture;
    HVTrace::writeLine("Reset Device and softphone information ", 19, 2);
    const QByteArray bytes = readFile(capture.path());
    EXPECT_TRUE(
        QRegularExpression("^\\n\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  Status Controller "
                           "CRITICAL Reset Device and softphone information $")
            .match(QString::fromUtf8(bytes))
            .hasMatch())
        << bytes.constData();

    // A message ending in a line feed leaves a blank line before the next;
    // non-ASCII text arrives as UTF-8.
    HVTrace::writeLine("first\n", 19, 2);
    HVTrace::writeLine(QString::fromUtf8("Gerät ✓"), 23, 6);
    EXPECT_TRUE(capture.text().contains("first\n\n")) << capture.text().toStdString();
    EXPECT_EQ(capture.records().mid(1), (QStringList{"Status Controller CRITICAL first\n",
                                                     QString::fromUtf8("Utilities INFO Gerät ✓")}));

    // Records are filtered by the switch and the severity threshold.
    capture.take();
    HVTrace::setTraceOn(false);
    HVTrace::writeLine("off", 19, 0);
    EXPECT_FALSE(QFileInfo::exists(capture.path()));
    HVTrace::setTraceOn(true);
    // (threshold, severity, message): written when the severity is at most the threshold.
    const std::tuple<int, int, const char*> writes[] = {
        {0, 0, "sev0"}, {0, 1, "sev1"},  {6, 0, "at0"}, {6, 6, "at6"},
        {6, 7, "at7"},  {9, 7, "seven"}, {-1, 0, "neg"}};
    for (const auto& [threshold, severity, message] : writes) {
        HVTrace::setLogSeverity(threshold);
        HVTrace::writeLine(message, 19, severity);
    }
    EXPECT_EQ(capture.records(),
              (QStringList{"Status Controller HVPLOG sev0", "Status Controller HVPLOG at0",
                           "Status Controller INFO at6", "Status Controller Log seven"}));
}

TEST(HVTraceFile, SizeLimitFoldersAndUnopenablePaths) {
    ScopedSandbox sandbox;
    const QString path = sandbox.home("Library/Logs/Zorva/deep/status.log");
    HVTrace::setLogSeverity(6);
    HVTrace::setTraceOn(true);
    HVTrace::writeLine("no path was ever set", 19, 2);
    // The folder chain is made at once; the file comes with the first record.
    HVTrace::setTraceFilePath(path);
    EXPECT_TRUE(QFileInfo(sandbox.home("Library/Logs/Zorva/deep")).isDir());
    EXPECT_FALSE(QFileInfo::exists(path));
    // Emptied once it holds ten mebibytes, not before.
    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(HVTrace::kMaxFileSize - 1, 'x')));
    HVTrace::writeLine("appended", 23, 6);
    QByteArray bytes = readFile(path);
    EXPECT_TRUE(bytes.size() > HVTrace::kMaxFileSize && bytes.startsWith("xxxx") &&
                bytes.endsWith("Utilities INFO appended"));
    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(10485760, 'y')));
    HVTrace::writeLine("fresh", 23, 6);
    bytes = readFile(path);
    EXPECT_TRUE(bytes.size() < 100 && bytes.startsWith("\n") &&
                bytes.endsWith("Utilities INFO fresh"));

    // A folder where the file should be, a file in the way of the folder, a
    // relative path of two components: records are dropped, nothing is made.
    QDir().mkpath(sandbox.home("folder.log"));
    ASSERT_TRUE(testsupport::writeFile(sandbox.home("blocker"), "x"));
    for (const QString& unusable : {sandbox.home("folder.log"), sandbox.home("blocker/sub/x.log"),
                                    QStringLiteral("nofolder/x.log")}) {
        HVTrace::setTraceFilePath(unusable);
        HVTrace::writeLine("dropped", 19, 2);
    }
    EXPECT_TRUE(QFileInfo(sandbox.home("folder.log")).isDir());
    EXPECT_EQ(readFile(sandbox.home("blocker")), "x");
    EXPECT_FALSE(QFileInfo::exists("nofolder"));
    HVTrace::setTraceOn(false);
}
