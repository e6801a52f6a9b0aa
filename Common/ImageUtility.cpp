#include "Common/ImageUtility.h"

#include <QSet>
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

constexpr auto kNo = "NO";
constexpr auto kGeneralFallbackKey = "HV0000";
constexpr auto kFirmwareUpdateFallbackKey = "FWU0000";

// Several products share one picture. Sorted by key (binary search below).
constexpr std::array<ImageUtility::ImageEntry, 174> kImageTable = {{
    {"FWU0000", "DefaultFWUDevice", "NO"},   {"HV0000", "DefaultDevice", "YES"},
    {"HV006B", "UsbAdapterInk", "YES"},      {"HV025C", "SpeakerphoneCoral", "NO"},
    {"HV0273", "EarbudSky", "YES"},          {"HV04FB", "SpeakerphoneSlate", "YES"},
    {"HV05ED", "HeadsetMonoInk", "NO"},      {"HV05FF", "NeckbandSky", "YES"},
    {"HV06AA", "ChargingBaseMoss", "YES"},   {"HV07C6", "ChargingBaseTeal", "YES"},
    {"HV0D30", "HeadsetMonoTeal", "YES"},    {"HV0DC2", "UsbAdapterPlum", "NO"},
    {"HV0E72", "HeadsetMonoPlum", "YES"},    {"HV0F10", "SpeakerphoneAmber", "YES"},
    {"HV117C", "HeadsetStereoCoral", "YES"}, {"HV11D6", "HeadsetStereoAmber", "YES"},
    {"HV1292", "SpeakerphoneSky", "YES"},    {"HV1375", "SpeakerphoneTeal", "YES"},
    {"HV1719", "EarbudCoral", "NO"},         {"HV198A", "ChargingBaseCoral", "YES"},
    {"HV1AA8", "HeadsetStereoInk", "YES"},   {"HV1B18", "UsbAdapterAmber", "NO"},
    {"HV1C7B", "ChargingBaseAmber", "YES"},  {"HV1D5A", "SpeakerphoneInk", "YES"},
    {"HV1E3F", "HeadsetMonoTeal", "YES"},    {"HV1EB8", "HeadsetMonoAmber", "YES"},
    {"HV22BA", "NeckbandSlate", "NO"},       {"HV23A7", "NeckbandSlate", "NO"},
    {"HV2446", "HeadsetStereoSky", "YES"},   {"HV244B", "SpeakerphoneCoral", "YES"},
    {"HV26C4", "SpeakerphoneSlate", "YES"},  {"HV26C7", "HeadsetMonoCoral", "NO"},
    {"HV2A4C", "EarbudTeal", "YES"},         {"HV2C7A", "EarbudTeal", "YES"},
    {"HV2F2C", "ChargingBaseSky", "NO"},     {"HV2F76", "SpeakerphoneTeal", "YES"},
    {"HV31EA", "EarbudAmber", "NO"},         {"HV3247", "UsbAdapterTeal", "YES"},
    {"HV324D", "ChargingBaseAmber", "YES"},  {"HV3323", "ChargingBaseSlate", "NO"},
    {"HV3407", "HeadsetStereoPlum", "YES"},  {"HV345A", "SpeakerphoneCoral", "YES"},
    {"HV36EB", "HeadsetStereoPlum", "NO"},   {"HV3A3B", "SpeakerphoneMoss", "YES"},
    {"HV3AD5", "HeadsetMonoTeal", "YES"},    {"HV3D5C", "ChargingBaseSlate", "YES"},
    {"HV3DB8", "EarbudSky", "YES"},          {"HV3EC6", "SpeakerphoneAmber", "YES"},
    {"HV4478", "HeadsetStereoTeal", "NO"},   {"HV4492", "EarbudCoral", "YES"},
    {"HV456E", "ChargingBaseTeal", "YES"},   {"HV4684", "EarbudMoss", "YES"},
    {"HV4B5F", "SpeakerphoneMoss", "YES"},   {"HV4C4C", "NeckbandSky", "NO"},
    {"HV4EE2", "NeckbandAmber", "YES"},      {"HV4F6F", "HeadsetMonoSlate", "YES"},
    {"HV516C", "HeadsetStereoAmber", "YES"}, {"HV522A", "EarbudPlum", "YES"},
    {"HV5372", "UsbAdapterInk", "YES"},      {"HV566D", "UsbAdapterSky", "YES"},
    {"HV5927", "HeadsetStereoSlate", "YES"}, {"HV5A77", "ChargingBaseInk", "YES"},
    {"HV5B37", "EarbudPlum", "YES"},         {"HV5FCE", "SpeakerphoneTeal", "YES"},
    {"HV6123", "HeadsetStereoAmber", "NO"},  {"HV635A", "SpeakerphoneInk", "NO"},
    {"HV637C", "SpeakerphoneSlate", "YES"},  {"HV63D1", "HeadsetStereoInk", "YES"},
    {"HV65EC", "ChargingBaseCoral", "YES"},  {"HV66A2", "HeadsetMonoInk", "YES"},
    {"HV6714", "ChargingBaseTeal", "YES"},   {"HV69D6", "HeadsetMonoMoss", "YES"},
    {"HV6DFA", "HeadsetStereoSlate", "YES"}, {"HV7105", "NeckbandAmber", "YES"},
    {"HV7153", "SpeakerphoneMoss", "YES"},   {"HV71E6", "SpeakerphoneSky", "YES"},
    {"HV744B", "SpeakerphoneSlate", "YES"},  {"HV7555", "SpeakerphoneSlate", "YES"},
    {"HV775E", "UsbAdapterSlate", "YES"},    {"HV77E7", "ChargingBaseTeal", "NO"},
    {"HV78D0", "ChargingBaseSlate", "YES"},  {"HV7946", "ChargingBaseSlate", "YES"},
    {"HV7A0E", "HeadsetStereoPlum", "YES"},  {"HV7B14", "EarbudInk", "YES"},
    {"HV7D18", "ChargingBaseCoral", "NO"},   {"HV7E5A", "SpeakerphonePlum", "YES"},
    {"HV7FF4", "NeckbandAmber", "NO"},       {"HV81F3", "NeckbandPlum", "NO"},
    {"HV8367", "NeckbandSky", "NO"},         {"HV838D", "ChargingBasePlum", "YES"},
    {"HV83F6", "SpeakerphoneTeal", "NO"},    {"HV862F", "UsbAdapterCoral", "YES"},
    {"HV8687", "SpeakerphonePlum", "NO"},    {"HV8B33", "EarbudInk", "YES"},
    {"HV8B65", "HeadsetStereoInk", "NO"},    {"HV8BE0", "HeadsetMonoSlate", "YES"},
    {"HV8C24", "NeckbandMoss", "NO"},        {"HV91D2", "HeadsetMonoMoss", "YES"},
    {"HV96D5", "SpeakerphoneInk", "YES"},    {"HV983C", "HeadsetStereoMoss", "YES"},
    {"HV98BE", "HeadsetStereoInk", "YES"},   {"HV9E77", "ChargingBaseSlate", "YES"},
    {"HVA174", "SpeakerphoneTeal", "YES"},   {"HVA1D9", "ChargingBaseSlate", "YES"},
    {"HVA223", "ChargingBaseTeal", "NO"},    {"HVA3BB", "SpeakerphoneCoral", "YES"},
    {"HVA3FC", "HeadsetMonoSlate", "YES"},   {"HVA408", "NeckbandPlum", "YES"},
    {"HVA518", "NeckbandSlate", "YES"},      {"HVA744", "SpeakerphoneTeal", "YES"},
    {"HVA787", "HeadsetMonoInk", "YES"},     {"HVAA86", "EarbudMoss", "YES"},
    {"HVAABD", "SpeakerphoneSky", "YES"},    {"HVAC9C", "UsbAdapterPlum", "YES"},
    {"HVAFCF", "EarbudPlum", "YES"},         {"HVB0F3", "HeadsetMonoSlate", "YES"},
    {"HVB14F", "HeadsetStereoSky", "YES"},   {"HVB615", "NeckbandTeal", "YES"},
    {"HVB63B", "HeadsetStereoCoral", "YES"}, {"HVB7BA", "EarbudInk", "YES"},
    {"HVBA05", "UsbAdapterPlum", "YES"},     {"HVBA1E", "UsbAdapterSlate", "YES"},
    {"HVBB5F", "HeadsetStereoMoss", "YES"},  {"HVBBFB", "HeadsetStereoSlate", "YES"},
    {"HVBC33", "NeckbandMoss", "YES"},       {"HVBCAD", "UsbAdapterTeal", "YES"},
    {"HVBE92", "NeckbandAmber", "YES"},      {"HVC020", "NeckbandCoral", "YES"},
    {"HVC072", "UsbAdapterMoss", "YES"},     {"HVC099", "EarbudTeal", "NO"},
    {"HVC1F5", "SpeakerphoneSky", "YES"},    {"HVC2F1", "ChargingBaseMoss", "YES"},
    {"HVC64F", "UsbAdapterInk", "YES"},      {"HVC979", "EarbudMoss", "YES"},
    {"HVCC89", "HeadsetMonoInk", "YES"},     {"HVCF2F", "NeckbandSlate", "NO"},
    {"HVD0AD", "HeadsetMonoPlum", "YES"},    {"HVD0E4", "HeadsetStereoSlate", "YES"},
    {"HVD195", "ChargingBasePlum", "NO"},    {"HVD24E", "HeadsetMonoCoral", "YES"},
    {"HVD25C", "SpeakerphoneAmber", "YES"},  {"HVD5BB", "HeadsetStereoTeal", "YES"},
    {"HVD5E1", "SpeakerphonePlum", "YES"},   {"HVD60C", "SpeakerphoneMoss", "YES"},
    {"HVD8BF", "EarbudAmber", "NO"},         {"HVDA36", "ChargingBaseInk", "YES"},
    {"HVDBFE", "HeadsetMonoMoss", "YES"},    {"HVDDC1", "ChargingBaseTeal", "YES"},
    {"HVDE2C", "HeadsetStereoSlate", "YES"}, {"HVE214", "NeckbandCoral", "YES"},
    {"HVE30C", "NeckbandPlum", "YES"},       {"HVE3A3", "ChargingBasePlum", "YES"},
    {"HVE6A2", "EarbudPlum", "NO"},          {"HVE6D1", "NeckbandMoss", "YES"},
    {"HVE6EF", "NeckbandInk", "YES"},        {"HVE7AF", "NeckbandSky", "YES"},
    {"HVE82D", "HeadsetStereoInk", "YES"},   {"HVEC72", "UsbAdapterAmber", "YES"},
    {"HVECB2", "SpeakerphoneMoss", "YES"},   {"HVEE8C", "EarbudSlate", "YES"},
    {"HVEF53", "SpeakerphoneSky", "YES"},    {"HVF31D", "HeadsetMonoPlum", "NO"},
    {"HVF457", "HeadsetStereoAmber", "NO"},  {"HVF657", "SpeakerphoneInk", "YES"},
    {"HVF78B", "NeckbandInk", "YES"},        {"HVF806", "HeadsetStereoInk", "NO"},
    {"HVFA63", "SpeakerphoneCoral", "YES"},  {"HVFAA7", "EarbudInk", "YES"},
    {"HVFBD7", "NeckbandMoss", "YES"},       {"HVFC4E", "UsbAdapterAmber", "YES"},
    {"HVFC7E", "HeadsetMonoSky", "YES"},     {"HVFCC1", "NeckbandInk", "YES"},
    {"HVFE50", "NeckbandTeal", "YES"},       {"HVFEA5", "UsbAdapterTeal", "YES"},
}};

constexpr auto kFirstFamilyPicture = "OrbitHeadset";
constexpr auto kSecondFamilyPicture = "ArcHeadset";
constexpr auto kBadUsbSuffix = "_BadUsb";

constexpr bool tableIsSorted() {
    for (std::size_t i = 1; i < kImageTable.size(); ++i) {
        if (std::string_view(kImageTable[i - 1].key) >= std::string_view(kImageTable[i].key)) {
            return false;
        }
    }
    return true;
}
static_assert(tableIsSorted(), "the image table is searched by binary search");

const ImageUtility::ImageEntry* findEntry(const QString& key) {
    if (key.isNull()) {
        return nullptr;
    }
    // Keys are ASCII; any other character cannot match.
    for (QChar c : key) {
        if (c.unicode() > 0x7f) {
            return nullptr;
        }
    }
    const QByteArray latin = key.toLatin1();
    const std::string_view wanted(latin.constData(), static_cast<std::size_t>(latin.size()));
    const auto it = std::lower_bound(kImageTable.begin(), kImageTable.end(), wanted,
                                     [](const ImageUtility::ImageEntry& e, std::string_view k) {
                                         return std::string_view(e.key) < k;
                                     });
    if (it == kImageTable.end() || std::string_view(it->key) != wanted) {
        return nullptr;
    }
    return &*it;
}

QString pictureOf(const char* key) {
    return QString::fromLatin1(findEntry(QString::fromLatin1(key))->picture);
}

QString styleSuffix(int style) {
    switch (style) {
    case ImageUtility::kConvertibleStyle:
        return QStringLiteral("_Convert");
    case ImageUtility::kDuoStyle:
        return QStringLiteral("_Duo");
    default:
        return QStringLiteral("_Mono");
    }
}

QString contextFallback(int context) {
    if (context == ImageUtility::kFirmwareUpdateContext) {
        return pictureOf(kFirmwareUpdateFallbackKey);
    }
    if (context == ImageUtility::kGeneralContext) {
        return pictureOf(kGeneralFallbackKey);
    }
    return {};
}

} // namespace

std::span<const ImageUtility::ImageEntry> ImageUtility::imageTable() {
    return kImageTable;
}

QString ImageUtility::getDeviceImageNameForProdId(const QString& prodId, int forUser) {
    const ImageEntry* entry = findEntry(prodId);
    if (forUser == kFirmwareUpdateContext) {
        return entry ? QString::fromLatin1(entry->picture) : pictureOf(kFirmwareUpdateFallbackKey);
    }
    if (forUser == kGeneralContext) {
        if (entry && std::strcmp(entry->generalContext, kNo) != 0) {
            return QString::fromLatin1(entry->picture);
        }
        return pictureOf(kGeneralFallbackKey);
    }
    return {};
}

QString ImageUtility::getDeviceImageNameForProdId(const QString& prodId, int withHeadSet,
                                                  int forUser) {
    if (withHeadSet == kNoHeadsetStyle || prodId.isNull() || forUser == kNoContext) {
        return {};
    }
    if (firstVariantFamily().contains(prodId)) {
        QString name = QLatin1String(kFirstFamilyPicture) + styleSuffix(withHeadSet);
        if (prodId == badUsbProductId()) {
            name += QLatin1String(kBadUsbSuffix);
        }
        return name;
    }
    if (secondVariantFamily().contains(prodId)) {
        return QLatin1String(kSecondFamilyPicture) + styleSuffix(withHeadSet);
    }
    return contextFallback(forUser);
}

const QStringList& ImageUtility::firstVariantFamily() {
    static const QStringList ids{QStringLiteral("HV0A10"), QStringLiteral("HV0A11"),
                                 QStringLiteral("HV0A12"), QStringLiteral("HV0A13")};
    return ids;
}

const QStringList& ImageUtility::secondVariantFamily() {
    static const QStringList ids{QStringLiteral("HV0B20"), QStringLiteral("HV0B21"),
                                 QStringLiteral("HV0B22")};
    return ids;
}

QString ImageUtility::badUsbProductId() {
    return QStringLiteral("HV0A13");
}

const QStringList& ImageUtility::variantProductIds() {
    static const QStringList ids = firstVariantFamily() + secondVariantFamily() +
                                   QStringList{QStringLiteral("HV0C30"), QStringLiteral("HV0C31")};
    return ids;
}

QStringList ImageUtility::allPictureNames() {
    QSet<QString> names;
    for (const ImageEntry& entry : kImageTable) {
        names.insert(QString::fromLatin1(entry.picture));
    }
    for (int style : {kConvertibleStyle, kDuoStyle, 0}) {
        const QString suffix = styleSuffix(style);
        names.insert(QLatin1String(kFirstFamilyPicture) + suffix);
        names.insert(QLatin1String(kFirstFamilyPicture) + suffix + QLatin1String(kBadUsbSuffix));
        names.insert(QLatin1String(kSecondFamilyPicture) + suffix);
    }
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted;
}
