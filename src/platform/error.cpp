#include "platform/error.h"

#include <limits>

namespace veltrana {

Error::Error(std::int32_t number, const std::string& description)
    : std::runtime_error(std::to_string(number) + " " + description),
      number_(number),
      description_(description) {}

std::string errorText(const Error& error) {
    return "错误：" + std::to_string(error.number()) + error.description();
}

std::int16_t toInt16(std::int64_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw Error(err::kOverflow, "溢出：" + std::to_string(value) + " 超出 16 位整数的范围");
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace veltrana
