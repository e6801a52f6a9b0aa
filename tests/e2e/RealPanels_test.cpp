// The status item in real desktop panels (Debian's lxqt-panel with its status
// notifier plugin, xfce4-panel with its systray plugin), each configured from a
// file in tests/e2e/panels/, on a private bus and Xvfb. The icon must show
// whether the item starts before or after the panel, and again after the panel
// restarts; the screen is grabbed and the panel's strip searched for it.

#include "support/Stage.h"

#include <QImage>

using namespace Qt::StringLiterals;

namespace stage = testsupport::stage;

namespace {

const QString kPanels = QStringLiteral(ZORVA_SOURCE_DIR "/tests/e2e/panels/");
constexpr int kPanelHeight = 32; // both configurations put a 32-pixel panel at the top

struct Panel {
    const char* name;
    const char* program;
    QStringList arguments;
    // Copies the panel's configuration into the configuration folder.
    std::function<bool(const QString& configHome)> configure;
    // A helper the panel needs beside it (xfce's settings daemon), or none.
    const char* helper = nullptr;
};

std::ostream& operator<<(std::ostream& out, const Panel& panel) {
    return out << panel.name;
}

bool copyInto(const QString& from, const QString& to) {
    QDir().mkpath(QFileInfo(to).path());
    QFile::remove(to);
    return QFile::copy(from, to);
}

// clang-format off
const Panel kLxqt{"lxqt", "lxqt-panel", {u"--config"_s, kPanels + u"lxqt-panel.conf"_s}, [](const QString&) { return true; }};
const Panel kXfce{"xfce", "xfce4-panel", {u"--disable-wm-check"_s},
                  [](const QString& configHome) {
                      return copyInto(kPanels + u"xfce4-panel.xml"_s,
                                      configHome + u"/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml"_s);
                  },
                  "/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd"};
// clang-format on

class RealPanel : public ::testing::TestWithParam<Panel> {
protected:
    void SetUp() override {
        program = QStandardPaths::findExecutable(QLatin1String(GetParam().program));
        if (program.isEmpty()) {
            GTEST_SKIP() << GetParam().program << " is not installed (scripts/setup)";
        }
        stage.require();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        stage.env.insert(u"HOME"_s, stage.sandbox.home());
        stage.env.insert(u"XDG_CONFIG_HOME"_s, stage.file(u"config"_s));
        ASSERT_TRUE(GetParam().configure(stage.file(u"config"_s)));
        if (GetParam().helper) {
            ASSERT_TRUE(helper.start(QLatin1String(GetParam().helper), {}, stage.env));
        }
        ASSERT_TRUE(stage.startService(stage::simulatorProgram(),
                                       {u"--scenario"_s,
                                        QStringLiteral(ZORVA_TEST_DATA_DIR "/panel_scenario.json"),
                                        u"--log"_s, stage.file(u"sim.log"_s)}))
            << qPrintable(stage.error());
    }

    bool startPanel() { return panel.start(program, GetParam().arguments, stage.env); }
    bool startApp() { return stage.app.start(stage::statusItemProgram(), {}, stage.env); }

    QImage grabScreen(const QString& pictureName) {
        // Kept beside the build for a look.
        const QString folder = QStringLiteral(ZORVA_BINARY_DIR "/screenshots");
        QDir().mkpath(folder);
        const QString path = u"%1/%2-%3"_s.arg(folder, QLatin1String(GetParam().name), pictureName);
        stage::Child grab;
        if (!grab.start(stage::binary("tools/zorva-tray-host/zorva-tray-host"),
                        {u"--grab-screen"_s, path}, stage.env) ||
            !stage::waitFor([&] { return grab.process().state() == QProcess::NotRunning; })) {
            return {};
        }
        return QImage(path);
    }

    // Pixels of the panel's strip that stand out from its background (sampled at
    // the strip's left end, where both configurations leave the panel empty);
    // *rightmost is the column of the rightmost one.
    int iconPixels(const QString& pictureName, int* rightmost = nullptr) {
        const QImage shot = grabScreen(pictureName);
        if (shot.isNull()) {
            return -1;
        }
        const QRgb background = shot.pixel(2, kPanelHeight / 2);
        int count = 0;
        for (int y = 0; y < kPanelHeight; ++y) {
            for (int x = shot.width() / 2; x < shot.width(); ++x) {
                const QRgb pixel = shot.pixel(x, y);
                const bool stands = std::abs(qRed(pixel) - qRed(background)) +
                                        std::abs(qGreen(pixel) - qGreen(background)) +
                                        std::abs(qBlue(pixel) - qBlue(background)) >
                                    120;
                count += stands;
                if (stands && rightmost) {
                    *rightmost = std::max(*rightmost, x);
                }
            }
        }
        return count;
    }

    ::testing::AssertionResult iconShows(const QString& pictureName) {
        int pixels = 0;
        if (stage::waitFor([&] { return (pixels = iconPixels(pictureName)) >= 40; }, 20000)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "no icon in the panel (" << pixels
               << " pixels stand out): " << qPrintable(stage.file(pictureName));
    }

    QString program;
    stage::Stage stage;
    stage::Child helper;
    stage::Child panel;
};

} // namespace

TEST_P(RealPanel, TheIconShowsWhicheverStartsFirstAndAfterThePanelRestarts) {
    // The status item first, as at login.
    ASSERT_TRUE(startApp());
    stage::waitFor([] { return false; }, 1000);
    ASSERT_TRUE(startPanel());
    EXPECT_TRUE(iconShows(u"item-first.png"_s)) << qPrintable(panel.errors());

    // The panel restarts.
    panel.stopNow();
    ASSERT_TRUE(startPanel());
    EXPECT_TRUE(iconShows(u"panel-restarted.png"_s)) << qPrintable(panel.errors());

    // The panel first: empty until the status item starts.
    stage.app.stopNow();
    panel.stopNow();
    ASSERT_TRUE(startPanel());
    stage::waitFor([] { return false; }, 2000);
    EXPECT_LT(iconPixels(u"panel-alone.png"_s), 10);
    ASSERT_TRUE(startApp());
    EXPECT_TRUE(iconShows(u"panel-first.png"_s)) << qPrintable(stage.app.errors());

    // The host's own menu, opened with a right click on the icon, shows the
    // battery pictures in their colours (the full battery's green bars).
    const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_s);
    if (xdotool.isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed (scripts/setup): the menu is not opened";
    }
    int iconX = 0;
    ASSERT_GE(iconPixels(u"panel-first.png"_s, &iconX), 40);
    stage::Child click;
    ASSERT_TRUE(click.start(xdotool,
                            {u"mousemove"_s, QString::number(iconX - 8),
                             QString::number(kPanelHeight / 2), u"click"_s, u"3"_s},
                            stage.env));
    int green = 0;
    const bool shown = stage::waitFor(
        [&] {
            const QImage shot = grabScreen(u"menu.png"_s);
            green = 0;
            for (int y = kPanelHeight; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x) {
                    const QRgb pixel = shot.pixel(x, y);
                    green += qGreen(pixel) > 130 && qRed(pixel) < 90 && qBlue(pixel) < 100;
                }
            }
            return green >= 4;
        },
        10000);
    EXPECT_TRUE(shown) << "no coloured battery picture in the opened menu (" << green
                       << " green pixels)";
}

INSTANTIATE_TEST_SUITE_P(Panels, RealPanel, ::testing::Values(kLxqt, kXfce),
                         [](const auto& info) { return std::string(info.param.name); });
