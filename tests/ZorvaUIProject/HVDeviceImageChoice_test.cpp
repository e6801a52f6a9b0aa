#include "Common/ImageUtility.h"
#include "ZorvaUIProject/HVDeviceImageChoice.h"

#include <gtest/gtest.h>

namespace {

HVComponentEntry entry(const QVariant& prodId, const QVariant& headsetType = QVariant()) {
    QVariantMap map;
    if (prodId.isValid()) {
        map.insert("ProdIdKey", prodId);
    }
    if (headsetType.isValid()) {
        map.insert("headsetTypeKey", headsetType);
    }
    return HVComponentUpdateList::makeEntry(map);
}

} // namespace

TEST(DeviceImageChoice, VariantProductsByHeadsetTypeOthersByTable) {
    const QString first = ImageUtility::firstVariantFamily().first();
    const QString second = ImageUtility::secondVariantFamily().first();
    const QString firstMono = ImageUtility::getDeviceImageNameForProdId(first, 0, 1);
    const QString secondConvert = ImageUtility::getDeviceImageNameForProdId(second, 1, 1);

    // 71 convertible, 72 duo, everything else (absent too) mono.
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(second, 71)), secondConvert);
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(second, "71")), secondConvert);
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(first, 72)),
              ImageUtility::getDeviceImageNameForProdId(first, 2, 1));
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(first)), firstMono);
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(first, 2)), firstMono);
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(ImageUtility::badUsbProductId(), 72)),
              ImageUtility::getDeviceImageNameForProdId(ImageUtility::badUsbProductId(), 2, 1));

    // The two members outside both families always get the update default.
    const QStringList& nine = ImageUtility::variantProductIds();
    for (const QString& extra : {nine.at(7), nine.at(8)}) {
        ASSERT_FALSE(ImageUtility::firstVariantFamily().contains(extra));
        ASSERT_FALSE(ImageUtility::secondVariantFamily().contains(extra));
        for (int type : {0, 71, 72}) {
            EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(extra, type)), "DefaultFWUDevice");
        }
    }

    // A table product by the table even when flagged "NO"; the headset type plays no part.
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry("HV025C", 71)), "SpeakerphoneCoral");
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry("HVFFFE")), "DefaultFWUDevice");
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(QVariant())), "DefaultFWUDevice");
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(nullptr), "DefaultFWUDevice");
}
