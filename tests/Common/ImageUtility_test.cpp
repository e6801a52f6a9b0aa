#include "Common/ImageUtility.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>
#include <limits>

namespace {

const QString kUnlisted = QStringLiteral("HVFFFE");

const QString kResources = QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/Resources/");

} // namespace

// Lookups by product and context, and by variant style, product and context.
TEST(ImageTable, LookupByContextAndVariant) {
    const QString no = QStringLiteral("HV025C");  // flagged "NO": no picture in general
    const QString yes = QStringLiteral("HV006B"); // flagged "YES"
    const QString bad = ImageUtility::badUsbProductId();
    const QString first = ImageUtility::firstVariantFamily().first();
    const QString mono = ImageUtility::getDeviceImageNameForProdId(first, 0, 1);
    const QString base = mono.chopped(5);
    const QString yesPicture = ImageUtility::getDeviceImageNameForProdId(yes, 1);
    ASSERT_NE(first, bad);
    ASSERT_TRUE(mono.endsWith("_Mono"));
    EXPECT_NE(yesPicture, "DefaultDevice");
    EXPECT_NE(ImageUtility::getDeviceImageNameForProdId(no, 1), "DefaultFWUDevice");
    constexpr int kNone = std::numeric_limits<int>::min(); // the lookup without a style
    struct Case {
        QString id;
        int style;
        int context;
        QString expected; // null: nothing
    };
    // clang-format off
    const Case cases[] = {
        {"HV0000", kNone, 0, "DefaultDevice"}, {"FWU0000", kNone, 1, "DefaultFWUDevice"},
        {"FWU0000", kNone, 0, "DefaultDevice"}, // flagged "NO": the general context falls back
        {no, kNone, 0, "DefaultDevice"}, {yes, kNone, 0, yesPicture}, {yes, kNone, -1, {}},
        {kUnlisted, kNone, 1, "DefaultFWUDevice"}, {kUnlisted, kNone, 0, "DefaultDevice"}, {kUnlisted, kNone, 2, {}},
        // Keys match exactly: case, spacing and non-ASCII lookalikes do not; nor does no product.
        {yes.toLower(), kNone, 1, "DefaultFWUDevice"}, {yes + u' ', kNone, 1, "DefaultFWUDevice"},
        {QString(yes).replace(0, 1, QChar(0x41D)), kNone, 1, "DefaultFWUDevice"},
        {QString(), kNone, 1, "DefaultFWUDevice"}, {QString(), kNone, 0, "DefaultDevice"},
        // Styles other than 1 and 2 are mono; -1, context -1 or no product give nothing.
        {first, 3, 1, mono}, {first, 1, 0, base + "_Convert"}, {first, 2, 7, base + "_Duo"},
        {bad, 2, 1, base + "_Duo_BadUsb"}, {bad, 0, 1, base + "_Mono_BadUsb"},
        {first, -1, 1, {}}, {first, 1, -1, {}}, {QString(), 1, 1, {}},
        // Products outside both families take the context's default.
        {kUnlisted, 1, 1, "DefaultFWUDevice"}, {kUnlisted, 1, 0, "DefaultDevice"}, {kUnlisted, 1, 5, {}},
        {ImageUtility::variantProductIds().last(), 2, 1, "DefaultFWUDevice"}};
    // clang-format on
    for (const Case& c : cases) {
        const QString name =
            c.style == kNone ? ImageUtility::getDeviceImageNameForProdId(c.id, c.context)
                             : ImageUtility::getDeviceImageNameForProdId(c.id, c.style, c.context);
        EXPECT_EQ(name, c.expected) << c.id.toStdString() << " " << c.style << " " << c.context;
        EXPECT_EQ(name.isNull(), c.expected.isNull()) << c.id.toStdString();
    }
    // The second family has pictures of its own, none for a faulty USB.
    const QString second = ImageUtility::getDeviceImageNameForProdId(
        ImageUtility::secondVariantFamily().first(), 1, 1);
    EXPECT_TRUE(second.endsWith("_Convert") && !second.startsWith(base)) << second.toStdString();
    for (const QString& member : ImageUtility::secondVariantFamily()) {
        EXPECT_FALSE(ImageUtility::getDeviceImageNameForProdId(member, 2, 1).contains("BadUsb"));
    }
}

// Every name either lookup can answer is shipped, plain or encrypted, and every
// encrypted picture decrypts to the very bytes it was made from.
TEST(DevicePictures, EveryNamedPictureShipsAndDecrypts) {
    const QStringList names = ImageUtility::allPictureNames();
    EXPECT_EQ(names.size(), 58 + 9);
    int encrypted = 0;
    for (const QString& name : names) {
        const QString base = kResources + name;
        const bool enc = QFileInfo::exists(base + ".enc");
        encrypted += enc ? 1 : 0;
        const QByteArray bytes =
            enc ? HVUtilities::decryptFile(base + ".enc") : testsupport::readFile(base + ".png");
        if (enc) {
            EXPECT_EQ(bytes, testsupport::readFile(QStringLiteral(ZORVA_BINARY_DIR "/pictures/") +
                                                   name + ".png"));
        }
        EXPECT_FALSE(QImage::fromData(bytes, "PNG").isNull()) << name.toStdString();
    }
    EXPECT_GT(encrypted, 0);
    // The update window's fall-backs: the plain firmware-update picture and the
    // encrypted general one.
    EXPECT_TRUE(QFileInfo::exists(kResources + "DefaultFWUDevice.png"));
    EXPECT_TRUE(QFileInfo::exists(kResources + "DefaultDevice.enc"));
}
