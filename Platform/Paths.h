#pragma once

#include <QString>

// Where the suite's files live on this machine.
namespace platform {

// The current user's home directory: $HOME, or the account's home when unset.
QString homeDirectory();

// The root below which the suite's fixed system paths ("/Library/...",
// "/Applications") are laid out: $ZORVA_SYSTEM_ROOT when set, "/" otherwise.
QString systemRoot();

// A fixed system path such as "/Library/Preferences/x.plist" placed below the
// system root. With the default root the path is returned unchanged.
QString systemPath(const QString& absolutePath);

} // namespace platform
