#include "Platform/Allocator.h"

#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

TEST(Allocator, AddsTheSettingOnlyWhereItIsMissing) {
    struct Case {
        const char* current;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {nullptr, "glibc.malloc.tcache_count=0"},
        {"", "glibc.malloc.tcache_count=0"},
        {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:glibc.malloc.tcache_count=0"},
        {"glibc.malloc.tcache_count=7", std::nullopt},
        {"glibc.malloc.arena_max=2:glibc.malloc.tcache_count=0", std::nullopt},
        // Another tunable whose name merely contains ours.
        {"x.glibc.malloc.tcache_count=3",
         "x.glibc.malloc.tcache_count=3:glibc.malloc.tcache_count=0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current ? c.current : "(unset)");
        EXPECT_EQ(platform::tunedAllocatorSettings(c.current), c.expected);
    }
}

#if !defined(__SANITIZE_ADDRESS__)
// The running item was started again with the setting, and knows to unset it for
// the programs it starts.
TEST(Allocator, TheStatusItemRunsWithTheSetting) {
    QProcess item;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("GLIBC_TUNABLES"));
    item.setProcessEnvironment(env);
    item.start(QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/MacOS/Zorva menu bar item"), {});
    ASSERT_TRUE(item.waitForStarted());
    QByteArray environ;
    for (int i = 0; i < 100 && !environ.contains("ZORVA_ORIGINAL_GLIBC_TUNABLES"); ++i) {
        QThread::msleep(20);
        QFile file(QStringLiteral("/proc/%1/environ").arg(item.processId()));
        environ = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    item.kill();
    item.waitForFinished();
    const QList<QByteArray> vars = environ.split('\0');
    EXPECT_TRUE(vars.contains("GLIBC_TUNABLES=glibc.malloc.tcache_count=0"));
    EXPECT_TRUE(vars.contains("ZORVA_ORIGINAL_GLIBC_TUNABLES=-"));
}
#endif
