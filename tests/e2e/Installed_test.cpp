// The installed program: the build installed into a folder of its own, then the
// installed status item run against the installed simulator and read through the
// installed tray host, once per language. The bundle, its pictures and its texts
// must be found from the installed command alone, and the trace file must not
// depend on the language.

#include "Platform/plist/PropertyList.h"
#include "support/Stage.h"
#include "support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace stage = testsupport::stage;

namespace {

const char* const kScenario = R"({
  "devices": [
    {"name": "Zorva Tessaly 7", "productID": "HV0AC8", "locationID": 337641472,
     "firmwareVersion": "2.1", "headsetType": 2,
     "battery": {"productTypeId": "HV0AC8", "percent": 40, "charging": false, "low": false}}
  ],
  "softphones": [{"name": "Skype", "state": 1}],
  "updateAvailable": "TRUE",
  "componentList": null,
  "manualCheck": "none",
  "autoCheck": "none"
})";

const char* const kPreferences = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>zorvaStatusMenu</key>
	<string>TRUE</string>
	<key>ShowBatteryStatus</key>
	<string>TRUE</string>
</dict>
</plist>
)";

struct Language {
    const char* lang;
    QStringList commands; // the menu's command rows, top to bottom
};

// The trace file's records without their time stamps.
QStringList traceRecords(const QString& path) {
    QStringList records;
    static const QRegularExpression stamp(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"));
    const QString text = QString::fromUtf8(testsupport::readFile(path));
    for (QString line : text.split(u'\n', Qt::SkipEmptyParts)) {
        records << line.remove(stamp);
    }
    return records;
}

} // namespace

TEST(Installed, RunsFromItsPrefixInEveryLanguageWithTheSameTrace) {
    stage::PrivateBus bus;
    ASSERT_TRUE(bus.ok()) << "no private dbus-daemon";
    stage::VirtualScreen screen;
    if (!screen.ok()) {
        GTEST_SKIP() << "no X server for the tray: " << qPrintable(screen.error());
    }
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());

    // DESTDIR keeps files for absolute folders (/etc/xdg) inside the temporary root too.
    const QString prefix = QStringLiteral("/opt/zorva-test");
    QProcess install;
    QProcessEnvironment installEnv = QProcessEnvironment::systemEnvironment();
    installEnv.insert(QStringLiteral("DESTDIR"), root.path());
    install.setProcessEnvironment(installEnv);
    install.start(QStringLiteral(ZORVA_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(ZORVA_BINARY_DIR),
                   QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().constData();
    const QString bin = root.path() + prefix + QStringLiteral("/bin/");

    testsupport::ScopedSandbox sandbox;
    ASSERT_TRUE(testsupport::writeFile(
        sandbox.home(QStringLiteral("Library/Preferences/com.zorva.prefsettings.plist")),
        kPreferences));
    const QString scenario = root.filePath(QStringLiteral("scenario.json"));
    ASSERT_TRUE(testsupport::writeFile(scenario, kScenario));
    const auto info = platform::plist::readDictionary(
        root.path() + prefix +
        QStringLiteral("/lib/zorva/Zorva menu bar item.app/Contents/Info.plist"));
    ASSERT_TRUE(info);
    const QString tracePath =
        sandbox.home() + info->value(QStringLiteral("Trace File Location")).toString();

    const std::vector<Language> languages = {
        {"en_US.UTF-8", {"Help", "Update Available", "Check for updates", "Open Zorva"}},
        {"de_DE.UTF-8", {"Hilfe", "Update verfügbar", "Nach Updates suchen", "Zorva öffnen"}},
        {"fr_FR.UTF-8",
         {"Aide", "Mise à jour disponible", "Rechercher des mises à jour", "Ouvrir Zorva"}},
        // A language without texts of its own shows English.
        {"fi_FI.UTF-8", {"Help", "Update Available", "Check for updates", "Open Zorva"}},
    };
    QStringList englishTrace;
    for (const Language& language : languages) {
        SCOPED_TRACE(language.lang);
        QProcessEnvironment env = stage::childEnvironment(bus, screen);
        for (const char* name : {"ZORVA_BUNDLE", "LANGUAGE", "LC_ALL", "LC_MESSAGES"}) {
            env.remove(QLatin1String(name));
        }
        env.insert(QStringLiteral("LANG"), QLatin1String(language.lang));
        QFile::remove(tracePath);

        stage::Child host;
        ASSERT_TRUE(host.start(bin + QStringLiteral("zorva-tray-host"),
                               {QStringLiteral("--dump-once"), QStringLiteral("--wait-label"),
                                language.commands.last(), QStringLiteral("--exit-after"),
                                QStringLiteral("40")},
                               env));
        ASSERT_TRUE(stage::waitFor([&] {
            return host.errors().contains(QLatin1String("watching"));
        })) << qPrintable(host.errors());
        stage::Child simulator;
        ASSERT_TRUE(simulator.start(bin + QStringLiteral("zorva-device-sim"),
                                    {QStringLiteral("--scenario"), scenario}, env));
        ASSERT_TRUE(stage::waitFor([&] {
            return bus.connection().interface()->isServiceRegistered(
                QStringLiteral("com.zorva.ZorvaDeviceService"));
        })) << qPrintable(simulator.errors());
        stage::Child app;
        ASSERT_TRUE(app.start(bin + QStringLiteral("zorva-menu-bar-item"), {}, env));

        ASSERT_TRUE(host.process().waitForFinished(45000));
        ASSERT_EQ(host.process().exitCode(), 0)
            << qPrintable(host.errors()) << "\nstatus item: " << qPrintable(app.errors());
        // The top rows of the last menu printed, without their " [icon ...]" notes.
        const QString output = host.output();
        QStringList rows;
        for (const QString& line :
             output.mid(output.lastIndexOf(QLatin1String("===="))).split(u'\n').mid(1)) {
            if (!line.isEmpty() && !line.startsWith(u' ')) {
                rows << line.left(line.indexOf(QLatin1String(" [")));
            }
        }
        const QStringList commands = rows.mid(rows.size() - language.commands.size());
        EXPECT_EQ(commands, language.commands) << qPrintable(output);
        // The battery row carries its level picture, read from the installed bundle.
        EXPECT_TRUE(output.contains(
            QRegularExpression(QStringLiteral("\nZorva Tessaly 7  40%[^\n]*\\[icon \\d+x\\d+\\]"))))
            << qPrintable(output);
        app.stopNow();

        const QStringList trace = traceRecords(tracePath);
        EXPECT_FALSE(trace.isEmpty()) << "no trace file at " << qPrintable(tracePath);
        if (englishTrace.isEmpty()) {
            englishTrace = trace;
        } else {
            EXPECT_EQ(trace, englishTrace);
        }
    }
}
