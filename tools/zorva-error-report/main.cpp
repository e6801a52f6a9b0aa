// zorva-error-report --product-id HV.... --location-id N [--screenshot FILE.png]
//                    [--bundle PATH]
//
// Asks the device service ("ZorvaDeviceService" on the session bus) for the
// error report of one device and shows it in the error report window: the
// report text, Copy, Reset and Close. Prints the return code the window ends
// with. --screenshot writes a picture of the window and ends at once.
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"
#include "common/WindowTool.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows a device's error report from the device service."));
    parser.addHelpOption();
    const QCommandLineOption productOption(QStringLiteral("product-id"),
                                           QStringLiteral("Product ID, e.g. HV2A01."),
                                           QStringLiteral("ID"));
    const QCommandLineOption locationOption(QStringLiteral("location-id"),
                                            QStringLiteral("Location ID (decimal)."),
                                            QStringLiteral("N"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Write a picture and end."),
                                              QStringLiteral("FILE.png"));
    const QCommandLineOption bundleOption(
        QStringLiteral("bundle"), QStringLiteral("Application bundle for pictures and texts."),
        QStringLiteral("PATH"));
    parser.addOptions({productOption, locationOption, screenshotOption, bundleOption});
    parser.process(app);

    bool locationOk = false;
    const qint64 location =
        static_cast<qint64>(parser.value(locationOption).toULongLong(&locationOk));
    if (!parser.isSet(productOption) || !locationOk) {
        std::fprintf(stderr, "zorva-error-report: --product-id ID and --location-id N "
                             "(a decimal number) are required\n");
        return 2;
    }
    if (parser.isSet(bundleOption)) {
        qputenv("ZORVA_BUNDLE", parser.value(bundleOption).toLocal8Bit());
    } else if (qEnvironmentVariableIsEmpty("ZORVA_BUNDLE")) {
        qputenv("ZORVA_BUNDLE", ZORVA_BUNDLE_PATH);
    }

    QVariant answer;
    try {
        if (const auto client = HVDisObj::init()) {
            answer = client->getPanicTraceInfoFromAppService(parser.value(productOption), location);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zorva-error-report: the device service failed: %s\n", error.what());
        return 1;
    }
    if (answer.isValid() && answer.typeId() != QMetaType::QVariantMap) {
        HVTrace::writeLine(QStringLiteral("zorva-error-report : the report is no dictionary"),
                           hvtrace::kPrefController, hvtrace::kCritical);
    }
    const QVariantMap report = answer.toMap();
    if (report.isEmpty()) {
        std::fprintf(stderr, "zorva-error-report: no error report for %s at %lld\n",
                     qPrintable(parser.value(productOption)), static_cast<long long>(location));
    }

    const auto window = HVUpdatePopUpViewWidget::initWithPanicTraceInfo(report);
    return runWindowTool(*window, parser.value(screenshotOption), "zorva-error-report");
}
