#include "Platform/tray/StatusNotifierItem.h"

#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QtEndian>
#include <atomic>

namespace platform::tray {

QDBusArgument& operator<<(QDBusArgument& arg, const IconPixmap& pixmap) {
    arg.beginStructure();
    arg << pixmap.width << pixmap.height << pixmap.bytes;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, IconPixmap& pixmap) {
    arg.beginStructure();
    arg >> pixmap.width >> pixmap.height >> pixmap.bytes;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const ToolTip& tip) {
    arg.beginStructure();
    arg << tip.iconName << tip.image << tip.title << tip.description;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, ToolTip& tip) {
    arg.beginStructure();
    arg >> tip.iconName >> tip.image >> tip.title >> tip.description;
    arg.endStructure();
    return arg;
}

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");

void trace(const QString& message, int severity) {
    HVTrace::writeLine(message, hvtrace::kStatusController, severity);
}

void registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<IconPixmap>();
        qDBusRegisterMetaType<IconPixmapList>();
        qDBusRegisterMetaType<ToolTip>();
        qRegisterMetaType<IconPixmapList>("platform::tray::IconPixmapList");
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

IconPixmapList iconPixmaps(const QImage& picture) {
    IconPixmapList result;
    if (picture.isNull()) {
        return result;
    }
    const int own = std::max(picture.width(), picture.height());
    for (const int size : kIconSizes) {
        if (size > 2 * own) {
            break;
        }
        QImage scaled = picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_ARGB32);
        IconPixmap pixmap{scaled.width(), scaled.height(), {}};
        pixmap.bytes.resize(static_cast<qsizetype>(scaled.width()) * scaled.height() * 4);
        auto* out = reinterpret_cast<quint32*>(pixmap.bytes.data());
        for (int y = 0; y < scaled.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(scaled.constScanLine(y));
            for (int x = 0; x < scaled.width(); ++x) {
                *out++ = qToBigEndian(line[x]);
            }
        }
        result << pixmap;
    }
    return result;
}

StatusNotifierItemObject::StatusNotifierItemObject(StatusNotifierItem& item) : m_item(item) {}

QString StatusNotifierItemObject::id() const {
    return m_item.itemId();
}
QString StatusNotifierItemObject::title() const {
    return m_item.title();
}
QString StatusNotifierItemObject::status() const {
    return m_item.status();
}
IconPixmapList StatusNotifierItemObject::iconPixmap() const {
    return m_item.icon();
}
IconPixmapList StatusNotifierItemObject::attentionIconPixmap() const {
    return m_item.attentionIcon();
}
ToolTip StatusNotifierItemObject::toolTip() const {
    return m_item.toolTip();
}
QDBusObjectPath StatusNotifierItemObject::menu() const {
    return QDBusObjectPath(kMenuPath);
}

void StatusNotifierItemObject::Activate(int x, int y) {
    Q_EMIT m_item.activateRequested(x, y);
}
void StatusNotifierItemObject::SecondaryActivate(int x, int y) {
    Q_EMIT m_item.secondaryActivateRequested(x, y);
}
void StatusNotifierItemObject::ContextMenu(int x, int y) {
    Q_EMIT m_item.contextMenuRequested(x, y);
}
void StatusNotifierItemObject::Scroll(int delta, const QString& orientation) {
    Q_EMIT m_item.scrollRequested(
        delta, orientation.compare(QLatin1String("horizontal"), Qt::CaseInsensitive) == 0
                   ? Qt::Horizontal
                   : Qt::Vertical);
}

namespace {
QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("zorva-status-item-%1").arg(++counter);
}
} // namespace

StatusNotifierItem::StatusNotifierItem(QString id, QObject* parent)
    : QObject(parent), m_id(std::move(id)), m_connectionName(nextConnectionName()),
      m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)),
      m_object(std::make_unique<StatusNotifierItemObject>(*this)) {
    registerTypes();
    m_title = m_id;
    if (!m_connection.isConnected()) {
        trace(QStringLiteral("StatusNotifierItem: no session bus: %1")
                  .arg(m_connection.lastError().message()),
              hvtrace::kCritical);
        return;
    }
    // The item's own connection: its name and objects go away with it, and hosts
    // drop the icon at once.
    m_serviceName = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(m_connectionName.section(u'-', -1));
    const auto exportFlags = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties;
    if (!m_connection.registerObject(kItemPath, m_object.get(),
                                     exportFlags | QDBusConnection::ExportAllSignals) ||
        !m_connection.registerObject(kMenuPath, &m_menu,
                                     exportFlags | QDBusConnection::ExportScriptableSignals)) {
        trace(QStringLiteral("StatusNotifierItem: cannot export the item's objects"),
              hvtrace::kCritical);
        return;
    }
    m_connection.registerService(m_serviceName);
    m_exported = true;

    m_watcher = std::make_unique<QDBusServiceWatcher>(kWatcherService, m_connection,
                                                      QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                watcherOwnerChanged(newOwner);
            });
    const QDBusConnectionInterface* bus = m_connection.interface();
    if (bus && bus->isServiceRegistered(kWatcherService)) {
        m_watcherPresent = true;
        registerWithWatcher();
    }
}

StatusNotifierItem::~StatusNotifierItem() {
    m_watcher.reset();
    if (m_exported) {
        m_connection.unregisterObject(kMenuPath);
        m_connection.unregisterObject(kItemPath);
        m_connection.unregisterService(m_serviceName);
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
}

void StatusNotifierItem::watcherOwnerChanged(const QString& newOwner) {
    const bool present = !newOwner.isEmpty();
    const bool changed = present != m_watcherPresent;
    m_watcherPresent = present;
    if (present) {
        // A new owner, also one that replaced a vanished one: register again.
        registerWithWatcher();
    }
    if (changed) {
        Q_EMIT watcherChanged(present);
    }
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    // Never block: a watcher may read the item's properties before it answers.
    auto* pending = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (done->isError()) {
                    trace(QStringLiteral("StatusNotifierItem: registration refused: %1")
                              .arg(done->error().message()),
                          hvtrace::kHigh);
                    return;
                }
                Q_EMIT registered();
            });
}

void StatusNotifierItem::setTitle(const QString& title) {
    if (title == m_title) {
        return;
    }
    m_title = title;
    Q_EMIT m_object->NewTitle();
}

void StatusNotifierItem::setIcon(const QImage& picture) {
    m_icon = iconPixmaps(picture);
    Q_EMIT m_object->NewIcon();
}

void StatusNotifierItem::setAttentionIcon(const QImage& picture) {
    m_attentionIcon = iconPixmaps(picture);
    Q_EMIT m_object->NewAttentionIcon();
}

void StatusNotifierItem::setStatus(const QString& status) {
    if (status == m_status) {
        return;
    }
    m_status = status;
    Q_EMIT m_object->NewStatus(status);
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& description) {
    if (title == m_toolTip.title && description == m_toolTip.description) {
        return;
    }
    m_toolTip.title = title;
    m_toolTip.description = description;
    Q_EMIT m_object->NewToolTip();
}

} // namespace platform::tray
