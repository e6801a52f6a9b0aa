#include "Platform/Processes.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

std::unique_ptr<QProcess> start(const QString& program, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->start(program, arguments);
    process->waitForStarted(10000);
    return process;
}

} // namespace

TEST(Processes, SignalsOnlyTheCurrentUsersProcessesOfTheName) {
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFileDevice::ExeOther);
    struct Case {
        QString name;
        int instances;
        bool ends;
    };
    // The pattern is found anywhere in the executable's name, as grep finds it. The
    // name carries this process's number, so that other programs on the machine are
    // never among those signalled.
    const QString name =
        QStringLiteral("Zorva %1 bar item").arg(QCoreApplication::applicationPid());
    // clang-format off
    const std::vector<Case> cases = {{name, 3, true}, {name + QStringLiteral(" helper"), 1, true},
        {name.chopped(5), 1, false}, {name.toLower(), 1, false}, {QStringLiteral("Zorva Quillo Agent"), 1, false}};
    // clang-format on
    std::vector<std::pair<std::unique_ptr<QProcess>, bool>> processes;
    // Copies of /bin/sleep under the names, in a folder others may enter.
    for (const Case& c : cases) {
        const QString path = dir.path() + u'/' + c.name;
        ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), path)) << c.name.toStdString();
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOther |
                                        QFileDevice::ReadOther);
        for (int i = 0; i < c.instances; ++i) {
            processes.emplace_back(start(path, {QStringLiteral("300")}), c.ends);
            ASSERT_EQ(processes.back().first->state(), QProcess::Running);
        }
    }
    // The same name under another user is never touched.
    std::unique_ptr<QProcess> otherUser;
    if (getuid() == 0) {
        otherUser = start(QStringLiteral("/usr/bin/setpriv"),
                          {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                           QStringLiteral("--clear-groups"), dir.path() + u'/' + name,
                           QStringLiteral("300")});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (const auto& p : platform::currentUserProcesses()) {
                    if (p.processIdentifier == otherUser->processId()) {
                        return false; // still setpriv, not yet the other user
                    }
                }
                return true;
            },
            5000));
    }

    EXPECT_EQ(platform::signalProcessesMatching(QRegularExpression(name + u'*'), SIGKILL), 4);
    for (auto& [process, ends] : processes) {
        if (ends) {
            EXPECT_TRUE(process->waitForFinished(5000));
            EXPECT_EQ(process->exitStatus(), QProcess::CrashExit);
        } else {
            EXPECT_TRUE(::kill(static_cast<pid_t>(process->processId()), 0) == 0);
        }
    }
    if (otherUser) {
        EXPECT_TRUE(::kill(static_cast<pid_t>(otherUser->processId()), 0) == 0);
        otherUser->kill();
        otherUser->waitForFinished(5000);
    }
    for (auto& [process, ends] : processes) {
        process->kill();
        process->waitForFinished(5000);
    }
}
