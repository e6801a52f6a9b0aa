#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaUIProject/HVComponentUpdateList.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"
#include "support/UpdateWindowFixtures.h"

#include <gtest/gtest.h>

using platform::archivedDataWithRootObject;
using platform::unarchiveObjectWithData;
using L = HVComponentUpdateList;

namespace {

HVComponentList sampleList() {
    const HVComponentEntry device = L::makeEntry(
        {{"componentNameKey", "Zorva Quillo"},
         {"currentVersionKey", "1.1"},
         {"AvailableVersionKey", "1.2"},
         {"LocIdKey", quint64(1) << 63},
         {"ProdIdKey", "HV0123"},
         {"languageInfo", testsupport::languageList({{"English", "409"}, {"French", "40C"}})},
         {"buildVectorInfo", testsupport::buildWithRegions({{"Europe", "7"}, {"Asia", "07"}})},
         {"selectedRegionKey", 7}});
    const HVComponentEntry suite = L::makeEntry({{"componentNameKey", "Zorva Suite for Mac"},
                                                 {"LocIdKey", ~quint64(0)},
                                                 {"UpdateStatusKey", 1},
                                                 {"UpdateForHeadset", "TRUE"}});
    const HVComponentEntry recovery = L::makeEntry({{"componentNameKey", "Base"},
                                                    {"currentVersionKey", "Recovery"},
                                                    {"LocIdKey", qint64(-2)},
                                                    {"UpdateStatusKey", "5"}});
    return {device, suite, recovery};
}

} // namespace

TEST(HVComponentUpdateList, EachKeyIsReadByItsRule) {
    const HVComponentList list = sampleList();
    const HVComponentEntry& device = list[0];
    EXPECT_EQ(L::updateStatus(device), 0); // missing means update available
    EXPECT_EQ(L::updateStatus(list[1]), 1);
    EXPECT_EQ(L::updateStatus(list[2]), 5);
    EXPECT_EQ(L::locationId(device), quint64(1) << 63);
    EXPECT_EQ(L::locationId(list[1]), ~quint64(0));
    EXPECT_EQ(L::locationId(list[2]), ~quint64(0) - 1); // the same 64 bits
    EXPECT_FALSE(L::isSuiteEntry(device));
    EXPECT_TRUE(L::isSuiteEntry(list[1]));
    EXPECT_TRUE(L::isRecoveryEntry(list[2]));
    EXPECT_FALSE(L::isRecoveryEntry(device));
    EXPECT_TRUE(L::isHeadsetEntry(list[1]));

    // The region choice goes through integer conversion to decimal text.
    // clang-format off
    const std::pair<QVariant, QString> regions[] = {{7, "7"}, {"7", "7"}, {"07", "7"}, {QVariant(), "0"},
        {" -3x", "-3"}, {"abc", "0"}, {7.9, "7"}, {"99999999999", "2147483647"}};
    // clang-format on
    for (const auto& [stored, text] : regions) {
        EXPECT_EQ(L::selectedRegionText(L::makeEntry({{"selectedRegionKey", stored}})), text)
            << stored.toString().toStdString();
    }
    // A null entry reads as an empty one.
    EXPECT_EQ(L::updateStatus(nullptr), 0);
    EXPECT_TRUE(L::componentName(nullptr).isNull());
    EXPECT_EQ(L::selectedRegionText(nullptr), "0");
}

TEST(HVComponentUpdateList, EntriesAreSharedWithTheCallerAndOnlyListsAreLists) {
    const HVComponentList list = sampleList();
    const HVComponentList windowCopy = list; // what a window would keep
    L::setSelectedLanguage(windowCopy[0], "40C");
    L::setSelectedRegion(windowCopy[0], "07");
    EXPECT_EQ(L::selectedLanguage(list[0]), QVariant("40C"));
    EXPECT_EQ(L::selectedRegion(list[0]), QVariant("07"));

    // toObject keeps the entries themselves; fromObject of it gives them back.
    // Objects that are no list are nothing; stray items in a list are left out, traced.
    const auto back = L::fromObject(L::toObject(list));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 3);
    EXPECT_EQ(back->at(0), list[0]);
    EXPECT_FALSE(L::toObject(std::nullopt).isValid());
    testsupport::TraceCapture trace;
    EXPECT_FALSE(L::fromObject(QVariant("text")).has_value());
    const auto strays = L::fromObject(QVariantList{QVariantMap{{"a", 1}}, "stray", QVariant()});
    ASSERT_TRUE(strays.has_value());
    EXPECT_EQ(strays->size(), 1);
    EXPECT_EQ(trace.records().size(), 3);
    EXPECT_TRUE(trace.text().contains("Component update list is not a list"));

    // In trace lines an entry prints as the dictionary it holds.
    EXPECT_EQ(platform::describe(
                  QVariant::fromValue(L::makeEntry({{"ProdIdKey", "HV1001"}, {"LocIdKey", 5}}))),
              "{\n    LocIdKey = 5;\n    ProdIdKey = HV1001;\n}");
    EXPECT_EQ(platform::describe(QVariant::fromValue(HVComponentEntry())), "(null)");
}

TEST(HVComponentUpdateList, ListRoundTripsThroughAnArchive) {
    const HVComponentList list = sampleList();
    const QByteArray bytes = archivedDataWithRootObject(L::toObject(list));
    ASSERT_FALSE(bytes.isEmpty());
    const auto back = L::fromObject(unarchiveObjectWithData(bytes));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 3);
    EXPECT_NE(back->at(0), list[0]);
    EXPECT_EQ(L::selectedRegionText(back->at(0)), "7");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(L::locationId(back->at(i)), L::locationId(list[i])) << i;
        QVariantMap sent = *list[i];
        QVariantMap read = *back->at(i);
        sent.remove("LocIdKey");
        read.remove("LocIdKey");
        EXPECT_EQ(platform::describe(read), platform::describe(sent)) << i;
    }
    // An empty list is a list; an absent one is nothing.
    const auto empty =
        L::fromObject(unarchiveObjectWithData(archivedDataWithRootObject(QVariantList{})));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_FALSE(L::fromObject(unarchiveObjectWithData(QByteArray())).has_value());
}
