#include "FWUCommon/FWUXMLToDataModel/HVXmlModelData.h"
#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"

#include <gtest/gtest.h>

using platform::archivedDataWithRootObject;
using platform::unarchiveObjectWithData;

namespace {
// A record's description names every field, so equal descriptions before and
// after archiving show that every field came back. Returns the record read back.
template <class T>
std::shared_ptr<T> expectRoundTrip(const std::shared_ptr<T>& record) {
    const auto back =
        unarchiveObjectWithData(archivedDataWithRootObject(QVariant::fromValue(record)))
            .template value<std::shared_ptr<T>>();
    EXPECT_EQ(platform::describe(QVariant::fromValue(back)),
              platform::describe(QVariant::fromValue(record)));
    return back;
}
} // namespace

TEST(HVXmlModelData, EveryRecordRoundTripsWithItsFieldNames) {
    auto data = std::make_shared<HVXmlDataVectorInfo>();
    data->setXmlDataType(-3);
    data->setFirmwareVersion("1.0");
    data->setExtendedVersionInfo("ext");
    data->setMinFirmwareUpdateVersion("0.9");
    data->setBootloaderUpdateThresholdVersion("0.5");
    data->setMinFirmwareForAnnouncement("0.8");
    data->setUsbPidList(QVariantList{"0x1", "0x2"});
    data->setXmlParsedData(QVariantMap{{"tree", QVariantList{1, 2}}});
    data->setBootLoaderPID(qint64(0x1234));
    expectRoundTrip(data);
    auto dict = std::make_shared<HVXmlDictionaryInfo>();
    dict->setFirmwareInfoDict(QVariantMap{{"a", "b"}});
    expectRoundTrip(dict);
    auto region = std::make_shared<HVXmlBuildVectorRegionInfo>();
    region->setAvailableRegionVersion("4");
    expectRoundTrip(region);

    auto tunes = std::make_shared<HVXmlBuildVectorTunesInfo>();
    tunes->setRegionType("type");
    tunes->setRegionTarget("target");
    tunes->setRegionName("Tunes EU");
    tunes->setRegionId("3");
    tunes->setRegionfileName("tunes.bin");
    tunes->setAvailableTunesVersion("2.0");
    tunes->setSupportedTunesLanguages(QVariantList{"English"});
    auto build = HVXmlBuildVectorInfo::init();
    build->setCurrentBaseProcessorFwVersion("1.0");
    build->setAvailbleBaseProcessorFwVersion("1.1");
    build->setSubversionInfo(QVariantMap{{"dsp", "3"}});
    build->setAvailableTunesInfo(QVariantList{QVariant::fromValue(tunes)});
    build->setAvailableHSTunesInfo(QVariantList{QVariant::fromValue(tunes)});
    // The tunes record held at two places is still one record.
    const auto buildBack = expectRoundTrip(build);
    ASSERT_NE(buildBack, nullptr);
    const auto tunesBack =
        buildBack->availableTunesInfo().toList().value(0).value<HVXmlBuildVectorTunesInfoPtr>();
    ASSERT_NE(tunesBack, nullptr);
    EXPECT_EQ(
        tunesBack,
        buildBack->availableHSTunesInfo().toList().value(0).value<HVXmlBuildVectorTunesInfoPtr>());
    const auto fields = HVXmlRegionFieldsOf(QVariant::fromValue(tunesBack));
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(std::tie(fields->regionName, fields->regionId, fields->regionfileName),
              std::make_tuple(QString("Tunes EU"), QString("3"), QString("tunes.bin")));
    // Records without region fields, and nothing, have none.
    EXPECT_FALSE(HVXmlRegionFieldsOf(QVariant::fromValue(buildBack)).has_value());
    EXPECT_FALSE(HVXmlRegionFieldsOf(QVariant()).has_value());
}
