#include "Platform/widgets/DesktopOpener.h"

#include "Platform/Launching.h"

#include <QDesktopServices>

namespace platform {

void installDesktopOpener() {
    setURLOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

} // namespace platform
