#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The workspace's view of installed and running applications.
//
// An application is a bundle folder "<name>.app" holding Contents/Info.plist, whose
// "CFBundleIdentifier" names it. Bundles are looked for, in this order, in
//   $HOME/Applications
//   <system root>/Applications
//   <system root>/Volumes/<volume>   (mounted disk images)
// and in their sub-folders (not inside other bundles), a few levels deep.
//
// Running applications are the processes of /proc whose executable this user may
// read. A process whose executable lies in a bundle (.../X.app/Contents/MacOS/...)
// takes the bundle's identifier and its name (CFBundleDisplayName, CFBundleName,
// or the folder's name without ".app"); any other process has no identifier and
// is named after its executable file.
namespace platform {

struct RunningApplication {
    qint64 processIdentifier = 0;
    QString bundleIdentifier; // null when the executable lies in no bundle
    QString localizedName;
    QString bundlePath; // null when the executable lies in no bundle
    QString executablePath;
};

class Workspace {
public:
    Workspace() = delete;

    // Sub-folders deeper than this below a search folder are not looked into.
    static constexpr int kMaxSearchDepth = 3;

    // The folders searched for applications, in order; missing ones included.
    static QStringList applicationSearchFolders();

    // The path of the first bundle with this identifier; null when there is none.
    static QString absolutePathForAppBundleWithIdentifier(const QString& bundleIdentifier);

    // The running applications in ascending process number.
    static QList<RunningApplication> runningApplications();

    // The bundle folder an executable lies in (the part before "/Contents/MacOS/"),
    // provided it holds Contents/Info.plist; null otherwise.
    static QString bundlePathForExecutable(const QString& executablePath);

    // The name a bundle's application is shown under.
    static QString localizedNameOfBundle(const QString& bundlePath);
};

} // namespace platform
