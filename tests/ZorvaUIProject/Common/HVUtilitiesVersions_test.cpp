#include "ZorvaUIProject/Common/HVUtilities.h"

#include <gtest/gtest.h>

TEST(HVUtilitiesVersions, ComparesDottedVersionsPartByPartAsNumbers) {
    // clang-format off
    const struct { QString a, b; int result; } rows[] = {
        {"1.2.10", "1.2.9", 1}, {"1.2.9", "1.2.10", -1}, {"2.0", "2.0.0", -1}, {"2.0.0", "2.0", 1},
        {"2.0.0", "2.0.0", 0}, {"10", "9", 1},
        // Parts are read like numbers at the front of a text.
        {"1.x", "1.0", 0}, {"1.2beta", "1.2", 0},
        // A missing part counts as -1, so a part of -1 equals it and -2 ranks below it.
        {" 3.-1", "3", 0}, {"1.-2", "1", -1}, {"99999999999999999999", "9223372036854775807", 0},
        // No version has no parts; an empty one has one part worth 0.
        {QString(), QString(), 0}, {QString(), "", -1}, {"", "0", 0}, {"0", QString(), 1},
    };
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(HVUtilities::compareVersion(row.a, row.b), row.result)
            << row.a.toStdString() << " / " << row.b.toStdString();
    }
}

// Names and identifiers of records: an absent string equals nothing, an empty one
// only an empty one (QString's == takes them for equal).
TEST(HVUtilitiesVersions, AbsentStringsMatchNothing) {
    const QString absent, empty = QStringLiteral("");
    EXPECT_FALSE(HVUtilities::sameString(absent, absent));
    EXPECT_FALSE(HVUtilities::sameString(absent, empty));
    EXPECT_FALSE(HVUtilities::sameString(empty, absent));
    EXPECT_TRUE(HVUtilities::sameString(empty, empty));
    EXPECT_FALSE(HVUtilities::sameString("HV0420", "hv0420"));
}

TEST(HVUtilitiesVersions, ProductNumbersAndHeadsetCodes) {
    // Lower-case letters are skipped before the number, read within it; numbers too
    // large for 32 bits read as -1.
    // clang-format off
    const std::pair<QString, QString> products[] = {
        {"HV2454", "9300"}, {"HV0342", "834"}, {"HV0350", "848"}, {"hv2454", "9300"}, {"HV0abc", "2748"},
        {"x0x1F", "31"}, {"HV0xZ", "0"}, {"hv-xyz", "0"}, {QString(), "0"}, {"FFFFFFFF", "-1"},
        {"HV123456789ABCDEF0", "-1"}, {"7FFFFFFF", "2147483647"}};
    const std::pair<QString, QString> headsets[] = {
        {"013D", "HV2465"}, {"0110", "HV093B"}, {"0803", "HV2475"}, {"013d", QString()}, {"0111", QString()},
        {QString(), QString()}};
    // clang-format on
    for (const auto& [id, number] : products) {
        EXPECT_EQ(HVUtilities::getProductID(id), number) << id.toStdString();
    }
    for (const auto& [code, id] : headsets) {
        const QString found = HVUtilities::getHSProductID(code);
        EXPECT_EQ(found, id) << code.toStdString();
        EXPECT_EQ(found.isNull(), id.isNull()) << code.toStdString();
    }
    for (int n = 830; n <= 852; ++n) {
        const bool expected = (n >= 834 && n <= 847) || n == 849;
        EXPECT_EQ(HVUtilities::isCatalinaPlusDevice(QString::number(n)), expected) << n;
    }
    EXPECT_TRUE(HVUtilities::isCatalinaPlusDevice(QStringLiteral(" 849abc")));
    EXPECT_FALSE(HVUtilities::isCatalinaPlusDevice(QString()));
    // A value beyond 32 bits saturates rather than wrapping into the set.
    EXPECT_FALSE(HVUtilities::isCatalinaPlusDevice(QStringLiteral("4294968130"))); // 2^32 + 834
}
