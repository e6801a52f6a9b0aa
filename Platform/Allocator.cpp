#include "Platform/Allocator.h"

#include <cstdlib>
#include <unistd.h>

namespace platform {
namespace {

constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kSetting = "glibc.malloc.tcache_count";
// Holds GLIBC_TUNABLES as it was before the second start: "-" when it was unset,
// "=" followed by its value otherwise.
constexpr const char* kOriginal = "ZORVA_ORIGINAL_GLIBC_TUNABLES";

[[maybe_unused]] void restore(const char* original) {
    if (original[0] == '=') {
        setenv(kTunables, original + 1, 1);
    } else {
        unsetenv(kTunables);
    }
    unsetenv(kOriginal);
}

} // namespace

std::optional<std::string> tunedAllocatorSettings(const char* current) {
    const std::string setting = std::string(kSetting) + "=0";
    if (!current || !*current) {
        return setting;
    }
    // Tunables are colon-separated name=value pairs.
    const std::string existing = std::string(":") + current;
    if (existing.find(std::string(":") + kSetting + "=") != std::string::npos) {
        return std::nullopt;
    }
    return std::string(current) + ":" + setting;
}

void tuneAllocator(char* argv[]) {
#if defined(__SANITIZE_ADDRESS__)
    (void)argv;
#else
    if (const char* original = std::getenv(kOriginal)) {
        restore(original);
        return;
    }
    const char* current = std::getenv(kTunables);
    const std::optional<std::string> tuned = tunedAllocatorSettings(current);
    if (!tuned) {
        return;
    }
    const std::string original = current ? std::string("=") + current : std::string("-");
    setenv(kOriginal, original.c_str(), 1);
    setenv(kTunables, tuned->c_str(), 1);
    execv("/proc/self/exe", argv);
    restore(original.c_str()); // not started again: go on with the settings as they were
#endif
}

} // namespace platform
