// Number texts are the same under any process locale.

#include <gtest/gtest.h>

#include <cstdio>

#include "CommaLocale.h"
#include "platform/Numbers.h"

TEST(Numbers, PrintAndParseWithAPointUnderACommaLocale) {
    CommaLocale comma;
    char check[16];
    std::snprintf(check, sizeof check, "%.1f", 1.5);
    EXPECT_STREQ(check, "1,5");  // the host's printf does switch
    EXPECT_EQ(platform::FormatCString("%.2f|%g", 1.17, 2.5), "1.17|2.5");
    double v = 0;
    EXPECT_EQ(platform::ParseDouble("1.17 OS", v), 4u);
    EXPECT_DOUBLE_EQ(v, 1.17);
    EXPECT_TRUE(platform::ParseWholeDouble(" +2e3", v));
    EXPECT_DOUBLE_EQ(v, 2000.0);
}

TEST(Numbers, TextsThatAreNotNumbersLeaveTheValue) {
    double v = 7;
    EXPECT_EQ(platform::ParseDouble("", v), 0u);
    EXPECT_EQ(platform::ParseDouble("abc", v), 0u);
    EXPECT_FALSE(platform::ParseWholeDouble("1,5", v));
    EXPECT_FALSE(platform::ParseWholeDouble("1.5x", v));
    EXPECT_EQ(v, 7);
}
