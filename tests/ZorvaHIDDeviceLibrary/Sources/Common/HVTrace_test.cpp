#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

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
        {category(0), "Info"}, {category(2), "Softphone"}, {category(21), "Softphone"}, {category(18), "Pref Controller"},
        {category(19), "Status Controller"}, {category(22), "IPC"}, {category(23), "Utilities"},
        {category(24), "App Service"}, {category(26), "Trace"}, {category(17), "Log"}, {category(27), "Log"},
        {category(-1), "Log"}, {severity(0), "HVPLOG"}, {severity(2), "CRITICAL"}, {severity(6), "INFO"},
        {severity(-1), "Log"}, {severity(7), "Log"}, {severity(100), "Log"}, {parsed("HVPLOG"), "0"},
        {parsed("FATAL"), "1"}, {parsed("MEDIUM"), "4"}, {parsed("LOW"), "5"}, {parsed("info"), "6"},
        {parsed("critical"), "6"}, {parsed(""), "6"}, {parsed(nullptr), "6"}};
    // clang-format on
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(name, expected);
    }
}

TEST(HVTraceRecord, IsPinnedByteForByte) {
    TraceCapture capture;
    HVTrace::writeLine("Reset Device and softphone information ", 19, 2);
    const QByteArray bytes = readFile(capture.path());
    EXPECT_TRUE(
        QRegularExpression("^\\n\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  Status Controller "
                           "CRITICAL Reset Device and softphone information $")
            .match(QString::fromUtf8(bytes))
            .hasMatch())
        << bytes.constData();
    EXPECT_EQ(HVTrace::formatRecord("2026-01-02 03:04:05", "héllo\n", 1000, 9),
              QString::fromUtf8("\n2026-01-02 03:04:05  Log Log héllo\n"));

    // A message ending in a line feed leaves a blank line before the next;
    // non-ASCII text arrives as UTF-8.
    HVTrace::writeLine("first\n", 19, 2);
    HVTrace::writeLine(QString::fromUtf8("Gerät ✓"), 23, 6);
    EXPECT_TRUE(capture.text().contains("first\n\n")) << capture.text().toStdString();
    EXPECT_EQ(capture.records().mid(1), (QStringList{"Status Controller CRITICAL first\n",
                                                     QString::fromUtf8("Utilities INFO Gerät ✓")}));
    EXPECT_TRUE(readFile(capture.path()).endsWith("Utilities INFO Ger\xc3\xa4t \xe2\x9c\x93"));
}

TEST(HVTraceThreshold, FiltersBySeverityAndSwitch) {
    TraceCapture capture;
    HVTrace::setTraceOn(false);
    HVTrace::writeLine("off", 19, 0);
    EXPECT_FALSE(QFileInfo::exists(capture.path()));
    EXPECT_FALSE(HVTrace::isTraceOn());
    HVTrace::setTraceOn(true);
    EXPECT_TRUE(HVTrace::isTraceOn());
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

TEST(HVTraceThreads, RecordsFromManyThreadsArriveWhole) {
    TraceCapture capture;
    const QString payload(500, u'p');
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &payload] {
            for (int i = 0; i < 200; ++i) {
                HVTrace::writeLine(QStringLiteral("t%1 i%2 %3 end").arg(t).arg(i).arg(payload), 22,
                                   4);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const QStringList records = capture.records();
    ASSERT_EQ(records.size(), 8 * 200);
    const QRegularExpression whole("^IPC MEDIUM t\\d i\\d+ p{500} end$");
    for (const QString& record : records) {
        ASSERT_TRUE(whole.match(record).hasMatch()) << record.left(80).toStdString();
    }
}
