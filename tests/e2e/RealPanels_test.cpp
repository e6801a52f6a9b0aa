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
    // Where in the configuration folder the panel's file of tests/e2e/panels/ goes, if anywhere.
    const char* configFile;
    const char* configPath;
    // A helper the panel needs beside it (xfce's settings daemon), or none.
    const char* helper = nullptr;
};

std::ostream& operator<<(std::ostream& out, const Panel& panel) {
    return out << panel.name;
}

// clang-format off
const Panel kLxqt{"lxqt", "lxqt-panel", {u"--config"_s, kPanels + u"lxqt-panel.conf"_s}, nullptr, nullptr};
const Panel kXfce{"xfce", "xfce4-panel", {u"--disable-wm-check"_s}, "xfce4-panel.xml",
                  "/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml", "/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd"};
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
        if (GetParam().configFile) {
            const QString to = stage.file(u"config"_s) + QLatin1String(GetParam().configPath);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(to).path()));
            ASSERT_TRUE(QFile::copy(kPanels + QLatin1String(GetParam().configFile), to));
        }
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

    // Pixels of the screen's picture below row `top` (and right of column `left`)
    // for which `counts` holds; *rightmost is the column of the rightmost one.
    static int pixels(const QImage& shot, int left, int top, int bottom,
                      const std::function<bool(QRgb)>& counts, int* rightmost = nullptr) {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < shot.width(); ++x) {
                const bool counted = counts(shot.pixel(x, y));
                count += counted;
                if (counted && rightmost) {
                    *rightmost = std::max(*rightmost, x);
                }
            }
        }
        return count;
    }

    // Pixels of the panel's strip that stand out from its background (sampled at
    // the strip's left end, where both configurations leave the panel empty).
    int iconPixels(const QString& pictureName, int* rightmost = nullptr) {
        const QImage shot = grabScreen(pictureName);
        const QRgb back = shot.isNull() ? 0 : shot.pixel(2, kPanelHeight / 2);
        const auto stands = [back](QRgb p) {
            return std::abs(qRed(p) - qRed(back)) + std::abs(qGreen(p) - qGreen(back)) +
                       std::abs(qBlue(p) - qBlue(back)) >
                   120;
        };
        return shot.isNull() ? -1
                             : pixels(shot, shot.width() / 2, 0, kPanelHeight, stands, rightmost);
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
            green = pixels(shot, 0, kPanelHeight, shot.height(), [](QRgb p) {
                return qGreen(p) > 130 && qRed(p) < 90 && qBlue(p) < 100;
            });
            return green >= 4;
        },
        10000);
    EXPECT_TRUE(shown) << "no coloured battery picture in the opened menu (" << green
                       << " green pixels)";
}

INSTANTIATE_TEST_SUITE_P(Panels, RealPanel, ::testing::Values(kLxqt, kXfce),
                         [](const auto& info) { return std::string(info.param.name); });
