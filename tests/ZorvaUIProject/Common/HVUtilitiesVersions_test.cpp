#include "ZorvaUIProject/Common/HVUtilities.h"

#include <gtest/gtest.h>

namespace {

int compare(const char* a, const char* b) {
    return HVUtilities::compareVersion(QString::fromLatin1(a), QString::fromLatin1(b));
}

} // namespace

TEST(HVUtilitiesVersions, ComparesDottedVersionsPartByPartAsNumbers) {
    EXPECT_EQ(compare("1.2.10", "1.2.9"), 1);
    EXPECT_EQ(compare("1.2.9", "1.2.10"), -1);
    EXPECT_EQ(compare("2.0", "2.0.0"), -1);
    EXPECT_EQ(compare("2.0.0", "2.0"), 1);
    EXPECT_EQ(compare("2.0.0", "2.0.0"), 0);
    EXPECT_EQ(compare("10", "9"), 1);
    // Parts are read like numbers at the front of a text.
    EXPECT_EQ(compare("1.x", "1.0"), 0);
    EXPECT_EQ(compare("1.2beta", "1.2"), 0);
    // A missing part counts as -1, so a part of -1 equals it and -2 ranks below it.
    EXPECT_EQ(compare(" 3.-1", "3"), 0);
    EXPECT_EQ(compare("1.-2", "1"), -1);
    EXPECT_EQ(compare("99999999999999999999", "9223372036854775807"), 0); // saturates
}

TEST(HVUtilitiesVersions, MissingAndEmptyVersions) {
    // No version has no parts; an empty one has one part worth 0.
    EXPECT_EQ(HVUtilities::compareVersion(QString(), QString()), 0);
    EXPECT_EQ(HVUtilities::compareVersion(QString(), QStringLiteral("")), -1);
    EXPECT_EQ(HVUtilities::compareVersion(QStringLiteral(""), QStringLiteral("0")), 0);
    EXPECT_EQ(HVUtilities::compareVersion(QStringLiteral("0"), QString()), 1);
}

TEST(HVUtilitiesVersions, ProductNumbersFromIdentifiers) {
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("HV2454")), QStringLiteral("9300"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("HV0342")), QStringLiteral("834"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("HV0350")), QStringLiteral("848"));
    // Lower-case letters are skipped before the number, read within it.
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("hv2454")), QStringLiteral("9300"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("HV0abc")), QStringLiteral("2748"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("x0x1F")), QStringLiteral("31"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("HV0xZ")), QStringLiteral("0"));
    // Nothing to read, and numbers too large for 32 bits.
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("hv-xyz")), QStringLiteral("0"));
    EXPECT_EQ(HVUtilities::getProductID(QString()), QStringLiteral("0"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("FFFFFFFF")), QStringLiteral("-1"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("HV123456789ABCDEF0")),
              QStringLiteral("-1"));
    EXPECT_EQ(HVUtilities::getProductID(QStringLiteral("7FFFFFFF")), QStringLiteral("2147483647"));
}

TEST(HVUtilitiesVersions, HeadsetCodesAndNewerProducts) {
    EXPECT_EQ(HVUtilities::getHSProductID(QStringLiteral("013D")), QStringLiteral("HV2465"));
    EXPECT_EQ(HVUtilities::getHSProductID(QStringLiteral("0110")), QStringLiteral("HV093B"));
    EXPECT_EQ(HVUtilities::getHSProductID(QStringLiteral("0803")), QStringLiteral("HV2475"));
    EXPECT_TRUE(HVUtilities::getHSProductID(QStringLiteral("013d")).isNull());
    EXPECT_TRUE(HVUtilities::getHSProductID(QStringLiteral("0111")).isNull());
    EXPECT_TRUE(HVUtilities::getHSProductID(QString()).isNull());

    for (int n = 830; n <= 852; ++n) {
        const bool expected = (n >= 834 && n <= 847) || n == 849;
        EXPECT_EQ(HVUtilities::isCatalinaPlusDevice(QString::number(n)), expected) << n;
    }
    EXPECT_TRUE(
        HVUtilities::isCatalinaPlusDevice(HVUtilities::getProductID(QStringLiteral("HV0342"))));
    EXPECT_FALSE(
        HVUtilities::isCatalinaPlusDevice(HVUtilities::getProductID(QStringLiteral("HV0350"))));
    EXPECT_TRUE(HVUtilities::isCatalinaPlusDevice(QStringLiteral(" 849abc")));
    EXPECT_FALSE(HVUtilities::isCatalinaPlusDevice(QString()));
    // A value beyond 32 bits saturates rather than wrapping into the set.
    EXPECT_FALSE(HVUtilities::isCatalinaPlusDevice(QStringLiteral("4294968130"))); // 2^32 + 834
}
