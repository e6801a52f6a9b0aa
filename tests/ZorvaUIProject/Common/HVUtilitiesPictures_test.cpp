#include "Common/ImageUtility.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <openssl/evp.h>
#include <openssl/proverr.h>

using testsupport::TraceCapture;

namespace {

// Encrypts under the picture key; with padding off the caller controls the
// final block (and so can write a bad padding).
QByteArray encrypt(const QByteArray& plain, bool padding = true) {
    struct Deleter {
        void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
    };
    std::unique_ptr<EVP_CIPHER_CTX, Deleter> ctx(EVP_CIPHER_CTX_new());
    const std::array<unsigned char, 16> iv{};
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr,
                       reinterpret_cast<const unsigned char*>(ImageUtility::kPictureKey),
                       iv.data());
    EVP_CIPHER_CTX_set_padding(ctx.get(), padding ? 1 : 0);
    QByteArray out(plain.size() + 16, '\0');
    int n = 0;
    int f = 0;
    EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &n,
                      reinterpret_cast<const unsigned char*>(plain.constData()),
                      static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()) + n, &f);
    out.truncate(n + f);
    return out;
}

class Decryption : public ::testing::Test {
protected:
    QString put(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testsupport::writeFile(path, bytes));
        return path;
    }
    bool traced(const QString& message) const {
        return trace.contains(QStringLiteral("Pref Controller"), QStringLiteral("CRITICAL"),
                              message);
    }

    QTemporaryDir dir;
    TraceCapture trace;
};

} // namespace

TEST_F(Decryption, RoundTripsAnyLengthAndBinaryContent) {
    // Lengths around the block size, and all byte values.
    for (int length : {0, 1, 15, 16, 17, 31, 32, 4096 + 3}) {
        QByteArray plain(length, '\0');
        for (int i = 0; i < length; ++i) {
            plain[i] = static_cast<char>((i * 37 + 11) & 0xff);
        }
        const QByteArray back =
            HVUtilities::decryptFile(put(QStringLiteral("p.enc"), encrypt(plain)));
        EXPECT_FALSE(back.isNull()) << length;
        EXPECT_EQ(back, plain) << length;
    }
    EXPECT_TRUE(trace.records().isEmpty()) << trace.text().toStdString();
}

TEST_F(Decryption, EachFailureHasItsTraceLineAndNoResult) {
    const QByteArray good =
        encrypt(QByteArray("a picture that is long enough for three blocks..."));
    ASSERT_EQ(good.size(), 64);
    QByteArray flipped = good; // a flipped bit in the second-to-last block spoils the padding
    flipped[47] = static_cast<char>(flipped.at(47) ^ 0x01);
    // The decryptor's own status: a length that is not a multiple of the block size (or
    // no block at all), and whole blocks whose last one does not end in valid padding.
    // clang-format off
    const std::pair<QByteArray, int> rows[] = {{good.left(59), PROV_R_WRONG_FINAL_BLOCK_LENGTH},
        {encrypt(QByteArray(32, '\0'), false), PROV_R_BAD_DECRYPT}, {flipped, PROV_R_BAD_DECRYPT},
        {QByteArray(), PROV_R_WRONG_FINAL_BLOCK_LENGTH}};
    // clang-format on
    for (const auto& [bytes, status] : rows) {
        EXPECT_TRUE(HVUtilities::decryptFile(put("bad.enc", bytes)).isNull()) << status;
        EXPECT_EQ(trace.records().last(),
                  QStringLiteral("Pref Controller CRITICAL Error in decryption : %1 ").arg(status));
    }
    EXPECT_EQ(trace.records().size(), 4);

    // Nothing to read: a missing file, a folder, no path at all.
    const QString noData = QStringLiteral("No data is available for decryption\n");
    EXPECT_TRUE(HVUtilities::decryptFile(dir.filePath("missing.enc")).isNull());
    EXPECT_EQ(trace.count(noData), 1);
    EXPECT_TRUE(traced(noData));
    EXPECT_TRUE(HVUtilities::decryptFile(dir.path()).isNull());
    EXPECT_TRUE(HVUtilities::decryptFile(QString()).isNull());
    EXPECT_EQ(trace.count(noData), 3);
    // No other failure line was written on the way.
    EXPECT_EQ(trace.count("Decryption of data is failed.\n"), 0);
    EXPECT_EQ(trace.count("crpto reference is not created \n"), 0);
}
