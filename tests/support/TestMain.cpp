#include <QApplication>
#include <gtest/gtest.h>

// Every test program runs inside a Qt application: the offscreen platform unless
// the environment asks for another one (end-to-end tests use xcb under Xvfb).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
