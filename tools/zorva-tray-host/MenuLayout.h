#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <optional>
#include <vector>

class QDBusArgument;

namespace trayhost {

// One entry of a com.canonical.dbusmenu layout, as plain data. The root entry
// (id 0) stands for the menu itself; its children are the visible rows.
struct MenuEntry {
    int id = 0;
    QString type; // "standard" (empty) or "separator"
    QString label;
    bool enabled = true;
    bool visible = true;
    QString toggleType; // "", "checkmark" or "radio"
    int toggleState = -1;
    QString iconName;
    QByteArray iconData; // PNG bytes as the item sends them
    QString childrenDisplay;
    std::vector<MenuEntry> children;

    bool isSeparator() const { return type == QLatin1String("separator"); }
};

// Fills an entry from the property map of one item; unknown keys are ignored and
// values of the wrong type are left at their defaults.
MenuEntry entryFromProperties(int id, const QVariantMap& properties);

// Reads the "(ia{sv}av)" structure GetLayout answers. Answers nothing when the
// argument does not have that signature.
std::optional<MenuEntry> parseLayout(const QDBusArgument& argument);

// The rows of a menu as indented text, one line per visible child:
//   "Help", "Checking... [disabled]", "----" for a separator,
//   "Mirelo 65 [icon 16x16] [checked]". Submenus are indented by two blanks.
QString formatMenu(const MenuEntry& root);

// The first visible entry (depth first) whose label, with mnemonic ampersands
// removed, equals the text; nullptr when there is none.
const MenuEntry* findByLabel(const MenuEntry& root, const QString& label);

// The visible labels of the root's direct children, separators as "----".
QStringList topLabels(const MenuEntry& root);

// A label without the mnemonic marks dbusmenu items carry ("_Help" → "Help").
QString plainLabel(const QString& label);

} // namespace trayhost
