// Encrypted bundle resources: pictures shipped as AES-256-CBC ciphertext.
#include "Common/ImageUtility.h"
#include "Platform/LibCrypto.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QFile>
#include <array>
#include <climits>
#include <memory>
#include <openssl/err.h>

namespace {

using namespace hvtrace;

struct CipherContextDeleter {
    const platform::LibCrypto* crypto;
    void operator()(EVP_CIPHER_CTX* context) const { crypto->cipherContextFree(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

// The decryptor's status for a failed step: the reason of the library's last
// error (for example a bad final block), which also empties this thread's error
// queue so that nothing is left behind for an unrelated caller.
int takeCipherStatus(const platform::LibCrypto& crypto) {
    const unsigned long error = crypto.peekLastError();
    crypto.clearError();
    return error == 0 ? -1 : ERR_GET_REASON(error);
}

} // namespace

QByteArray HVUtilities::decryptFile(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        HVTrace::writeLine(QStringLiteral("No data is available for decryption\n"), kPrefController,
                           kCritical);
        return {};
    }
    const QByteArray input = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        HVTrace::writeLine(QStringLiteral("No data is available for decryption\n"), kPrefController,
                           kCritical);
        return {};
    }
    file.close();

    const platform::LibCrypto* crypto = platform::libCrypto();
    if (!crypto) {
        HVTrace::writeLine(QStringLiteral("crpto reference is not created \n"), kPrefController,
                           kCritical);
        return {};
    }
    static const std::array<unsigned char, 16> zeroIv{};
    CipherContext context(crypto->cipherContextNew(), CipherContextDeleter{crypto});
    if (!context ||
        crypto->decryptInit(context.get(), crypto->aes256Cbc(), nullptr,
                            reinterpret_cast<const unsigned char*>(ImageUtility::kPictureKey),
                            zeroIv.data()) != 1 ||
        crypto->cipherContextSetPadding(context.get(), 1) != 1) {
        crypto->clearError();
        HVTrace::writeLine(QStringLiteral("crpto reference is not created \n"), kPrefController,
                           kCritical);
        return {};
    }

    // The whole input plus one block covers everything the update and final
    // steps may write. Inputs beyond what the cipher interface takes in one step
    // fail like any other decryption error.
    const int blockSize = crypto->cipherContextBlockSize(context.get());
    if (input.size() > INT_MAX - 2 * blockSize) {
        HVTrace::writeLine(QStringLiteral("Decryption of data is failed.\n"), kPrefController,
                           kCritical);
        return {};
    }
    QByteArray output(input.size() + blockSize, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(output.data());

    int updated = 0;
    if (crypto->decryptUpdate(context.get(), out, &updated,
                              reinterpret_cast<const unsigned char*>(input.constData()),
                              static_cast<int>(input.size())) != 1) {
        crypto->clearError();
        HVTrace::writeLine(QStringLiteral("Decryption of data is failed.\n"), kPrefController,
                           kCritical);
        return {};
    }
    int finished = 0;
    if (crypto->decryptFinal(context.get(), out + updated, &finished) != 1) {
        HVTrace::writeLine(
            QStringLiteral("Error in decryption : %1 ").arg(takeCipherStatus(*crypto)),
            kPrefController, kCritical);
        return {};
    }
    output.truncate(updated + finished);
    return output;
}
