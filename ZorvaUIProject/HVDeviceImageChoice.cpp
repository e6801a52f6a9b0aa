#include "ZorvaUIProject/HVDeviceImageChoice.h"

#include "Common/ImageUtility.h"

namespace {

constexpr qint32 kConvertibleHeadsetType = 71;
constexpr qint32 kDuoHeadsetType = 72;

int styleOfHeadsetType(qint32 headsetType) {
    switch (headsetType) {
    case kConvertibleHeadsetType:
        return ImageUtility::kConvertibleStyle;
    case kDuoHeadsetType:
        return ImageUtility::kDuoStyle;
    default:
        return 0;
    }
}

} // namespace

QString getDeviceImageNameWithDeviceDict(const HVComponentEntry& dict) {
    const QString prodId = HVComponentUpdateList::productId(dict);
    if (ImageUtility::variantProductIds().contains(prodId)) {
        return ImageUtility::getDeviceImageNameForProdId(
            prodId, styleOfHeadsetType(HVComponentUpdateList::headsetType(dict)),
            ImageUtility::kFirmwareUpdateContext);
    }
    return ImageUtility::getDeviceImageNameForProdId(prodId, ImageUtility::kFirmwareUpdateContext);
}
