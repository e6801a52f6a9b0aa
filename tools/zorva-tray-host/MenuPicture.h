#pragma once

#include "MenuLayout.h"

#include <QImage>
#include <functional>

namespace trayhost {

// Draws the menu the way a tray built on QMenu would show it from the dbusmenu
// data alone: labels, icons, check marks, disabled rows and separators.
QImage renderMenu(const MenuEntry& root);

// Grabs the whole X screen, runs popUp (which asks the item to open its own menu),
// waits until the screen has changed and then stayed still, and answers the
// changed region. A null image when popUp fails or nothing appears in time.
QImage grabPopup(const std::function<bool()>& popUp, int timeoutMs);

// The smallest rectangle holding every pixel where the two images differ;
// empty when they are equal or differ in size.
QRect changedRegion(const QImage& before, const QImage& after);

} // namespace trayhost
