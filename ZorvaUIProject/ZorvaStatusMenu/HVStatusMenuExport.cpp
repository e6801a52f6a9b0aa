#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuExport.h"

#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuPresenter.h"

#include <algorithm>

std::vector<HVExportedItem> HVExportedMenu(const HVStatusMenu& menu) {
    std::vector<HVExportedItem> result;
    result.reserve(menu.items.size());
    // Device rows are followed by a separator; a menu without one has none.
    bool deviceRows = std::any_of(menu.items.begin(), menu.items.end(),
                                  [](const HVMenuItem& item) { return item.isSeparator; });
    for (const HVMenuItem& item : menu.items) {
        HVExportedItem exported;
        if (item.isSeparator) {
            deviceRows = false;
            exported.isSeparator = true;
            result.push_back(std::move(exported));
            continue;
        }
        exported.label =
            HVStatusMenuPresenter::dbusMenuLabel(HVStatusMenuPresenter::exportedTitle(item));
        exported.enabled = item.isEnabled() || deviceRows;
        if (item.view) {
            if (item.view->batteryPicture) {
                exported.icon = {item.view->batteryImage, true, item.view->charging};
            }
        } else if (item.state == 1 && !item.onStateImage.isEmpty()) {
            exported.icon = {item.onStateImage, false, false};
        }
        result.push_back(std::move(exported));
    }
    return result;
}
