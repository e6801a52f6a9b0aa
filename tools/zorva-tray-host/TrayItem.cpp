#include "TrayItem.h"

#include <QCryptographicHash>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDateTime>

namespace trayhost {

namespace {
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kCallTimeoutMs = 5000;

QString stringOf(const QVariantMap& map, const char* key) {
    return map.value(QLatin1String(key)).toString();
}

// IconPixmap is "a(iiay)": width, height, ARGB32 bytes in network order.
void readPixmaps(const QVariant& value, ItemSummary& summary) {
    if (!value.canConvert<QDBusArgument>()) {
        return;
    }
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(iiay)")) {
        return;
    }
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (summary.iconSizes.isEmpty()) {
            summary.iconDigest = QString::fromLatin1(
                QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(8));
        }
        summary.iconSizes << QSize(width, height);
    }
    argument.endArray();
}

// ToolTip is "(sa(iiay)ss)": icon name, icon pixmaps, title, text.
QString readToolTip(const QVariant& value) {
    if (!value.canConvert<QDBusArgument>()) {
        return {};
    }
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("(sa(iiay)ss)")) {
        return {};
    }
    QString iconName;
    QString title;
    QString text;
    argument.beginStructure();
    argument >> iconName;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
    }
    argument.endArray();
    argument >> title >> text;
    argument.endStructure();
    return text.isEmpty() ? title : title + QStringLiteral(" / ") + text;
}
} // namespace

QString formatSummary(const ItemSummary& summary) {
    QStringList sizes;
    for (const QSize& size : summary.iconSizes) {
        sizes << QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    }
    QString text = QStringLiteral("item %1: status %2, title \"%3\"")
                       .arg(summary.id, summary.status, summary.title);
    if (!summary.iconName.isEmpty()) {
        text += QStringLiteral(", icon name %1").arg(summary.iconName);
    }
    if (!sizes.isEmpty()) {
        text += QStringLiteral(", icon %1 #%2").arg(sizes.join(u','), summary.iconDigest);
    }
    if (!summary.toolTip.isEmpty()) {
        text += QStringLiteral(", tool tip \"%1\"").arg(summary.toolTip);
    }
    return text;
}

TrayItem::TrayItem(QDBusConnection connection, QString service, QString path, QObject* parent)
    : QObject(parent), m_connection(std::move(connection)), m_service(std::move(service)),
      m_path(std::move(path)) {
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &TrayItem::readAndReport);
}

std::optional<ItemSummary> TrayItem::readSummary() const {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, m_path, kProperties, QStringLiteral("GetAll"));
    call << kItemInterface;
    const QDBusMessage reply = m_connection.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    const QVariant first = reply.arguments().constFirst();
    QVariantMap map;
    if (first.canConvert<QDBusArgument>()) {
        first.value<QDBusArgument>() >> map;
    } else {
        map = first.toMap();
    }
    ItemSummary summary;
    summary.id = stringOf(map, "Id");
    summary.title = stringOf(map, "Title");
    summary.status = stringOf(map, "Status");
    summary.category = stringOf(map, "Category");
    summary.iconName = stringOf(map, "IconName");
    const QVariant menu = map.value(QStringLiteral("Menu"));
    summary.menuPath =
        menu.canConvert<QDBusObjectPath>() ? menu.value<QDBusObjectPath>().path() : menu.toString();
    readPixmaps(map.value(QStringLiteral("IconPixmap")), summary);
    summary.toolTip = readToolTip(map.value(QStringLiteral("ToolTip")));
    return summary;
}

QString TrayItem::menuPath() {
    if (m_menuPath.isEmpty()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(m_service, m_path, kProperties, QStringLiteral("Get"));
        call << kItemInterface << QStringLiteral("Menu");
        const QDBusMessage reply = m_connection.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
            m_menuPath = value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                                             : value.toString();
        }
    }
    return m_menuPath;
}

std::optional<MenuEntry> TrayItem::readLayout() {
    const QString path = menuPath();
    if (path.isEmpty() || path == QLatin1String("/")) {
        return std::nullopt;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, path, kMenuInterface,
                                                       QStringLiteral("GetLayout"));
    call << 0 << -1 << QStringList();
    const QDBusMessage reply = m_connection.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
        return std::nullopt;
    }
    m_revision = reply.arguments().at(0).toUInt();
    const QVariant layout = reply.arguments().at(1);
    if (!layout.canConvert<QDBusArgument>()) {
        return std::nullopt;
    }
    return parseLayout(layout.value<QDBusArgument>());
}

bool TrayItem::sync(int timeoutMs) {
    const QString path = menuPath();
    if (path.isEmpty()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, path, kMenuInterface,
                                                       QStringLiteral("GetLayout"));
    call << 0 << 0 << QStringList{QStringLiteral("type")};
    return m_connection.call(call, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

bool TrayItem::sendClicked(int id) {
    const QString path = menuPath();
    if (path.isEmpty()) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, path, kMenuInterface, QStringLiteral("Event"));
    call << id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(QVariant(0)))
         << static_cast<uint>(QDateTime::currentSecsSinceEpoch());
    const QDBusMessage reply = m_connection.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool TrayItem::click(const QString& label, QString* error) {
    const auto layout = readLayout();
    if (!layout) {
        if (error) {
            *error = QStringLiteral("the item's menu cannot be read");
        }
        return false;
    }
    const MenuEntry* entry = findByLabel(*layout, label);
    if (!entry) {
        if (error) {
            *error = QStringLiteral("no item labelled \"%1\"").arg(label);
        }
        return false;
    }
    if (!sendClicked(entry->id)) {
        if (error) {
            *error = QStringLiteral("the item refused the click on \"%1\"").arg(label);
        }
        return false;
    }
    return true;
}

bool TrayItem::contextMenu(int x, int y) {
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, kItemInterface,
                                                       QStringLiteral("ContextMenu"));
    call << x << y;
    return m_connection.call(call, QDBus::Block, kCallTimeoutMs).type() ==
           QDBusMessage::ReplyMessage;
}

bool TrayItem::activate(int x, int y) {
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, kItemInterface,
                                                       QStringLiteral("Activate"));
    call << x << y;
    return m_connection.call(call, QDBus::Block, kCallTimeoutMs).type() ==
           QDBusMessage::ReplyMessage;
}

void TrayItem::follow(int settleMs) {
    m_settle.setInterval(settleMs);
    m_reporting = true;
    subscribe();
    m_settle.start();
}

void TrayItem::subscribe() {
    if (m_subscribed) {
        return;
    }
    m_subscribed = true;
    const QString path = menuPath();
    for (const char* name : {"LayoutUpdated", "ItemsPropertiesUpdated"}) {
        m_connection.connect(m_service, path, kMenuInterface, QLatin1String(name), this,
                             SLOT(onMenuSignal(QDBusMessage)));
    }
    for (const char* name :
         {"NewTitle", "NewIcon", "NewAttentionIcon", "NewOverlayIcon", "NewToolTip", "NewStatus"}) {
        m_connection.connect(m_service, m_path, kItemInterface, QLatin1String(name), this,
                             SLOT(onItemSignal(QDBusMessage)));
    }
}

void TrayItem::onMenuSignal(const QDBusMessage& message) {
    Q_UNUSED(message);
    ++m_menuSignals;
    Q_EMIT menuSignal();
    if (m_reporting) {
        m_settle.start();
    }
}

void TrayItem::onItemSignal(const QDBusMessage& message) {
    Q_UNUSED(message);
    if (m_reporting) {
        m_settle.start();
    }
}

void TrayItem::readAndReport() {
    const auto summary = readSummary();
    const auto layout = readLayout();
    if (!summary && !layout) {
        return;
    }
    if (layout) {
        m_lastLayout = *layout;
    }
    QString text = summary ? formatSummary(*summary) + u'\n' : QString();
    text += layout ? formatMenu(*layout) : QStringLiteral("(menu unreadable)\n");
    if (text == m_lastText) {
        return;
    }
    m_lastText = text;
    Q_EMIT settled(text);
}

} // namespace trayhost
