#include "Common/ImageUtility.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

const QString kUnlisted = QStringLiteral("HVFFFE");

QString resources() {
    return QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/Resources/");
}

// A product with each flag, taken from the table itself.
QString productWithFlag(const char* flag) {
    for (const auto& entry : ImageUtility::imageTable()) {
        const QString key = QString::fromLatin1(entry.key);
        if (QLatin1String(entry.generalContext) == QLatin1String(flag) &&
            key != QLatin1String("FWU0000") && key != QLatin1String("HV0000")) {
            return key;
        }
    }
    return {};
}

} // namespace

TEST(ImageTable, ShapeCountsAndFallbacks) {
    const auto table = ImageUtility::imageTable();
    ASSERT_EQ(table.size(), 174u);
    const QRegularExpression productId(QStringLiteral("^HV[0-9A-F]{4}$"));
    QSet<QString> keys;
    for (const auto& entry : table) {
        const QString key = QString::fromLatin1(entry.key);
        EXPECT_TRUE(key == QLatin1String("FWU0000") || productId.match(key).hasMatch())
            << key.toStdString();
        EXPECT_TRUE(QLatin1String(entry.generalContext) == QLatin1String("YES") ||
                    QLatin1String(entry.generalContext) == QLatin1String("NO"));
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), 174);
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId("HV0000", 0), "DefaultDevice");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId("FWU0000", 1), "DefaultFWUDevice");
    // FWU0000 is flagged "NO": the general context falls back.
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId("FWU0000", 0), "DefaultDevice");

    // The variant products are no keys of the table; the nine-member set holds
    // both families and two more.
    const QStringList& nine = ImageUtility::variantProductIds();
    EXPECT_EQ(nine.size(), 9);
    EXPECT_EQ(QSet<QString>(nine.begin(), nine.end()).size(), 9);
    EXPECT_EQ(ImageUtility::firstVariantFamily().size(), 4);
    EXPECT_EQ(ImageUtility::secondVariantFamily().size(), 3);
    EXPECT_TRUE(ImageUtility::firstVariantFamily().contains(ImageUtility::badUsbProductId()));
    for (const QString& id : nine) {
        EXPECT_FALSE(keys.contains(id)) << id.toStdString();
    }
}

TEST(ImageTable, TableLookupByContext) {
    const QString no = productWithFlag("NO");
    const QString yes = productWithFlag("YES");
    ASSERT_FALSE(no.isEmpty());
    ASSERT_FALSE(yes.isEmpty());
    const QString noPicture = ImageUtility::getDeviceImageNameForProdId(no, 1);
    EXPECT_NE(noPicture, "DefaultFWUDevice");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(no, 0), "DefaultDevice");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(yes, 0),
              ImageUtility::getDeviceImageNameForProdId(yes, 1));
    EXPECT_NE(ImageUtility::getDeviceImageNameForProdId(yes, 0), "DefaultDevice");

    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(kUnlisted, 1), "DefaultFWUDevice");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(kUnlisted, 0), "DefaultDevice");
    EXPECT_TRUE(ImageUtility::getDeviceImageNameForProdId(kUnlisted, 2).isNull());
    EXPECT_TRUE(ImageUtility::getDeviceImageNameForProdId(yes, -1).isNull());
    // Keys match exactly: case, spacing and non-ASCII lookalikes do not.
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(yes.toLower(), 1), "DefaultFWUDevice");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(yes + u' ', 1), "DefaultFWUDevice");
    EXPECT_EQ(
        ImageUtility::getDeviceImageNameForProdId(QString(yes).replace(0, 1, QChar(0x41D)), 1),
        "DefaultFWUDevice");
    // An absent product ID finds nothing and falls back.
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(QString(), 1), "DefaultFWUDevice");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(QString(), 0), "DefaultDevice");
}

TEST(ImageTable, VariantLookup) {
    const QString bad = ImageUtility::badUsbProductId();
    const QString first = ImageUtility::firstVariantFamily().first();
    const QString second = ImageUtility::secondVariantFamily().first();
    ASSERT_NE(first, bad);

    const QString mono = ImageUtility::getDeviceImageNameForProdId(first, 0, 1);
    EXPECT_TRUE(mono.endsWith("_Mono"));
    for (int style : {3, 70, -2, 71}) {
        EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(first, style, 1), mono) << style;
    }
    const QString base = mono.chopped(5);
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(first, 1, 0), base + "_Convert");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(first, 2, 7), base + "_Duo");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(bad, 2, 1), base + "_Duo_BadUsb");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(bad, 0, 1), base + "_Mono_BadUsb");

    const QString secondConvert = ImageUtility::getDeviceImageNameForProdId(second, 1, 1);
    EXPECT_TRUE(secondConvert.endsWith("_Convert"));
    EXPECT_FALSE(secondConvert.startsWith(base));
    for (const QString& member : ImageUtility::secondVariantFamily()) {
        EXPECT_FALSE(ImageUtility::getDeviceImageNameForProdId(member, 2, 1).contains("BadUsb"));
    }

    // Style -1, context -1 or no product: nothing.
    EXPECT_TRUE(ImageUtility::getDeviceImageNameForProdId(first, -1, 1).isNull());
    EXPECT_TRUE(ImageUtility::getDeviceImageNameForProdId(first, 1, -1).isNull());
    EXPECT_TRUE(ImageUtility::getDeviceImageNameForProdId(QString(), 1, 1).isNull());
    // Products outside both families take the context's default.
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(kUnlisted, 1, 1), "DefaultFWUDevice");
    EXPECT_EQ(ImageUtility::getDeviceImageNameForProdId(kUnlisted, 1, 0), "DefaultDevice");
    EXPECT_TRUE(ImageUtility::getDeviceImageNameForProdId(kUnlisted, 1, 5).isNull());
    EXPECT_EQ(
        ImageUtility::getDeviceImageNameForProdId(ImageUtility::variantProductIds().last(), 2, 1),
        "DefaultFWUDevice");
}

// Every name either lookup can answer is shipped, plain or encrypted, and every
// encrypted picture decrypts to the very bytes it was made from.
TEST(DevicePictures, EveryNamedPictureShipsAndDecrypts) {
    const QStringList names = ImageUtility::allPictureNames();
    EXPECT_EQ(names.size(), 58 + 9);
    int encrypted = 0;
    for (const QString& name : names) {
        const bool png = QFileInfo::exists(resources() + name + ".png");
        const bool enc = QFileInfo::exists(resources() + name + ".enc");
        EXPECT_TRUE(png || enc) << name.toStdString();
        QByteArray bytes;
        if (enc) {
            ++encrypted;
            bytes = HVUtilities::decryptFile(resources() + name + ".enc");
            const QByteArray original = testsupport::readFile(
                QStringLiteral(ZORVA_BINARY_DIR "/pictures/") + name + ".png");
            ASSERT_FALSE(original.isEmpty()) << name.toStdString();
            EXPECT_EQ(bytes, original) << name.toStdString();
            EXPECT_NE(testsupport::readFile(resources() + name + ".enc").left(8), original.left(8));
        } else {
            bytes = testsupport::readFile(resources() + name + ".png");
        }
        const QImage image = QImage::fromData(bytes, "PNG");
        EXPECT_FALSE(image.isNull()) << name.toStdString();
    }
    EXPECT_GT(encrypted, 0);
    // The update window's fall-backs: the plain firmware-update picture and the
    // encrypted general one.
    EXPECT_TRUE(QFileInfo::exists(resources() + "DefaultFWUDevice.png"));
    EXPECT_TRUE(QFileInfo::exists(resources() + "DefaultDevice.enc"));
}
