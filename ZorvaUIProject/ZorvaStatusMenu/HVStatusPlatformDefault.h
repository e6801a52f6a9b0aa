#pragma once

#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

// The platform of the running application: the device-service client (HVDisObj),
// the callback server and the notification centre on the session bus, the
// per-user preference store (HVUtilities), the tray (HVTrayStatusBar) and the
// application bundle found for this executable.
HVStatusPlatform HVDefaultStatusPlatform();
