#include "MenuLayout.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>

namespace trayhost {

namespace {

template <typename T>
T valueOr(const QVariantMap& map, const char* key, T fallback) {
    const auto found = map.constFind(QLatin1String(key));
    if (found == map.constEnd() || !found->canConvert<T>()) {
        return fallback;
    }
    return found->value<T>();
}

// Depth guard against a malicious or broken peer sending an endless nesting.
constexpr int kMaxDepth = 16;

std::optional<MenuEntry> parseEntry(const QDBusArgument& argument, int depth) {
    if (depth > kMaxDepth || argument.currentType() != QDBusArgument::StructureType) {
        return std::nullopt;
    }
    int id = 0;
    QVariantMap properties;
    argument.beginStructure();
    argument >> id;
    if (argument.currentType() != QDBusArgument::MapType) {
        argument.endStructure();
        return std::nullopt;
    }
    argument >> properties;
    MenuEntry entry = entryFromProperties(id, properties);
    if (argument.currentType() == QDBusArgument::ArrayType) {
        argument.beginArray();
        while (!argument.atEnd()) {
            QDBusVariant child;
            argument >> child;
            const QVariant value = child.variant();
            if (!value.canConvert<QDBusArgument>()) {
                continue;
            }
            const auto inner = value.value<QDBusArgument>();
            if (auto parsed = parseEntry(inner, depth + 1)) {
                entry.children.push_back(std::move(*parsed));
            }
        }
        argument.endArray();
    }
    argument.endStructure();
    return entry;
}

void formatInto(const MenuEntry& menu, int depth, QString& out) {
    const QString indent(depth * 2, u' ');
    for (const MenuEntry& child : menu.children) {
        if (!child.visible) {
            continue;
        }
        if (child.isSeparator()) {
            out += indent + QStringLiteral("----\n");
            continue;
        }
        QString line = indent + plainLabel(child.label);
        if (!child.enabled) {
            line += QStringLiteral(" [disabled]");
        }
        if (!child.iconData.isEmpty()) {
            const QImage icon = QImage::fromData(child.iconData);
            line += icon.isNull()
                        ? QStringLiteral(" [icon ?]")
                        : QStringLiteral(" [icon %1x%2]").arg(icon.width()).arg(icon.height());
        } else if (!child.iconName.isEmpty()) {
            line += QStringLiteral(" [icon %1]").arg(child.iconName);
        }
        if (!child.toggleType.isEmpty() && child.toggleState == 1) {
            line += QStringLiteral(" [checked]");
        }
        out += line + u'\n';
        if (!child.children.empty()) {
            formatInto(child, depth + 1, out);
        }
    }
}

} // namespace

MenuEntry entryFromProperties(int id, const QVariantMap& properties) {
    MenuEntry entry;
    entry.id = id;
    entry.type = valueOr<QString>(properties, "type", QString());
    entry.label = valueOr<QString>(properties, "label", QString());
    entry.enabled = valueOr<bool>(properties, "enabled", true);
    entry.visible = valueOr<bool>(properties, "visible", true);
    entry.toggleType = valueOr<QString>(properties, "toggle-type", QString());
    entry.toggleState = valueOr<int>(properties, "toggle-state", -1);
    entry.iconName = valueOr<QString>(properties, "icon-name", QString());
    entry.iconData = valueOr<QByteArray>(properties, "icon-data", QByteArray());
    entry.childrenDisplay = valueOr<QString>(properties, "children-display", QString());
    return entry;
}

std::optional<MenuEntry> parseLayout(const QDBusArgument& argument) {
    if (argument.currentSignature() != QLatin1String("(ia{sv}av)")) {
        return std::nullopt;
    }
    return parseEntry(argument, 0);
}

QString plainLabel(const QString& label) {
    QString out;
    out.reserve(label.size());
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label.at(i) == u'_') {
            if (i + 1 < label.size() && label.at(i + 1) == u'_') {
                out += u'_';
                ++i;
            }
            continue;
        }
        out += label.at(i);
    }
    return out;
}

QString formatMenu(const MenuEntry& root) {
    QString out;
    formatInto(root, 0, out);
    return out;
}

const MenuEntry* findByLabel(const MenuEntry& root, const QString& label) {
    for (const MenuEntry& child : root.children) {
        if (!child.visible) {
            continue;
        }
        if (!child.isSeparator() && plainLabel(child.label) == label) {
            return &child;
        }
        if (const MenuEntry* found = findByLabel(child, label)) {
            return found;
        }
    }
    return nullptr;
}

QStringList topLabels(const MenuEntry& root) {
    QStringList labels;
    for (const MenuEntry& child : root.children) {
        if (child.visible) {
            labels << (child.isSeparator() ? QStringLiteral("----") : plainLabel(child.label));
        }
    }
    return labels;
}

} // namespace trayhost
