// Softphone discovery: where another maker's softphone is installed, whether it
// runs, and whether its version is new enough; the user's softphone preferences.
// Nothing is kept between calls.

#include "Platform/ObjectDescription.h"
#include "Platform/Paths.h"
#include "Platform/Workspace.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

using namespace hvtrace;

void trace(const QString& message, int severity) {
    HVTrace::writeLine(message, kUtilities, severity);
}

const QString kSametimeId = QStringLiteral("com.ibm.Sametime");
const QString kNotesId = QStringLiteral("com.ibm.Notes");
const QString kBria4Id = QStringLiteral("com.CounterPath_Corporation.Bria-4");
const QString kBria4BetaId = QStringLiteral("com.CounterPath_Corporation.Bria-4-Beta");
const QString kInfoPlistSuffix = QStringLiteral("/Contents/info.plist");
const QString kVersionKey = QStringLiteral("CFBundleShortVersionString");

QString notesApplicationPath() {
    return platform::systemPath(QStringLiteral("/Applications/IBM Notes.app"));
}

// The suite's own copy of a softphone, used in place of one on a mounted volume.
QString suiteCopy(const char* bundleName) {
    return platform::systemPath(
        QStringLiteral("/Library/Application Support/Zorva/ZorvaMacSuite/") +
        QLatin1String(bundleName));
}

std::optional<QVariantMap> readInfoDictionary(const QString& applicationPath) {
    const QString path = HVUtilities::softphoneInfoPlistPath(applicationPath);
    if (path.isNull()) {
        return std::nullopt;
    }
    return platform::plist::readDictionary(path);
}

// A property-list value shown as text: strings as they are, numbers in decimal;
// anything else has no text.
QString textOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return {};
    }
}

// Orders two strings with runs of digits compared by their numeric value and
// everything else character by character: "2.9" < "2.10" < "2.10.1".
int compareNumeric(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    while (i < a.size() && j < b.size()) {
        if (isDigit(a.at(i)) && isDigit(b.at(j))) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && isDigit(a.at(endA))) {
                ++endA;
            }
            while (endB < b.size() && isDigit(b.at(endB))) {
                ++endB;
            }
            // Leading zeros do not change a number's value.
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a.at(startA) == u'0') {
                ++startA;
            }
            while (startB + 1 < endB && b.at(startB) == u'0') {
                ++startB;
            }
            const qsizetype lengthA = endA - startA;
            const qsizetype lengthB = endB - startB;
            if (lengthA != lengthB) {
                return lengthA < lengthB ? -1 : 1;
            }
            const int digits =
                QStringView(a).mid(startA, lengthA).compare(QStringView(b).mid(startB, lengthB));
            if (digits != 0) {
                return digits < 0 ? -1 : 1;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (a.at(i) != b.at(j)) {
            return a.at(i) < b.at(j) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

} // namespace

QString HVUtilities::softphoneInfoPlistPath(const QString& applicationPath) {
    if (applicationPath.isEmpty()) {
        return {};
    }
    const QString literal = applicationPath + kInfoPlistSuffix;
    if (QFileInfo(literal).isFile()) {
        return literal;
    }
    // Bundles spell the file "Info.plist"; on a file system that tells letter case
    // apart, the file of that name in any case is the one meant.
    const QDir contents(applicationPath + QStringLiteral("/Contents"));
    const QStringList files = contents.entryList(QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (file.compare(QLatin1String("info.plist"), Qt::CaseInsensitive) == 0) {
            return contents.filePath(file);
        }
    }
    return {};
}

QString HVUtilities::getUtilitySoftphonePath(const QString& bundleIdentifier,
                                             const QString& softPhoneName) {
    QString path = platform::Workspace::absolutePathForAppBundleWithIdentifier(bundleIdentifier);
    if (path.isNull()) {
        if (bundleIdentifier == kSametimeId) {
            // Written as it stands, placeholder included.
            trace(QStringLiteral("getSoftphoneStatus : Sametime is not Found in System %@\n"),
                  kHigh);
            path = platform::Workspace::absolutePathForAppBundleWithIdentifier(kNotesId);
        } else if (bundleIdentifier == kBria4Id) {
            trace(QStringLiteral("getSoftphoneStatus : bria is not Found in System %@\n"), kHigh);
            path = platform::Workspace::absolutePathForAppBundleWithIdentifier(kBria4BetaId);
        }
        if (path.isNull()) {
            trace(QStringLiteral(
                      "getSoftphoneStatus : Sametime and ST Embeded is not Found in System \n"),
                  kHigh);
            return {};
        }
    }

    if (softPhoneName == QLatin1String("Sametime")) {
        const QString lastComponent = path.section(u'/', -1);
        if (lastComponent.contains(QLatin1String("DELETEME"))) {
            trace(QStringLiteral("getSoftphoneStatus : File contains wrong path\n"), kCritical);
            path.replace(lastComponent, QStringLiteral("Sametime.app"));
        }
        if (softphoneInfoPlistPath(path).isNull()) {
            path = notesApplicationPath();
            trace(QStringLiteral("getSoftphoneStatus softphone value is %1")
                      .arg(QStringLiteral("IBM Notes")),
                  kInfo);
        }
        return path;
    }

    const char* copy = nullptr;
    if (softPhoneName == QLatin1String("Skype")) {
        copy = "Skype.app";
    } else if (softPhoneName == QStringLiteral("Avaya one-X® Communicator")) {
        copy = "Avaya one-X Communicator.app";
    } else if (softPhoneName == QLatin1String("Avaya Equinox")) {
        copy = "Avaya Equinox.app";
    } else if (softPhoneName.contains(QLatin1String("Bria 4"))) {
        copy = "Bria.app";
    }
    // An application on a mounted volume (a disk image) is not the installed one:
    // the suite's own copy stands in for it.
    if (copy != nullptr && path.split(u'/').contains(QLatin1String("Volumes"))) {
        path = suiteCopy(copy);
    }
    return path;
}

qint32 HVUtilities::getUtilitySoftphoneStatusBundleId(const QString& bundleIdentifier,
                                                      const QString& softPhoneName,
                                                      const QString& minVersion) {
    const QString path = getUtilitySoftphonePath(bundleIdentifier, softPhoneName);
    if (path.isNull()) {
        trace(QStringLiteral(
                  "getSoftphoneStatus : Sametime and ST Embeded is not Found in System \n"),
              kHigh);
        return kSoftphoneNotInstalled;
    }
    const QString infoPath = softphoneInfoPlistPath(path);
    if (infoPath.isNull()) {
        trace(QStringLiteral("getSoftphoneStatus : %1 is not Found in System \n")
                  .arg(path + kInfoPlistSuffix),
              kHigh);
        return kSoftphoneNotInstalled;
    }
    // An information property list that does not read gives no version, which
    // counts as supported below.
    std::optional<QVariantMap> info = platform::plist::readDictionary(infoPath);

    bool running = false;
    const QList<platform::RunningApplication> applications =
        platform::Workspace::runningApplications();
    for (const platform::RunningApplication& app : applications) {
        if (!app.bundleIdentifier.isNull() && app.bundleIdentifier == bundleIdentifier) {
            running = true;
        } else if (!app.localizedName.isNull() && app.localizedName == softPhoneName) {
            running = true;
        } else if (bundleIdentifier == kSametimeId &&
                   (app.bundleIdentifier == kNotesId ||
                    app.localizedName == QLatin1String("IBM Notes"))) {
            // Sametime running inside IBM Notes: the version is that of IBM Notes.
            info = readInfoDictionary(notesApplicationPath());
            running = true;
        } else if (bundleIdentifier == kBria4Id && app.bundleIdentifier == kBria4BetaId) {
            running = true;
        }
        if (running) {
            break;
        }
    }
    if (!running) {
        trace(QStringLiteral("HVSoftphoneoffline\n"), kHigh);
        return kSoftphoneNotRunning;
    }

    const QString version = info ? textOf(info->value(kVersionKey)) : QString();
    if (!version.isNull() && !minVersion.isEmpty() && compareNumeric(version, minVersion) < 0) {
        trace(QStringLiteral("getSoftphoneStatus : Avaya version is not supported\n"), kCritical);
        return kSoftphoneVersionNotSupported;
    }
    return kSoftphoneRunning;
}

QString HVUtilities::getBriaSPVersion() {
    const QString path = getUtilitySoftphonePath(kBria4Id, QStringLiteral("Bria 4"));
    const auto info = readInfoDictionary(path);
    return info ? textOf(info->value(kVersionKey)) : QString();
}

QString HVUtilities::getCiscoPluginVersion() {
    const auto settings = platform::plist::readDictionary(platform::systemPath(QStringLiteral(
        "/Library/Cisco/Jabber/Accessories/Zorva/com.cisco.jabber.accesories.zorva.plist")));
    if (!settings) {
        return QStringLiteral("1.0.0");
    }
    return textOf(settings->value(QStringLiteral("pluginversion")));
}

qint32 HVUtilities::getPreferredSoftphoneID() {
    const QVariant value = getValueFromUserDefaultForKey(QStringLiteral("zorvapreferredSP"));
    trace(QStringLiteral("getPreferredSoftphoneIDFor :In String: %1\n")
              .arg(platform::describe(value)),
          kCritical);
    qint32 identifier = 7;
    if (value.typeId() == QMetaType::QString) {
        const QString name = value.toString();
        if (name == QLatin1String("Standard")) {
            identifier = 255;
        } else if (name == QLatin1String("None (Audio Only)")) {
            identifier = 8;
        } else if (name == QLatin1String("Microsoft Lync & Skype for Business")) {
            identifier = 0;
        }
    }
    trace(QStringLiteral("getPreferredSoftphoneIDFor :returns ID: %1\n").arg(identifier),
          kCritical);
    return identifier;
}

bool HVUtilities::willUpdateSpPresence() {
    return isPreferenceFlagSet(QStringLiteral("PresenceUpdateSelected")) &&
           isPreferenceFlagSet(QStringLiteral("PresenceUpdateEnabled"));
}
