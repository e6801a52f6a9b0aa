// The installed program: the build installed into a folder of its own, then the
// installed status item run against the installed simulator and read through the
// installed tray host, once per language. The bundle, its pictures and its texts
// must be found from the installed command alone, and the trace file must not
// depend on the language.

#include "Platform/plist/PropertyList.h"
#include "support/Stage.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace stage = testsupport::stage;

namespace {

struct Language {
    const char* lang;
    QStringList commands; // the menu's command rows, top to bottom
};

// The trace file's records without their time stamps.
QStringList traceRecords(const QString& path) {
    QStringList records;
    static const QRegularExpression stamp(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"_s);
    const QString text = QString::fromUtf8(testsupport::readFile(path));
    for (QString line : text.split(u'\n', Qt::SkipEmptyParts)) {
        records << line.remove(stamp);
    }
    return records;
}

} // namespace

using Installed = stage::StageTest;

TEST_F(Installed, RunsFromItsPrefixInEveryLanguageWithTheSameTrace) {
    const QString root = stage.file(u"root"_s);

    // DESTDIR keeps files for absolute folders (/etc/xdg) inside the temporary root too.
    const QString prefix = u"/opt/zorva-test"_s;
    QProcess install;
    QProcessEnvironment installEnv = QProcessEnvironment::systemEnvironment();
    installEnv.insert(u"DESTDIR"_s, root);
    install.setProcessEnvironment(installEnv);
    install.start(QStringLiteral(ZORVA_CMAKE_COMMAND),
                  {u"--install"_s, QStringLiteral(ZORVA_BINARY_DIR), u"--prefix"_s, prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().constData();
    const QString bin = root + prefix + u"/bin/"_s;

    const QString scenario = QStringLiteral(ZORVA_TEST_DATA_DIR "/installed_scenario.json");
    const auto info = platform::plist::readDictionary(
        root + prefix + u"/lib/zorva/Zorva menu bar item.app/Contents/Info.plist"_s);
    ASSERT_TRUE(info);
    const QString tracePath =
        stage.sandbox.home() + info->value(u"Trace File Location"_s).toString();

    // A language without texts of its own (fi) shows English.
    const Language languages[] = {
        // clang-format off
        {"en_US.UTF-8", {"Help", "Update Available", "Check for updates", "Open Zorva"}},
        {"de_DE.UTF-8", {"Hilfe", "Update verfügbar", "Nach Updates suchen", "Zorva öffnen"}},
        {"fr_FR.UTF-8", {"Aide", "Mise à jour disponible", "Rechercher des mises à jour", "Ouvrir Zorva"}},
        {"fi_FI.UTF-8", {"Help", "Update Available", "Check for updates", "Open Zorva"}},
        // clang-format on
    };
    QStringList englishTrace;
    for (const Language& language : languages) {
        SCOPED_TRACE(language.lang);
        QProcessEnvironment env = stage.env;
        for (const char* name : {"ZORVA_BUNDLE", "LANGUAGE", "LC_ALL", "LC_MESSAGES"}) {
            env.remove(QLatin1String(name));
        }
        env.insert(u"LANG"_s, QLatin1String(language.lang));
        QFile::remove(tracePath);

        stage::Child host;
        ASSERT_TRUE(host.start(bin + u"zorva-tray-host"_s,
                               {u"--dump-once"_s, u"--wait-label"_s, language.commands.last(),
                                u"--exit-after"_s, u"40"_s},
                               env));
        ASSERT_TRUE(stage::waitFor([&] {
            return host.errors().contains(QLatin1String("watching"));
        })) << qPrintable(host.errors());
        stage.env = env;
        ASSERT_TRUE(stage.startService(bin + u"zorva-device-sim"_s, {u"--scenario"_s, scenario}))
            << qPrintable(stage.error());
        stage::Child app;
        ASSERT_TRUE(app.start(bin + u"zorva-menu-bar-item"_s, {}, env));

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
            QRegularExpression(u"\nZorva Tessaly 7  40%[^\n]*\\[icon \\d+x\\d+\\]"_s)))
            << qPrintable(output);
        app.stopNow();
        stage.service.stopNow();

        const QStringList trace = traceRecords(tracePath);
        EXPECT_FALSE(trace.isEmpty()) << "no trace file at " << qPrintable(tracePath);
        if (englishTrace.isEmpty()) {
            englishTrace = trace;
        } else {
            EXPECT_EQ(trace, englishTrace);
        }
    }
}
