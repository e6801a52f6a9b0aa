// zorva-tray-host: a small tray for machines without a desktop. It is the
// StatusNotifierWatcher that status items register with, reads their menus over
// com.canonical.dbusmenu, prints them as text whenever they change, clicks items
// by label and takes pictures of the popup menu.

#include "MenuPicture.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <map>
#include <memory>

using namespace trayhost;

namespace {

const char* const kDescription = R"(A minimal system tray for scripts and tests.

By default it claims org.kde.StatusNotifierWatcher (and a StatusNotifierHost name)
on the session bus, so it must be started before the status item: items ask
once, at start-up, whether a tray exists. Every item that registers is followed:
its properties and its dbusmenu menu are printed as indented text each time
they change and have settled.

Actions (--wait-label, --click, --screenshot, --render) run once, in that order,
on the first item whose menu has items (and the label asked for by --wait-label).

Exit status: 0 on success, 1 when the watcher name is taken, an action fails or
--dump-once times out, 2 on a usage error.

Examples:
  zorva-tray-host --exit-when-gone             follow the item until it quits
  zorva-tray-host --dump-once --exit-after 10  print the first menu and stop
  zorva-tray-host --attach --click "Help" --dump-once
  zorva-tray-host --attach --screenshot menu.png --dump-once)";

struct Options {
    bool attach = false;
    bool print = true;
    bool dumpOnce = false;
    bool exitWhenGone = false;
    QString waitLabel;
    QStringList clicks;
    QString screenshot;
    QString render;
    QPoint popupAt{1270, 10};
    int settleMs = 150;
    int popupTimeoutMs = 3000;
};

class TrayHost : public QObject {
public:
    TrayHost(Options options, QDBusConnection connection)
        : m_options(std::move(options)), m_connection(std::move(connection)), m_out(stdout),
          m_err(stderr) {}

    bool start() {
        if (m_options.attach) {
            return attachToWatcher();
        }
        m_watcher = std::make_unique<StatusNotifierWatcher>(m_connection);
        connect(m_watcher.get(), &StatusNotifierWatcher::itemRegistered, this, &TrayHost::adopt);
        connect(m_watcher.get(), &StatusNotifierWatcher::itemUnregistered, this, &TrayHost::forget);
        if (!m_watcher->start()) {
            m_err << "zorva-tray-host: " << m_watcher->errorString() << Qt::endl;
            return false;
        }
        m_err << "zorva-tray-host: watching as org.kde.StatusNotifierWatcher" << Qt::endl;
        return true;
    }

    bool actionsPending() const { return !m_actionsDone; }
    bool failed() const { return m_failed; }

private:
    bool attachToWatcher() {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.StatusNotifierWatcher"),
            QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        call << QStringLiteral("org.kde.StatusNotifierWatcher")
             << QStringLiteral("RegisteredStatusNotifierItems");
        const QDBusMessage reply = m_connection.call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            m_err << "zorva-tray-host: no StatusNotifierWatcher on the bus" << Qt::endl;
            return false;
        }
        const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
        QStringList items;
        if (value.canConvert<QDBusArgument>()) {
            value.value<QDBusArgument>() >> items;
        } else {
            items = value.toStringList();
        }
        for (const QString& key : items) {
            const qsizetype slash = key.indexOf(u'/');
            if (slash < 0) {
                adopt(key, QStringLiteral("/StatusNotifierItem"));
            } else {
                adopt(key.left(slash), key.mid(slash));
            }
        }
        if (items.isEmpty()) {
            m_err << "zorva-tray-host: the watcher lists no items" << Qt::endl;
            return false;
        }
        return true;
    }

    void adopt(const QString& service, const QString& path) {
        const QString key = service + path;
        if (m_items.count(key)) {
            return;
        }
        auto item = std::make_unique<TrayItem>(m_connection, service, path);
        TrayItem* raw = item.get();
        connect(raw, &TrayItem::settled, this,
                [this, raw](const QString& text) { onSettled(raw, text); });
        m_items.emplace(key, std::move(item));
        m_err << "zorva-tray-host: item registered: " << key << Qt::endl;
        raw->follow(m_options.settleMs);
    }

    void forget(const QString& service, const QString& path) {
        const QString key = service + path;
        m_err << "zorva-tray-host: item gone: " << key << Qt::endl;
        if (auto found = m_items.find(key); found != m_items.end()) {
            found->second.release()->deleteLater();
            m_items.erase(found);
        }
        if (m_options.exitWhenGone && m_items.empty()) {
            QCoreApplication::exit(m_failed ? 1 : 0);
        }
    }

    void onSettled(TrayItem* item, const QString& text) {
        if (m_options.print) {
            m_out << "==== " << item->service() << " menu #" << ++m_printed[item] << " ====\n"
                  << text << Qt::flush;
        }
        if (m_actionsDone || item->lastLayout().children.empty()) {
            return;
        }
        if (!m_options.waitLabel.isEmpty() &&
            !findByLabel(item->lastLayout(), m_options.waitLabel)) {
            return;
        }
        runActions(*item);
    }

    void runActions(TrayItem& item) {
        m_actionsDone = true;
        for (const QString& label : m_options.clicks) {
            QString error;
            if (item.click(label, &error)) {
                m_err << "zorva-tray-host: clicked \"" << label << "\"" << Qt::endl;
            } else {
                m_err << "zorva-tray-host: " << error << Qt::endl;
                m_failed = true;
            }
        }
        if (!m_options.screenshot.isEmpty()) {
            takeScreenshot(item);
        }
        if (!m_options.render.isEmpty()) {
            writeImage(renderMenu(item.lastLayout()), m_options.render);
        }
        if (m_options.dumpOnce) {
            QCoreApplication::exit(m_failed ? 1 : 0);
        }
    }

    void takeScreenshot(TrayItem& item) {
        const QPoint at = m_options.popupAt;
        QImage image = grabPopup([&item, at] { return item.contextMenu(at.x(), at.y()); },
                                 m_options.popupTimeoutMs);
        if (image.isNull()) {
            m_err << "zorva-tray-host: the item opened no popup menu on ContextMenu; "
                     "drawing its dbusmenu layout instead"
                  << Qt::endl;
            const auto layout = item.readLayout();
            image = renderMenu(layout ? *layout : item.lastLayout());
        }
        writeImage(image, m_options.screenshot);
    }

    void writeImage(const QImage& image, const QString& path) {
        if (image.isNull() || !image.save(path, "PNG")) {
            m_err << "zorva-tray-host: cannot write " << path << Qt::endl;
            m_failed = true;
            return;
        }
        m_err << "zorva-tray-host: wrote " << path << " (" << image.width() << "x" << image.height()
              << ")" << Qt::endl;
    }

    Options m_options;
    QDBusConnection m_connection;
    std::unique_ptr<StatusNotifierWatcher> m_watcher;
    std::map<QString, std::unique_ptr<TrayItem>> m_items;
    QTextStream m_out;
    QTextStream m_err;
    std::map<const TrayItem*, int> m_printed;
    bool m_actionsDone = false;
    bool m_failed = false;
};

bool wantsScreen(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Without a display the tray still reads and prints menus; only --screenshot
    // needs a real X screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !wantsScreen(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorva-tray-host"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    const QCommandLineOption attach(
        QStringLiteral("attach"),
        QStringLiteral("Do not be the watcher: read the items of the watcher already on the "
                       "bus (a desktop's or another zorva-tray-host)."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Do not print menus."));
    const QCommandLineOption dumpOnce(
        QStringLiteral("dump-once"),
        QStringLiteral("Stop after the first menu with items has been printed and the "
                       "actions have run."));
    const QCommandLineOption waitLabel(
        QStringLiteral("wait-label"),
        QStringLiteral("Run the actions only once the menu shows an item with this label."),
        QStringLiteral("label"));
    const QCommandLineOption click(
        QStringLiteral("click"),
        QStringLiteral("Send a \"clicked\" event to the item with this label (repeatable)."),
        QStringLiteral("label"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Ask the item to pop up its menu (ContextMenu) and write the popup, "
                       "grabbed from the X screen, as PNG. If no popup appears, the menu is "
                       "drawn from its dbusmenu layout."),
        QStringLiteral("file"));
    const QCommandLineOption render(
        QStringLiteral("render"),
        QStringLiteral("Draw the menu from its dbusmenu layout into a PNG (no display needed)."),
        QStringLiteral("file"));
    const QCommandLineOption popupAt(
        QStringLiteral("popup-at"),
        QStringLiteral("Screen position handed to ContextMenu (default 1270,10)."),
        QStringLiteral("x,y"));
    const QCommandLineOption exitAfter(
        QStringLiteral("exit-after"),
        QStringLiteral("Stop after this many seconds (with status 1 if --dump-once has not "
                       "finished)."),
        QStringLiteral("seconds"));
    const QCommandLineOption exitWhenGone(
        QStringLiteral("exit-when-gone"),
        QStringLiteral("Stop when the last followed item leaves the bus."));
    const QCommandLineOption settle(
        QStringLiteral("settle"),
        QStringLiteral("Quiet time after a change before the menu is read (default 150)."),
        QStringLiteral("ms"));
    const QCommandLineOption grabScreen(
        QStringLiteral("grab-screen"),
        QStringLiteral("Write a picture of the whole X screen (a real panel with its icons) "
                       "to the PNG file and exit; no tray is started."),
        QStringLiteral("file"));
    parser.addOptions({attach, quiet, dumpOnce, waitLabel, click, screenshot, render, popupAt,
                       exitAfter, exitWhenGone, settle, grabScreen});
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "zorva-tray-host: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "zorva-tray-host: unexpected argument %s\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 2;
    }

    if (parser.isSet(grabScreen)) {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QPixmap picture = screen ? screen->grabWindow(0) : QPixmap();
        if (picture.isNull() || !picture.save(parser.value(grabScreen), "PNG")) {
            std::fprintf(stderr, "zorva-tray-host: cannot grab the screen into %s\n",
                         qPrintable(parser.value(grabScreen)));
            return 1;
        }
        return 0;
    }

    Options options;
    options.attach = parser.isSet(attach);
    options.print = !parser.isSet(quiet);
    options.dumpOnce = parser.isSet(dumpOnce);
    options.exitWhenGone = parser.isSet(exitWhenGone);
    options.waitLabel = parser.value(waitLabel);
    options.clicks = parser.values(click);
    options.screenshot = parser.value(screenshot);
    options.render = parser.value(render);
    if (parser.isSet(popupAt)) {
        const QStringList parts = parser.value(popupAt).split(u',');
        bool okX = false;
        bool okY = false;
        if (parts.size() == 2) {
            options.popupAt = QPoint(parts[0].toInt(&okX), parts[1].toInt(&okY));
        }
        if (!okX || !okY) {
            std::fprintf(stderr, "zorva-tray-host: --popup-at wants x,y\n");
            return 2;
        }
    }
    if (parser.isSet(settle)) {
        bool ok = false;
        options.settleMs = parser.value(settle).toInt(&ok);
        if (!ok || options.settleMs < 0) {
            std::fprintf(stderr, "zorva-tray-host: --settle wants milliseconds\n");
            return 2;
        }
    }
    int seconds = 0;
    if (parser.isSet(exitAfter)) {
        bool ok = false;
        seconds = parser.value(exitAfter).toInt(&ok);
        if (!ok || seconds <= 0) {
            std::fprintf(stderr, "zorva-tray-host: --exit-after wants a positive number\n");
            return 2;
        }
    }

    TrayHost host(options, QDBusConnection::sessionBus());
    if (!host.start()) {
        return 1;
    }
    if (seconds > 0) {
        QTimer::singleShot(seconds * 1000, &app, [&host, dump = options.dumpOnce] {
            const bool unfinished = dump && host.actionsPending();
            if (unfinished) {
                std::fprintf(stderr, "zorva-tray-host: no menu with items in time\n");
            }
            QCoreApplication::exit(unfinished || host.failed() ? 1 : 0);
        });
    }
    return app.exec();
}
