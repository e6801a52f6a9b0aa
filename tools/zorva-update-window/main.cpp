// zorva-update-window --list FILE.json [--settings] [--single] [--screenshot FILE.png]
//                     [--print-actions] [--bundle PATH]
//
// Opens the update window for the component list of a scenario file (the
// device-service simulator's format: {"componentList": [...]}) and prints the
// return code it ends with. --screenshot writes a picture of the window and
// ends at once. --print-actions prints the browser and updater requests
// instead of carrying them out.
#include "Scenario.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"
#include "common/WindowTool.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

namespace {

// The default platform, but browser and updater requests are only printed.
class PrintingPlatform : public HVUpdateWindowPlatformDefault {
public:
    bool openURL(const QUrl& url) override {
        std::printf("open %s\n", qPrintable(url.toString()));
        return true;
    }
    bool launchApplicationAtPath(const QString& path, const QStringList& arguments) override {
        std::printf("launch %s\n", qPrintable(path));
        for (const QString& argument : arguments) {
            std::printf("  argument %s\n", qPrintable(argument));
        }
        return true;
    }
};

// The scenario's list as entries; an element that is no dictionary stays in
// the list as a missing entry, so the window shows (and traces) an empty row.
std::optional<HVComponentList> componentList(const QVariant& object) {
    if (!object.isValid()) {
        return std::nullopt;
    }
    HVComponentList list;
    for (const QVariant& element : object.toList()) {
        if (element.typeId() == QMetaType::QVariantMap) {
            list.append(HVComponentUpdateList::makeEntry(element.toMap()));
        } else {
            HVTrace::writeLine(QStringLiteral("zorva-update-window : entry is not a dictionary"),
                               hvtrace::kStatusController, hvtrace::kCritical);
            list.append(nullptr);
        }
    }
    return list;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the update window for a component list."));
    parser.addHelpOption();
    const QCommandLineOption listOption(QStringLiteral("list"),
                                        QStringLiteral("Scenario file with \"componentList\"."),
                                        QStringLiteral("FILE.json"));
    const QCommandLineOption settingsOption(QStringLiteral("settings"),
                                            QStringLiteral("Show the settings button."));
    const QCommandLineOption singleOption(QStringLiteral("single"),
                                          QStringLiteral("The single-component layout."));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Write a picture and end."),
                                              QStringLiteral("FILE.png"));
    const QCommandLineOption printOption(QStringLiteral("print-actions"),
                                         QStringLiteral("Print browser and updater requests."));
    const QCommandLineOption bundleOption(
        QStringLiteral("bundle"), QStringLiteral("Application bundle for pictures and texts."),
        QStringLiteral("PATH"));
    parser.addOptions(
        {listOption, settingsOption, singleOption, screenshotOption, printOption, bundleOption});
    parser.process(app);
    if (!parser.isSet(listOption)) {
        std::fprintf(stderr, "zorva-update-window: --list FILE.json is required\n");
        return 2;
    }
    if (parser.isSet(bundleOption)) {
        qputenv("ZORVA_BUNDLE", parser.value(bundleOption).toLocal8Bit());
    } else if (qEnvironmentVariableIsEmpty("ZORVA_BUNDLE")) {
        // The build tree's bundle, or the installed one beside this command.
        const QString installed =
            QCoreApplication::applicationDirPath() + QLatin1String("/" ZORVA_INSTALLED_BUNDLE);
        const QString bundle =
            QFileInfo(installed).isDir() ? installed : QStringLiteral(ZORVA_BUNDLE_PATH);
        qputenv("ZORVA_BUNDLE", bundle.toLocal8Bit());
    }
    QString error;
    const auto scenario = Scenario::load(parser.value(listOption), &error);
    if (!scenario) {
        std::fprintf(stderr, "zorva-update-window: %s\n", qPrintable(error));
        return 2;
    }
    const auto list = componentList(scenario->componentList);

    std::shared_ptr<HVUpdateWindowPlatform> platform =
        parser.isSet(printOption) ? std::make_shared<PrintingPlatform>()
                                  : std::make_shared<HVUpdateWindowPlatformDefault>();
    const auto window =
        parser.isSet(singleOption)
            ? HVUpdatePopUpViewWidget::initWithList(list, platform)
            : HVUpdatePopUpViewWidget::initWithList(list, parser.isSet(settingsOption), platform);
    if (!window) {
        std::fprintf(stderr, "zorva-update-window: no window for an absent list\n");
        return 1;
    }
    return runWindowTool(*window, parser.value(screenshotOption), "zorva-update-window");
}
