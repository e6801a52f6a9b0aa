// Encrypted bundle resources: pictures shipped as AES-256-CBC ciphertext.
#include "Common/ImageUtility.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QFile>
#include <array>
#include <climits>
#include <memory>
#include <openssl/err.h>
#include <openssl/evp.h>

namespace {

using namespace hvtrace;

struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

// The decryptor's status for a failed step: the reason of the library's last
// error (for example a bad final block), which also empties this thread's error
// queue so that nothing is left behind for an unrelated caller.
int takeCipherStatus() {
    const unsigned long error = ERR_peek_last_error();
    ERR_clear_error();
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

    static const std::array<unsigned char, 16> zeroIv{};
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                           reinterpret_cast<const unsigned char*>(ImageUtility::kPictureKey),
                           zeroIv.data()) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 1) != 1) {
        ERR_clear_error();
        HVTrace::writeLine(QStringLiteral("crpto reference is not created \n"), kPrefController,
                           kCritical);
        return {};
    }

    // The whole input plus one block covers everything the update and final
    // steps may write. Inputs beyond what the cipher interface takes in one step
    // fail like any other decryption error.
    const int blockSize = EVP_CIPHER_CTX_block_size(context.get());
    if (input.size() > INT_MAX - 2 * blockSize) {
        HVTrace::writeLine(QStringLiteral("Decryption of data is failed.\n"), kPrefController,
                           kCritical);
        return {};
    }
    QByteArray output(input.size() + blockSize, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(output.data());

    int updated = 0;
    if (EVP_DecryptUpdate(context.get(), out, &updated,
                          reinterpret_cast<const unsigned char*>(input.constData()),
                          static_cast<int>(input.size())) != 1) {
        ERR_clear_error();
        HVTrace::writeLine(QStringLiteral("Decryption of data is failed.\n"), kPrefController,
                           kCritical);
        return {};
    }
    int finished = 0;
    if (EVP_DecryptFinal_ex(context.get(), out + updated, &finished) != 1) {
        HVTrace::writeLine(QStringLiteral("Error in decryption : %1 ").arg(takeCipherStatus()),
                           kPrefController, kCritical);
        return {};
    }
    output.truncate(updated + finished);
    return output;
}
