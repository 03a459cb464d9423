#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

// How Access shows the values of its non-text column types, for a Chinese Windows. Kept apart
// from the file reader so that the rules can be checked without a file holding every type.

namespace veltrana::mdb {

inline std::string trimmedDecimal(std::string text) {
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

// Currency is a count of ten-thousandths; Access shows it without trailing zeros.
inline std::string currencyText(std::int64_t value) {
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%s%llu.%04llu", value < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return trimmedDecimal(digits);
}

inline std::string floatText(double value, int precision) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*G", precision, value);
    return text;
}

// A date is days since 1899-12-30; the fraction is the time of day, counted from midnight even
// before 1899. Shown as a Chinese Windows shows it: "2024/3/5 9:05:07", the date alone at
// midnight, the time alone on day 0.
inline std::string dateText(double value) {
    constexpr double kFirstDay = -657434;  // 100-01-01
    constexpr double kLastDay = 2958466;   // 10000-01-01
    if (!(value >= kFirstDay && value < kLastDay)) {
        return floatText(value, 15);
    }
    double wholeDays = std::trunc(value);
    auto seconds = static_cast<long>(std::llround(std::fabs(value - wholeDays) * 86400.0));
    auto days = static_cast<int>(wholeDays);
    if (seconds == 86400) {
        seconds = 0;
        days += 1;  // the time counts forward from midnight on both sides of day 0
    }
    using namespace std::chrono;
    year_month_day date{sys_days{1899y / December / 30} + std::chrono::days{days}};
    char text[64];
    int length = 0;
    if (days != 0 || seconds == 0) {
        length =
            std::snprintf(text, sizeof text, "%d/%u/%u", static_cast<int>(date.year()),
                          static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    }
    if (seconds != 0) {
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                      "%s%ld:%02ld:%02ld", length > 0 ? " " : "", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    }
    return text;
}

}  // namespace veltrana::mdb
