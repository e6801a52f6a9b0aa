#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdio>

// The end of the window viewer tools: with a screenshot path, show the window,
// write its picture and answer 0 (1 when the file cannot be written); otherwise
// show it, print the return code it ends with, and run until then.
inline int runWindowTool(QDialog& window, const QString& screenshotPath, const char* tool) {
    if (!screenshotPath.isEmpty()) {
        window.show();
        QApplication::processEvents();
        if (!window.grab().save(screenshotPath, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", tool, qPrintable(screenshotPath));
            return 1;
        }
        std::printf("%s %dx%d\n", qPrintable(screenshotPath), window.width(), window.height());
        return 0;
    }
    QObject::connect(&window, &QDialog::finished, qApp, [](int code) {
        std::printf("return code %d\n", code);
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
    });
    window.show();
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}
