#include "Platform/Allocator.h"
#include "Platform/widgets/DesktopOpener.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatformDefault.h"
#include "ZorvaUIProject/ZorvaStatusMenu/ZorvaStatusMenuAppDelegate.h"

#include <QApplication>
#include <QTimer>

// The status item: the delegate and the one controller are made at launch, the
// controller runs its start-up sequence, and from then on the application only
// reacts. It runs until the session ends.
int main(int argc, char* argv[]) {
    platform::tuneAllocator(argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installDesktopOpener();
    ZorvaStatusMenuAppDelegate delegate;
    HVStatusController controller(HVDefaultStatusPlatform());
    controller.awakeFromNib();
    QTimer::singleShot(0, &app, [&delegate] { delegate.applicationDidFinishLaunching(); });
    return QApplication::exec();
}
