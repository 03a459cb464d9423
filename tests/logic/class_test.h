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
    // A connection open before sees the new tables only once connected again; it is closed
    // here, as Windows replaces no file that a program holds open.
    void useClass(const std::vector<TableData>& tables) {
        if (form.dbConn && form.dbConn->isOpen()) {
            form.dbConn->Close();
        }
        writeClassDb(dir.path(), tables);
    }
    // A path in the test's folder as the platform writes it; relative is written with "/".
    std::string at(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '/', kSeparator);
        return dir.path() + kSeparator + relative;
    }
    std::string data() const { return at("Data"); }
    std::string under(const std::string& relative) const { return at("Data/" + relative); }

    TempDir dir;
    MdbDataAccess accessFiles;
    FakeWindow window{dir.path(), accessFiles};
    Form& form = window.form;
};

}  // namespace veltrana::test
