#pragma once

#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <QString>
#include <vector>

// The status menu as a desktop host draws it from com.canonical.dbusmenu, where
// an item has only a label, an icon and an enabled state.

// The picture of an exported item: a bundle picture, or a battery level picture
// with the charging mark drawn over it.
struct HVExportedIcon {
    QString name; // empty: no icon
    bool battery = false;
    bool charging = false;
    bool operator==(const HVExportedIcon&) const = default;
};

struct HVExportedItem {
    bool isSeparator = false;
    QString label; // dbusmenu label: "_" marks the mnemonic, "__" shows "_"
    bool enabled = false;
    HVExportedIcon icon;
    bool operator==(const HVExportedItem&) const = default;
};

// One exported item per menu item, in order. Device rows (the items before the
// first separator, if any) are enabled even without an action, because hosts draw the
// icons of disabled items grey and the battery colours would be lost; choosing
// one does nothing. A battery view shows as its label (name, then the
// percentage when shown) and its level picture; an item in its on state shows
// its on-state mark.
std::vector<HVExportedItem> HVExportedMenu(const HVStatusMenu& menu);
