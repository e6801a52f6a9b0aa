#pragma once

// The desktop's default handlers for platform::openURL: web pages in the
// browser, local files in their applications (QDesktopServices). Needs a
// running QGuiApplication; the application installs it at start-up.
namespace platform {

void installDesktopOpener();

} // namespace platform
