// The cipher functions of the system's libcrypto, loaded on first use.
//
// Only the update window's encrypted pictures need them, and most runs of the
// status item never open that window: linking the library would map and relocate
// all of it at every start for nothing. The library is opened once, the first time
// a caller asks, and stays loaded until the program ends.
#pragma once

#include <openssl/evp.h>

namespace platform {

struct LibCrypto {
    EVP_CIPHER_CTX* (*cipherContextNew)();
    void (*cipherContextFree)(EVP_CIPHER_CTX*);
    int (*cipherContextSetPadding)(EVP_CIPHER_CTX*, int);
    int (*cipherContextBlockSize)(const EVP_CIPHER_CTX*);
    const EVP_CIPHER* (*aes256Cbc)();
    int (*decryptInit)(EVP_CIPHER_CTX*, const EVP_CIPHER*, ENGINE*, const unsigned char*,
                       const unsigned char*);
    int (*decryptUpdate)(EVP_CIPHER_CTX*, unsigned char*, int*, const unsigned char*, int);
    int (*decryptFinal)(EVP_CIPHER_CTX*, unsigned char*, int*);
    unsigned long (*peekLastError)();
    void (*clearError)();
};

// The loaded functions, or nullptr (with a trace line) when the library or one of
// its functions cannot be found. Thread-safe; the answer never changes once given.
const LibCrypto* libCrypto();

} // namespace platform
