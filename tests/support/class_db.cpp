#include "support/class_db.h"

namespace veltrana::test {

std::string writeClassDb(const std::filesystem::path& dir,
                         const std::vector<mkdb::TableData>& tables) {
    std::string path = (dir / "DataBases.mdb").string();
    mkdb::writeDatabase(path, tables);
    return path;
}

}  // namespace veltrana::test
