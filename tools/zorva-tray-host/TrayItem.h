#pragma once

#include "MenuLayout.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QTimer>
#include <optional>

namespace trayhost {

// What the tray shows of an item besides its menu.
struct ItemSummary {
    QString id;
    QString title;
    QString status;
    QString category;
    QString iconName;
    QString menuPath;
    QList<QSize> iconSizes;
    QString iconDigest; // first 8 hex digits of the SHA-1 of the first icon pixmap
    QString toolTip;
};

QString formatSummary(const ItemSummary& summary);

// One registered StatusNotifierItem as a tray reads it: its properties and its
// dbusmenu. Changes (LayoutUpdated, ItemsPropertiesUpdated, New* signals) are
// collected until the item has been quiet for the settle interval; then the
// menu is read again and settled() reports it.
class TrayItem : public QObject {
    Q_OBJECT

public:
    TrayItem(QDBusConnection connection, QString service, QString path, QObject* parent = nullptr);

    QString service() const { return m_service; }
    QString path() const { return m_path; }

    // Reads the item's org.kde.StatusNotifierItem properties; nothing when the
    // item does not answer.
    std::optional<ItemSummary> readSummary() const;
    // Path of the dbusmenu object, from the "Menu" property (cached after the first read).
    QString menuPath();
    // GetLayout(0, -1, []): the whole menu; nothing on error.
    std::optional<MenuEntry> readLayout();
    // Answers once the item has handled everything sent to it before (a cheap
    // GetLayout of the root alone, served on the item's main thread).
    bool sync(int timeoutMs);
    // Sends Event(id, "clicked", 0, time) to the menu.
    bool sendClicked(int id);
    // Reads the menu afresh and clicks the first visible item with the label.
    bool click(const QString& label, QString* error = nullptr);
    // ContextMenu(x, y) or Activate(x, y) on the item.
    bool contextMenu(int x, int y);
    bool activate(int x, int y);

    // Starts following changes; the first settled() comes after the first read.
    void follow(int settleMs);
    // Only counts change signals (menuSignal()), without reading or reporting.
    void subscribe();
    // The latest settled layout (empty root until the first read).
    const MenuEntry& lastLayout() const { return m_lastLayout; }
    quint32 lastRevision() const { return m_revision; }
    // Number of LayoutUpdated/ItemsPropertiesUpdated signals received so far.
    quint64 menuSignalCount() const { return m_menuSignals; }

Q_SIGNALS:
    // The menu or the item's properties changed and have been quiet since.
    void settled(const QString& text);
    // A raw dbusmenu change signal arrived (before settling).
    void menuSignal();

private Q_SLOTS:
    void onMenuSignal(const QDBusMessage& message);
    void onItemSignal(const QDBusMessage& message);

private:
    void readAndReport();

    QDBusConnection m_connection;
    QString m_service;
    QString m_path;
    QString m_menuPath;
    QTimer m_settle;
    MenuEntry m_lastLayout;
    quint32 m_revision = 0;
    quint64 m_menuSignals = 0;
    QString m_lastText;
    bool m_subscribed = false;
    bool m_reporting = false;
};

} // namespace trayhost
