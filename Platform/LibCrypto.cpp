#include "Platform/LibCrypto.h"

#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <dlfcn.h>
#include <memory>
#include <optional>

namespace platform {
namespace {

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

void traceFailure(const char* what) {
    const char* reason = dlerror();
    HVTrace::writeLine(
        QStringLiteral("%1 not loaded: %2\n")
            .arg(QString::fromUtf8(what), QString::fromUtf8(reason ? reason : "unknown error")),
        hvtrace::kUtilities, hvtrace::kCritical);
}

// Looks `name` up into `slot`; false (traced) when the library lacks it.
template <typename Function>
bool bind(void* handle, const char* name, Function& slot) {
    void* symbol = dlsym(handle, name);
    if (!symbol) {
        traceFailure(name);
        return false;
    }
    slot = reinterpret_cast<Function>(symbol);
    return true;
}

struct Loaded {
    Library library;
    LibCrypto functions{};
};

std::optional<Loaded> load() {
    Library library(dlopen(ZORVA_LIBCRYPTO_SONAME, RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        traceFailure(ZORVA_LIBCRYPTO_SONAME);
        return std::nullopt;
    }
    void* handle = library.get();
    LibCrypto f{};
    const bool complete = bind(handle, "EVP_CIPHER_CTX_new", f.cipherContextNew) &&
                          bind(handle, "EVP_CIPHER_CTX_free", f.cipherContextFree) &&
                          bind(handle, "EVP_CIPHER_CTX_set_padding", f.cipherContextSetPadding) &&
                          bind(handle, "EVP_CIPHER_CTX_get_block_size", f.cipherContextBlockSize) &&
                          bind(handle, "EVP_aes_256_cbc", f.aes256Cbc) &&
                          bind(handle, "EVP_DecryptInit_ex", f.decryptInit) &&
                          bind(handle, "EVP_DecryptUpdate", f.decryptUpdate) &&
                          bind(handle, "EVP_DecryptFinal_ex", f.decryptFinal) &&
                          bind(handle, "ERR_peek_last_error", f.peekLastError) &&
                          bind(handle, "ERR_clear_error", f.clearError);
    if (!complete) {
        return std::nullopt;
    }
    return Loaded{std::move(library), f};
}

} // namespace

const LibCrypto* libCrypto() {
    static const std::optional<Loaded> loaded = load();
    return loaded ? &loaded->functions : nullptr;
}

} // namespace platform
