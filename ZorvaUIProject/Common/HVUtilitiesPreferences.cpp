// The preference store: single keys of the per-user preference file, which is
// seeded from the system-wide template on first use. Nothing is cached: every
// call reads the file afresh, so changes made by the suite's other programs are
// seen at once. Writes replace the whole file atomically, in XML form.

#include "Platform/AtomicFile.h"
#include "Platform/ObjectDescription.h"
#include "Platform/Paths.h"
#include "Platform/plist/PropertyList.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr auto kPreferenceFile = "/Library/Preferences/com.zorva.prefsettings.plist";

using namespace hvtrace;

void trace(const QString& message, int category, int severity) {
    HVTrace::writeLine(message, category, severity);
}

// Copies the template into place without ever leaving a partial per-user file.
bool copyTemplate(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        return false;
    }
    // A fresh home may lack the Library/Preferences folders.
    QDir().mkpath(QFileInfo(to).absolutePath());
    return platform::writeFileAtomically(to, bytes);
}

} // namespace

QString HVUtilities::userPreferencePath() {
    return platform::homeDirectory() + QLatin1String(kPreferenceFile);
}

QString HVUtilities::templatePreferencePath() {
    return platform::systemPath(QLatin1String(kPreferenceFile));
}

bool HVUtilities::synchronizePreferencePlist() {
    const QString path = userPreferencePath();
    trace(QStringLiteral("Home Directory plist path value is %1").arg(path), kPrefController,
          kHigh);

    if (QFileInfo::exists(path)) {
        // The file is read only for the trace: with tracing off, skip the parse,
        // which dominates a registry update on a large file.
        if (const auto dictionary =
                HVTrace::isTraceOn() ? platform::plist::readDictionary(path) : std::nullopt) {
            trace(QStringLiteral("pListVersion value is %1")
                      .arg(platform::describe(dictionary->value(QStringLiteral("pListVersion")))),
                  kPrefController, kHigh);
        }
        trace(QStringLiteral("plist version is matching and it exists for this user : successful"),
              kPrefController, kHigh);
        return true;
    }

    trace(QStringLiteral("Plist is not available"), kPrefController, kCritical);
    const QString templatePath = templatePreferencePath();
    if (!QFileInfo(templatePath).isFile()) {
        trace(QStringLiteral("Plist not found"), kPrefController, kCritical);
        return false;
    }
    if (copyTemplate(templatePath, path)) {
        trace(QStringLiteral("Copy successful"), kPrefController, kHigh);
        return true;
    }
    trace(QStringLiteral("Copy failed"), kPrefController, kCritical);
    return false;
}

QVariant HVUtilities::getValueFromUserDefaultForKey(const QString& key) {
    if (!synchronizePreferencePlist()) {
        trace(QStringLiteral("uninstallButton value is nil"), kPrefController, kInfo);
        return {};
    }
    QVariant value;
    if (const auto dictionary = platform::plist::readDictionary(userPreferencePath())) {
        value = dictionary->value(key);
        trace(QStringLiteral("getValueFromUserDefaultForKey before releasing value is %1")
                  .arg(platform::describe(value)),
              kPrefController, kInfo);
    }
    trace(
        QStringLiteral("getValueFromUserDefaultForKey value is %1").arg(platform::describe(value)),
        kPrefController, kInfo);
    return value;
}

void HVUtilities::saveUserDefaultsValueWithKey(const QString& key, const QVariant& withValue) {
    if (!synchronizePreferencePlist()) {
        return;
    }
    const QString path = userPreferencePath();
    auto dictionary = platform::plist::readDictionary(path);
    if (!dictionary) {
        return;
    }
    if (withValue.isValid()) {
        dictionary->insert(key, withValue);
    } else {
        dictionary->remove(key);
    }
    const bool written = platform::plist::writeFile(path, *dictionary);
    trace(QStringLiteral("saveUserDefaultsValueWithKey :writeToFile returns %1\n")
              .arg(written ? 1 : 0),
          kUtilities, kCritical);
}

void HVUtilities::clearKeyValueFromStandardUserDefaults(const QString& key) {
    if (!synchronizePreferencePlist()) {
        return;
    }
    const QString path = userPreferencePath();
    auto dictionary = platform::plist::readDictionary(path);
    if (!dictionary) {
        return;
    }
    dictionary->remove(key);
    const bool written = platform::plist::writeFile(path, *dictionary);
    trace(QStringLiteral("clearKeyValueFromStandardUserDefaults :writeToFile returns %1\n")
              .arg(written ? 1 : 0),
          kUtilities, kInfo);
}

QString HVUtilities::getZMSHomeDirectory() {
    return platform::systemRoot();
}

bool HVUtilities::isSetHVHIDInterface() {
    return true;
}

bool HVUtilities::isPreferenceFlagSet(const QString& key) {
    const QVariant value = getValueFromUserDefaultForKey(key);
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("TRUE");
}
