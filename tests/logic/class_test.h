#pragma once

#include <algorithm>

#include "gmock/gmock.h"
#include "platform/mdb/mdb_connection.h"
#include "support/access_files.h"
#include "support/class_db.h"
#include "support/fakes.h"

namespace veltrana::test {

// A program folder in a temporary directory with the window's fakes over it; the class
// database is a real Access file beside the program.
class ClassTest : public ::testing::Test {
protected:
    // A connection open before sees the new tables only once connected again.
    void useClass(const std::vector<TableData>& tables) { writeClassDb(dir.path(), tables); }
    std::string data() const { return dir.path() + kSeparator + "Data"; }
    // relative is written with "/", which becomes the platform's separator as in the handlers'
    // paths.
    std::string under(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '/', kSeparator);
        return data() + kSeparator + relative;
    }

    TempDir dir;
    MdbDataAccess accessFiles;
    FakeWindow window{dir.path(), accessFiles};
    Form& form = window.form;
};

}  // namespace veltrana::test
