// Allocator settings of the status item.
//
// The item runs for the whole session and handles a stream of small D-Bus
// messages on Qt's bus thread. With glibc's per-thread caches of freed blocks,
// blocks allocated on that thread and freed on the main one keep being cached on
// the wrong side, and the bus thread's heap grows by a few hundred KiB before it
// settles. Turning those caches off keeps the heap flat at no measurable cost.
// glibc reads such settings only when a program starts, from GLIBC_TUNABLES, so
// the item starts itself once more with the setting added.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The GLIBC_TUNABLES value that adds the item's allocator setting to `current`
// (nullptr when the variable is unset), or nothing when `current` already sets
// the same tunable, by us or by the user.
std::optional<std::string> tunedAllocatorSettings(const char* current);

// Call first in main(). Starts the program again with the settings when they are
// missing (and goes on as it is if that fails); in the new start, puts
// GLIBC_TUNABLES back as it was, so that programs the item starts do not inherit
// the setting. Does nothing in sanitizer builds, which bring their own allocator.
void tuneAllocator(char* argv[]);

} // namespace platform
