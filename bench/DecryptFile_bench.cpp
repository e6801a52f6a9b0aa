// decryptFile on a 1 MiB encrypted picture, beside the openssl command-line
// tool decrypting the same file in the same run.
//
//   DecryptFile            HVUtilities::decryptFile (read + decrypt + padding check)
//   OpensslEnc             `openssl enc -d -aes-256-cbc` on the same file, output discarded
//   OpensslEncStartup      the same command on a one-block file: its start-up cost alone
//   EvpInMemory            the library's cipher on bytes already in memory (the floor)
#include "Common/ImageUtility.h"
#include "ZorvaUIProject/Common/HVUtilities.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <openssl/evp.h>

namespace {

constexpr int kSide = 512; // 512 x 512 RGBA noise: a 1 MiB picture

QString keyHex() {
    return QString::fromLatin1(QByteArray(ImageUtility::kPictureKey).toHex());
}

QStringList opensslArguments(const QString& in, const QString& direction) {
    return {QStringLiteral("enc"),
            direction,
            QStringLiteral("-aes-256-cbc"),
            QStringLiteral("-K"),
            keyHex(),
            QStringLiteral("-iv"),
            QString(32, u'0'),
            QStringLiteral("-in"),
            in,
            QStringLiteral("-out"),
            QStringLiteral("/dev/null")};
}

bool runOpenssl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("openssl"), arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

struct Fixture {
    QTemporaryDir dir;
    QString plainPath;
    QString encryptedPath;
    QString oneBlockPath;
    QByteArray plain;
    QByteArray encrypted;

    Fixture() {
        QImage noise(kSide, kSide, QImage::Format_ARGB32);
        auto* random = QRandomGenerator::global();
        for (int y = 0; y < kSide; ++y) {
            auto* line = reinterpret_cast<quint32*>(noise.scanLine(y));
            for (int x = 0; x < kSide; ++x) {
                line[x] = random->generate();
            }
        }
        plainPath = dir.filePath(QStringLiteral("picture.png"));
        encryptedPath = dir.filePath(QStringLiteral("picture.enc"));
        oneBlockPath = dir.filePath(QStringLiteral("one-block.enc"));
        if (!noise.save(plainPath, "PNG")) {
            fail("cannot write the picture");
        }
        // The encrypted file is made by the command-line tool, so the run also
        // checks that both sides agree on key, padding and vector.
        QStringList encrypt = opensslArguments(plainPath, QStringLiteral("-e"));
        encrypt[encrypt.size() - 1] = encryptedPath;
        QStringList oneBlock = opensslArguments(QStringLiteral("/dev/null"), QStringLiteral("-e"));
        oneBlock[oneBlock.size() - 1] = oneBlockPath;
        if (!runOpenssl(encrypt) || !runOpenssl(oneBlock)) {
            fail("the openssl command-line tool is missing or failed");
        }
        QFile p(plainPath);
        QFile e(encryptedPath);
        if (!p.open(QIODevice::ReadOnly) || !e.open(QIODevice::ReadOnly)) {
            fail("cannot read the files back");
        }
        plain = p.readAll();
        encrypted = e.readAll();
        if (HVUtilities::decryptFile(encryptedPath) != plain) {
            fail("decryptFile does not give back the picture");
        }
        std::printf("picture: %lld bytes, encrypted: %lld bytes\n",
                    static_cast<long long>(plain.size()), static_cast<long long>(encrypted.size()));
    }

    [[noreturn]] static void fail(const char* why) {
        std::fprintf(stderr, "DecryptFile_bench: %s\n", why);
        std::exit(1);
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

void DecryptFile(benchmark::State& state) {
    const QString path = fixture().encryptedPath;
    for (auto _ : state) {
        QByteArray out = HVUtilities::decryptFile(path);
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * fixture().encrypted.size());
}
BENCHMARK(DecryptFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

void OpensslEnc(benchmark::State& state) {
    const QStringList arguments = opensslArguments(fixture().encryptedPath, QStringLiteral("-d"));
    for (auto _ : state) {
        if (!runOpenssl(arguments)) {
            state.SkipWithError("openssl enc -d failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * fixture().encrypted.size());
}
BENCHMARK(OpensslEnc)->Unit(benchmark::kMicrosecond)->UseRealTime();

void OpensslEncStartup(benchmark::State& state) {
    const QStringList arguments = opensslArguments(fixture().oneBlockPath, QStringLiteral("-d"));
    for (auto _ : state) {
        if (!runOpenssl(arguments)) {
            state.SkipWithError("openssl enc -d failed");
            break;
        }
    }
}
BENCHMARK(OpensslEncStartup)->Unit(benchmark::kMicrosecond)->UseRealTime();

void EvpInMemory(benchmark::State& state) {
    const QByteArray& input = fixture().encrypted;
    QByteArray output(input.size() + 16, Qt::Uninitialized);
    const std::array<unsigned char, 16> iv{};
    struct Deleter {
        void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
    };
    for (auto _ : state) {
        std::unique_ptr<EVP_CIPHER_CTX, Deleter> ctx(EVP_CIPHER_CTX_new());
        int n = 0;
        int f = 0;
        EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr,
                           reinterpret_cast<const unsigned char*>(ImageUtility::kPictureKey),
                           iv.data());
        auto* out = reinterpret_cast<unsigned char*>(output.data());
        EVP_DecryptUpdate(ctx.get(), out, &n,
                          reinterpret_cast<const unsigned char*>(input.constData()),
                          static_cast<int>(input.size()));
        if (EVP_DecryptFinal_ex(ctx.get(), out + n, &f) != 1) {
            state.SkipWithError("decryption failed");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * input.size());
}
BENCHMARK(EvpInMemory)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
