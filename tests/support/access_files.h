#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "db/connection.h"
#include "platform/data_access.h"
#include "platform/error.h"

// What the writer's and the reader's tests share: running mdbtools, reading a file through
// either side, and the failures they expect.

namespace veltrana::test {

struct ProcessResult {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs a program with its arguments, no shell in between, and collects what it prints.
ProcessResult runProgram(const std::vector<std::string>& args);

// Sets an environment variable of this process; an empty value removes it.
void setEnvironment(const char* name, const std::string& value);

// mdbtools' own programs (mdb-export, mdb-tables ...), which cross-check the writer, come with
// Debian's mdbtools package, for Linux only.
#ifdef _WIN32
inline constexpr bool kMdbtoolsPrograms = false;
#else
inline constexpr bool kMdbtoolsPrograms = true;
#endif
#define SKIP_REST_WITHOUT_MDBTOOLS_PROGRAMS() \
    if (!::veltrana::test::kMdbtoolsPrograms) \
    GTEST_SKIP() << "mdbtools' programs (mdb-export ...) run on Linux only; what came before ran"

// The table as mdbtools' own mdb-export gives it: column names and rows, Null where mdb-export
// prints its Null mark.
Table readWithMdbExport(const std::string& file, const std::string& table);

// The table as the program reads it, through the project's data access layer.
Table readWithOurLayer(const std::string& file, const std::string& table);

std::string repeat(const std::string& piece, std::size_t times);

// Runs body and returns the Error it throws; fails the test when it throws nothing.
template <typename Body>
Error errorOf(Body body) {
    try {
        body();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no Error thrown";
    return Error(0, "");
}

// Whether body fails with number and a description that names each of names.
template <typename Body>
::testing::AssertionResult failsWith(Body body, std::int32_t number,
                                     const std::vector<std::string>& names = {}) {
    Error error = errorOf(body);
    bool named = std::all_of(names.begin(), names.end(), [&](const std::string& name) {
        return error.description().find(name) != std::string::npos;
    });
    if (error.number() == number && named) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "wanted " << number << " naming " << ::testing::PrintToString(names) << ", got "
           << errorText(error);
}

}  // namespace veltrana::test
