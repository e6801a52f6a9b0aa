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
        const QByteArray cipher = encrypt(plain);
        EXPECT_EQ(cipher.size() % 16, 0);
        EXPECT_GT(cipher.size(), plain.size());
        const QByteArray back = HVUtilities::decryptFile(put(QStringLiteral("p.enc"), cipher));
        EXPECT_FALSE(back.isNull()) << length;
        EXPECT_EQ(back, plain) << length;
    }
    EXPECT_TRUE(trace.records().isEmpty()) << trace.text().toStdString();
}

TEST_F(Decryption, EachFailureHasItsTraceLineAndNoResult) {
    const QByteArray good =
        encrypt(QByteArray("a picture that is long enough for three blocks..."));
    ASSERT_EQ(good.size(), 64);

    // A length that is not a multiple of the block size.
    EXPECT_TRUE(HVUtilities::decryptFile(put("short.enc", good.left(good.size() - 5))).isNull());
    const QStringList afterLength = trace.records();
    ASSERT_EQ(afterLength.size(), 1);
    EXPECT_TRUE(afterLength.first().startsWith("Pref Controller CRITICAL Error in decryption : "));

    // Whole blocks whose last one does not end in valid padding (a zero byte).
    EXPECT_TRUE(
        HVUtilities::decryptFile(put("pad.enc", encrypt(QByteArray(32, '\0'), false))).isNull());
    const QStringList afterPadding = trace.records();
    ASSERT_EQ(afterPadding.size(), 2);
    EXPECT_TRUE(afterPadding.last().startsWith("Pref Controller CRITICAL Error in decryption : "));
    // The two failures report the decryptor's own, different statuses.
    EXPECT_EQ(afterPadding.first(),
              QStringLiteral("Pref Controller CRITICAL Error in decryption : %1 ")
                  .arg(PROV_R_WRONG_FINAL_BLOCK_LENGTH));
    EXPECT_EQ(afterPadding.last(),
              QStringLiteral("Pref Controller CRITICAL Error in decryption : %1 ")
                  .arg(PROV_R_BAD_DECRYPT));

    // A flipped bit in the second-to-last block corrupts the padding byte.
    QByteArray flipped = good;
    flipped[flipped.size() - 17] = static_cast<char>(flipped.at(flipped.size() - 17) ^ 0x01);
    EXPECT_TRUE(HVUtilities::decryptFile(put("flip.enc", flipped)).isNull());
    EXPECT_EQ(trace.records().size(), 3);
    EXPECT_EQ(trace.records().last(), afterPadding.last());

    // Empty input: no final block at all.
    EXPECT_TRUE(HVUtilities::decryptFile(put("empty.enc", QByteArray())).isNull());
    EXPECT_EQ(trace.records().last(), afterLength.first());

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
