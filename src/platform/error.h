#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace veltrana {

// The one failure type of the program. Numbers follow the classic data access layer and the
// classic run time where they have one (3265 field not found, 76 path not found, ...), so a
// teacher who searches for a number finds what it means.
class Error : public std::runtime_error {
public:
    Error(std::int32_t number, const std::string& description);

    std::int32_t number() const { return number_; }
    const std::string& description() const { return description_; }

private:
    std::int32_t number_;
    std::string description_;
};

// "错误：" + number in signed decimal + description, with nothing between them.
std::string errorText(const Error& error);

// Numbers used in more than one place.
namespace err {
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kFileAlreadyExists = 58;
inline constexpr std::int32_t kDiskFull = 61;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccess = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kInvalidPicture = 481;
inline constexpr std::int32_t kElementNotFound = 35601;
inline constexpr std::int32_t kKeyNotUnique = 35602;
inline constexpr std::int32_t kFieldNotFound = 3265;
inline constexpr std::int32_t kNoCurrentRecord = 3021;
inline constexpr std::int32_t kObjectClosed = 3704;
inline constexpr std::int32_t kObjectOpen = 3705;
inline constexpr std::int32_t kConnectionNotUsable = 3709;
inline constexpr std::int32_t kDriverFailure = -2147467259;     // 0x80004005
inline constexpr std::int32_t kSyntaxError = -2147217900;       // 0x80040E14
inline constexpr std::int32_t kTableNotFound = -2147217865;     // 0x80040E37
inline constexpr std::int32_t kNotValidPassword = -2147217843;  // 0x80040E4D
}  // namespace err

// Counters and text positions of the program are 16-bit signed; a value outside that range is
// an overflow, as it was for the classic run time.
std::int16_t toInt16(std::int64_t value);

}  // namespace veltrana
