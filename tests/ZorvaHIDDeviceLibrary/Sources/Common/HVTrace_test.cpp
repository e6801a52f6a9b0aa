#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testsupport::readFile;
using testsupport::ScopedSandbox;
using testsupport::TraceCapture;

TEST(HVTraceNames, CategoriesAndSeverities) {
    EXPECT_EQ(HVTrace::categoryToString(0), "Info");
    EXPECT_EQ(HVTrace::categoryToString(2), "Softphone");
    EXPECT_EQ(HVTrace::categoryToString(21), "Softphone");
    EXPECT_EQ(HVTrace::categoryToString(18), "Pref Controller");
    EXPECT_EQ(HVTrace::categoryToString(19), "Status Controller");
    EXPECT_EQ(HVTrace::categoryToString(22), "IPC");
    EXPECT_EQ(HVTrace::categoryToString(23), "Utilities");
    EXPECT_EQ(HVTrace::categoryToString(24), "App Service");
    EXPECT_EQ(HVTrace::categoryToString(26), "Trace");
    for (int category : {17, 27, 1000, -1}) {
        EXPECT_EQ(HVTrace::categoryToString(category), "Log") << category;
    }

    EXPECT_EQ(HVTrace::SeverityToString(0), "HVPLOG");
    EXPECT_EQ(HVTrace::SeverityToString(2), "CRITICAL");
    EXPECT_EQ(HVTrace::SeverityToString(6), "INFO");
    for (int severity : {-1, 7, 100}) {
        EXPECT_EQ(HVTrace::SeverityToString(severity), "Log") << severity;
    }

    EXPECT_EQ(HVTrace::stringToSeverity("HVPLOG"), 0);
    EXPECT_EQ(HVTrace::stringToSeverity("FATAL"), 1);
    EXPECT_EQ(HVTrace::stringToSeverity("MEDIUM"), 4);
    EXPECT_EQ(HVTrace::stringToSeverity("LOW"), 5);
    EXPECT_EQ(HVTrace::stringToSeverity("info"), 6);
    EXPECT_EQ(HVTrace::stringToSeverity("critical"), 6);
    EXPECT_EQ(HVTrace::stringToSeverity(QString()), 6);
    EXPECT_EQ(HVTrace::stringToSeverity(""), 6);
}

TEST(HVTraceRecord, IsPinnedByteForByte) {
    TraceCapture capture;
    const QString before = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
    HVTrace::writeLine("Reset Device and softphone information ", 19, 2);
    const QString after = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");

    const QByteArray bytes = readFile(capture.path());
    const QRegularExpression shape(
        "^\\n(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)  Status Controller "
        "CRITICAL Reset Device and softphone information $");
    const auto match = shape.match(QString::fromUtf8(bytes));
    ASSERT_TRUE(match.hasMatch()) << bytes.constData();
    EXPECT_GE(match.captured(1), before);
    EXPECT_LE(match.captured(1), after);

    EXPECT_EQ(HVTrace::formatRecord("2026-01-02 03:04:05", "héllo\n", 1000, 9),
              QString::fromUtf8("\n2026-01-02 03:04:05  Log Log héllo\n"));
}

TEST(HVTraceRecord, MessageEndingInLineFeedLeavesBlankLineBeforeNext) {
    TraceCapture capture;
    HVTrace::writeLine("first\n", 19, 2);
    HVTrace::writeLine("second", 19, 2);
    const QString text = capture.text();
    EXPECT_TRUE(text.contains("first\n\n")) << text.toStdString();
    EXPECT_EQ(capture.records(), (QStringList{"Status Controller CRITICAL first\n",
                                              "Status Controller CRITICAL second"}));
    // Non-ASCII text arrives as UTF-8.
    HVTrace::writeLine(QString::fromUtf8("Gerät ✓"), 23, 6);
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

    HVTrace::setLogSeverity(0);
    HVTrace::writeLine("sev0", 19, 0);
    HVTrace::writeLine("sev1", 19, 1);

    HVTrace::setLogSeverity(6);
    for (int s = 0; s <= 7; ++s) {
        HVTrace::writeLine(QStringLiteral("at6-%1").arg(s), 19, s);
    }
    HVTrace::setLogSeverity(9);
    HVTrace::writeLine("seven", 19, 7);

    HVTrace::setLogSeverity(-1);
    HVTrace::writeLine("negative", 19, 0);

    const QStringList records = capture.records();
    EXPECT_EQ(records.size(), 1 + 7 + 1);
    EXPECT_EQ(records.first(), "Status Controller HVPLOG sev0");
    EXPECT_EQ(capture.count("sev1"), 0);
    EXPECT_EQ(capture.count("at6-6"), 1);
    EXPECT_EQ(capture.count("at6-7"), 0);
    EXPECT_TRUE(capture.contains("Status Controller", "Log", "seven"));
    EXPECT_EQ(capture.count("negative"), 0);
}

TEST(HVTraceFile, EmptiedAtTenMebibytesNotBefore) {
    ScopedSandbox sandbox;
    const QString path = sandbox.home("trace.log");
    HVTrace::setTraceFilePath(path);
    HVTrace::setLogSeverity(6);
    HVTrace::setTraceOn(true);

    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(HVTrace::kMaxFileSize - 1, 'x')));
    HVTrace::writeLine("appended", 23, 6);
    QByteArray bytes = readFile(path);
    EXPECT_GT(bytes.size(), HVTrace::kMaxFileSize - 1);
    EXPECT_TRUE(bytes.startsWith("xxxx"));
    EXPECT_TRUE(bytes.endsWith("Utilities INFO appended"));

    ASSERT_TRUE(testsupport::writeFile(path, QByteArray(10485760, 'y')));
    HVTrace::writeLine("fresh", 23, 6);
    bytes = readFile(path);
    EXPECT_LT(bytes.size(), 100);
    EXPECT_TRUE(bytes.startsWith("\n"));
    EXPECT_TRUE(bytes.endsWith("Utilities INFO fresh"));
    HVTrace::setTraceOn(false);
}

TEST(HVTraceFile, PathCreatesFolderChainOnlyWhenMissing) {
    ScopedSandbox sandbox;
    const QString path = sandbox.home("Library/Logs/Zorva/deep/status.log");
    HVTrace::setTraceFilePath(path);
    EXPECT_TRUE(QFileInfo(sandbox.home("Library/Logs/Zorva/deep")).isDir());
    EXPECT_FALSE(QFileInfo::exists(path)); // the file comes with the first record

    HVTrace::setLogSeverity(6);
    HVTrace::setTraceOn(true);
    HVTrace::writeLine("created", 19, 6);
    EXPECT_TRUE(QFileInfo(path).isFile());

    // An existing path is used as it is; nothing new appears beside it.
    const QString existing = sandbox.home("existing.log");
    ASSERT_TRUE(testsupport::writeFile(existing, "old"));
    HVTrace::setTraceFilePath(existing);
    HVTrace::writeLine("more", 19, 6);
    EXPECT_TRUE(readFile(existing).startsWith("old\n"));

    // A relative path of two components names no folder to create.
    HVTrace::setTraceFilePath("nofolder/x.log");
    EXPECT_FALSE(QFileInfo::exists("nofolder"));
    HVTrace::setTraceOn(false);
}

TEST(HVTraceFile, UnopenablePathDropsRecordsQuietly) {
    ScopedSandbox sandbox;
    HVTrace::setLogSeverity(6);
    HVTrace::setTraceOn(true);

    // No path was ever set in this process.
    HVTrace::writeLine("nowhere", 19, 2);

    // A folder stands where the file should be.
    QDir().mkpath(sandbox.home("folder.log"));
    HVTrace::setTraceFilePath(sandbox.home("folder.log"));
    HVTrace::writeLine("into a folder", 19, 2);
    EXPECT_TRUE(QFileInfo(sandbox.home("folder.log")).isDir());

    // The folder of the file cannot be created (a file is in the way).
    ASSERT_TRUE(testsupport::writeFile(sandbox.home("blocker"), "x"));
    HVTrace::setTraceFilePath(sandbox.home("blocker/sub/x.log"));
    HVTrace::writeLine("blocked", 19, 2);
    EXPECT_EQ(readFile(sandbox.home("blocker")), "x");

    if (::geteuid() != 0) { // root writes anywhere
        QDir().mkpath(sandbox.home("ro"));
        ::chmod(QFile::encodeName(sandbox.home("ro")).constData(), 0555);
        HVTrace::setTraceFilePath(sandbox.home("ro/x.log"));
        HVTrace::writeLine("read-only", 19, 2);
        EXPECT_FALSE(QFileInfo::exists(sandbox.home("ro/x.log")));
    }
    HVTrace::setTraceOn(false);
}

TEST(HVTraceThreads, RecordsFromManyThreadsArriveWhole) {
    TraceCapture capture;
    constexpr int kThreads = 8;
    constexpr int kPerThread = 200;
    const QString payload(500, u'p');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &payload] {
            for (int i = 0; i < kPerThread; ++i) {
                HVTrace::writeLine(QStringLiteral("t%1 i%2 %3 end").arg(t).arg(i).arg(payload), 22,
                                   4);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const QStringList records = capture.records();
    ASSERT_EQ(records.size(), kThreads * kPerThread);
    const QRegularExpression whole("^IPC MEDIUM t\\d i\\d+ p{500} end$");
    for (const QString& record : records) {
        ASSERT_TRUE(whole.match(record).hasMatch()) << record.left(80).toStdString();
    }
}
