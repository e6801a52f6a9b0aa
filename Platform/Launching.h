#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

// Finding the suite's bundles and starting applications.
namespace platform {

class Bundle;

// An error reported by a platform operation: its domain and status code.
struct Error {
    QString domain;
    qint64 code = 0;
    bool operator==(const Error&) const = default;
};

// The domain of errors carrying a launch status.
inline constexpr char kOSStatusErrorDomain[] = "NSOSStatusErrorDomain";

// The Library folders of the user, local and network domains, in that order:
//   $HOME/Library, <system root>/Library, <system root>/Network/Library
QStringList libraryDirectories();

// The folders holding the users' home folders, for the local and network
// domains in that order: <system root>/Users, <system root>/Network/Users
QStringList userDirectories();

// A bundle the process already knows (its main bundle) whose identifier is
// exactly the given one; null otherwise.
std::shared_ptr<const Bundle> knownBundleWithIdentifier(const QString& identifier);

// Status of the path given to a launch: 0 when something exists there,
// otherwise an errno value (ENOENT for nothing at the path, EINVAL for an empty
// path).
int resolveApplicationPath(const QString& path);

// The file a launch runs: for a bundle folder its Contents/MacOS/ executable
// named by CFBundleExecutable, otherwise the path itself. Null when a bundle
// folder names no executable.
QString applicationExecutable(const QString& path);

// Starts the application at a path (a bundle folder or an executable) as a
// detached process with exactly the given argument vector: no shell, no
// quoting, the environment and working folder of this process. The process is
// not waited for and outlives this one. 0 when it was started, otherwise an
// errno value: ENOENT (nothing to run), EACCES (not an executable file) or the
// reason the start failed.
int openApplication(const QString& path, const QStringList& arguments);

// Opens a bundle the way the workspace opens a file: a bundle folder that names
// an executable (Contents/MacOS/ + CFBundleExecutable) is started like an
// application, with no arguments; any other path goes to the desktop's default
// handler. False when nothing could be started.
bool openBundleOrFile(const QString& path);

// Opens a URL with the user's default handler (web browser, file manager ...).
bool openURL(const QUrl& url);
// Opens a file or folder with its default application.
bool openFile(const QString& path);

} // namespace platform
