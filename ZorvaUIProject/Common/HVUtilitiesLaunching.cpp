// Finding the suite's settings pane and other suite bundles, and starting
// applications with an argument vector.

#include "Platform/Bundle.h"
#include "Platform/Launching.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QFileInfo>
#include <QMutex>
#include <initializer_list>

namespace {

constexpr auto kPrefsPaneIdentifier = "com.hvlabs.Zorva";
constexpr auto kPrefsPaneName = "Zorva Suite for Mac.prefPane";
constexpr auto kPreferencePanes = "PreferencePanes";
constexpr auto kSuiteFolder = "ZorvaMacSuite";
constexpr auto kStatusItemApplication = "Zorva menu bar item.app";
constexpr auto kStatusItemExecutable = "/Contents/MacOS/Zorva menu bar item";
constexpr auto kVersionKey = "CFBundleShortVersionString";

using namespace hvtrace;

// Appends path components: exactly one separator between parts, runs of
// separators collapsed, no trailing separator (except for the root itself).
QString joinPath(std::initializer_list<QString> parts) {
    QString joined;
    for (const QString& part : parts) {
        if (part.isEmpty()) {
            continue;
        }
        if (joined.isEmpty()) {
            joined = part;
        } else {
            joined += u'/' + part;
        }
    }
    QString collapsed;
    collapsed.reserve(joined.size());
    for (QChar c : joined) {
        if (c == u'/' && collapsed.endsWith(u'/')) {
            continue;
        }
        collapsed += c;
    }
    if (collapsed.size() > 1 && collapsed.endsWith(u'/')) {
        collapsed.chop(1);
    }
    return collapsed;
}

// The bundle at a path when something exists there, it opens as a bundle and
// its identifier equals the wanted one ignoring case.
std::shared_ptr<const platform::Bundle> acceptedBundle(const QString& path,
                                                       const QString& identifier) {
    if (!QFileInfo::exists(path)) {
        return nullptr;
    }
    auto bundle = platform::Bundle::bundleWithPath(path);
    if (!bundle) {
        return nullptr;
    }
    const QString found = bundle->bundleIdentifier();
    if (found.isEmpty() || found.compare(identifier, Qt::CaseInsensitive) != 0) {
        return nullptr;
    }
    return bundle;
}

struct PrefsPaneCache {
    QMutex mutex;
    std::shared_ptr<const platform::Bundle> bundle;
};

PrefsPaneCache& prefsPaneCache() {
    static PrefsPaneCache cache;
    return cache;
}

} // namespace

std::shared_ptr<const platform::Bundle> HVUtilities::getHVPrefsPane() {
    auto& cache = prefsPaneCache();
    QMutexLocker lock(&cache.mutex);
    if (cache.bundle) {
        return cache.bundle;
    }
    const QString identifier = QLatin1String(kPrefsPaneIdentifier);
    cache.bundle = platform::knownBundleWithIdentifier(identifier);
    if (cache.bundle) {
        return cache.bundle;
    }
    for (const QString& library : platform::libraryDirectories()) {
        const QString candidate =
            joinPath({library, QLatin1String(kPreferencePanes), QLatin1String(kPrefsPaneName)});
        if (auto bundle = acceptedBundle(candidate, identifier)) {
            cache.bundle = bundle;
            return bundle;
        }
    }
    return nullptr;
}

void HVUtilities::resetHVPrefsPaneCache() {
    auto& cache = prefsPaneCache();
    QMutexLocker lock(&cache.mutex);
    cache.bundle.reset();
}

std::shared_ptr<const platform::Bundle>
HVUtilities::getHVComponents(const QString& bundleIdentifier, const QString& appName) {
    if (auto known = platform::knownBundleWithIdentifier(bundleIdentifier)) {
        return known;
    }
    if (bundleIdentifier.isEmpty()) {
        return nullptr;
    }
    for (const QString& users : platform::userDirectories()) {
        const QString candidate = joinPath({users, QLatin1String(kSuiteFolder), appName});
        if (auto bundle = acceptedBundle(candidate, bundleIdentifier)) {
            return bundle;
        }
    }
    return nullptr;
}

QString HVUtilities::getBundleVersion(const QString& /*unused*/) {
    const QString path = joinPath({getZMSHomeDirectory(), QStringLiteral("Library/PreferencePanes"),
                                   QLatin1String(kPrefsPaneName)});
    const auto bundle = platform::Bundle::bundleWithPath(path);
    if (!bundle) {
        return {};
    }
    const QVariant version = bundle->objectForInfoDictionaryKey(QLatin1String(kVersionKey));
    if (version.typeId() != QMetaType::QString) {
        return {};
    }
    return version.toString();
}

bool HVUtilities::launchApplicationAtPath(const QString& path, const QStringList& arguments,
                                          std::optional<platform::Error>* error) {
    // Both callers always pass a path; a missing one is a programming error that
    // is reported rather than taken down the whole process.
    if (path.isNull()) {
        HVTrace::writeLine(QStringLiteral("Invalid parameter not satisfying: path != nil"),
                           kPrefController, kCritical);
        return false;
    }
    if (error != nullptr) {
        error->reset();
    }
    if (const int status = platform::resolveApplicationPath(path); status != 0) {
        HVTrace::writeLine(QStringLiteral("Error in launchApplicationAtPath : %1 ").arg(status),
                           kPrefController, kCritical);
        return false;
    }
    const int status = platform::openApplication(path, arguments);
    if (status == 0) {
        return true;
    }
    if (error != nullptr) {
        *error = platform::Error{QLatin1String(platform::kOSStatusErrorDomain), status};
    }
    return false;
}

bool HVUtilities::launchZorvaMenu() {
    const QString application = joinPath(
        {getZMSHomeDirectory(), QStringLiteral("/Library/Application Support/Zorva"),
         QStringLiteral("/"), QLatin1String(kSuiteFolder), QLatin1String(kStatusItemApplication)});
    launchApplicationAtPath(joinPath({application, QLatin1String(kStatusItemExecutable)}), {});
    return addApplicationToLoginItems(application);
}

bool HVUtilities::addApplicationToLoginItems(const QString& /*appPath*/) {
    return true;
}

bool HVUtilities::deleteApplicationFromLoginItem(const QString& /*appPath*/) {
    return true;
}

void HVUtilities::writeLog(const QString& /*message*/, int /*forCategory*/) {
    // Every record goes through HVTrace.
}
