#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <sys/types.h>

// The processes of the current user, read from /proc. Another user's processes
// are never listed, and so never signalled.
namespace platform {

struct UserProcess {
    pid_t processIdentifier = 0;
    // The executable's file name (as /proc/<pid>/exe names it, without a
    // " (deleted)" mark); the first word of the command line when the link
    // cannot be read. Never truncated, unlike /proc/<pid>/comm.
    QString executableName;
};

// The current user's processes (real user ID), in ascending process number.
QList<UserProcess> currentUserProcesses();

// Sends the signal to every current-user process whose executable name the
// pattern matches anywhere (as grep would), this process last, so that all the
// others have been signalled before it ends. Answers the number signalled.
int signalProcessesMatching(const QRegularExpression& pattern, int signal);

} // namespace platform
