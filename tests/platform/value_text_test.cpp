#include "platform/mdb/value_text.h"

#include <gtest/gtest.h>

namespace veltrana::mdb {
namespace {

// As Chinese Windows shows them: before 1900 the time counts forward from midnight, seconds
// round across midnight, and what no date can hold shows as the number.
TEST(DateText, ShowsDateTimeAsChineseWindowsDoes) {
    EXPECT_EQ(dateText(45356.0), "2024/3/5");
    EXPECT_EQ(dateText(45356.0 + (9 * 3600 + 5 * 60 + 7) / 86400.0), "2024/3/5 9:05:07");
    EXPECT_EQ(dateText(0.75), "18:00:00");
    EXPECT_EQ(dateText(1.0), "1899/12/31");
    EXPECT_EQ(dateText(60.0), "1900/2/28");  // no 29 February 1900, unlike some spreadsheets
    EXPECT_EQ(dateText(61.0), "1900/3/1");
    EXPECT_EQ(dateText(-1.25), "1899/12/29 6:00:00");
    EXPECT_EQ(dateText(-1.0 - 0.4999999999), "1899/12/29 12:00:00");
    EXPECT_EQ(dateText(45356.0 + 86399.6 / 86400.0), "2024/3/6");
    EXPECT_EQ(dateText(-2.0 - 86399.6 / 86400.0), "1899/12/29");
    EXPECT_EQ(dateText(1e300), "1E+300");
    EXPECT_EQ(dateText(-700000.0), "-700000");
    EXPECT_EQ(dateText(std::nan("")), "NAN");
}

TEST(CurrencyText, TrimsTrailingZeros) {
    EXPECT_EQ(currencyText(125000), "12.5");
    EXPECT_EQ(currencyText(120000), "12");
    EXPECT_EQ(currencyText(-5), "-0.0005");
    EXPECT_EQ(currencyText(0), "0");
    EXPECT_EQ(currencyText(INT64_MIN), "-922337203685477.5808");
}

TEST(FloatText, SignificantDigitsOfSingleAndDouble) {
    EXPECT_EQ(floatText(static_cast<float>(0.1), 7), "0.1");
    EXPECT_EQ(floatText(3.14159265358979, 15), "3.14159265358979");
    EXPECT_EQ(floatText(1e20, 15), "1E+20");
}

}  // namespace
}  // namespace veltrana::mdb
