#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

// mdbtools.h wraps glib in extern "C"; glib's C++ parts then need <type_traits> already seen.
// clang-format off
#include <type_traits>
#include <mdbtools.h>
// clang-format on

#include "bench/bench_support.h"
#include "db/connection.h"
#include "mkdb/mdb_writer.h"
#include "platform/mdb/mdb_connection.h"
#include "support/fakes.h"
#include "tests/support/class_db.h"

extern char** environ;

namespace veltrana::bench {

namespace {

constexpr int kStudents = 60;
constexpr int kPointsPerSubject = 1500;
constexpr int kRuns = 5;

std::vector<std::string> studentNames() {
    const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴"};
    const char* given[] = {"子涵", "俊杰", "雨桐", "浩宁", "欣怡", "梓萱"};
    std::vector<std::string> names;
    for (int i = 0; i < kStudents; ++i) {
        names.push_back(std::string(surnames[i % 10]) + given[i / 10]);
    }
    return names;
}

// mdb-export as its own process, its output thrown away, as a teacher would run it.
void mdbExport(const std::string& file, const std::string& table) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args{"mdb-export", file, table};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, "mdb-export", &actions, nullptr, argv.data(), environ) == 0) {
        waitpid(child, nullptr, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

// What the program does with each table: open it, take the count, read every field of every
// row by name and move on.
std::size_t readAll(const std::string& file, const std::vector<mkdb::TableData>& tables) {
    auto connection = MdbDataAccess().newConnection();
    connection->Open(connectionStringFor(file));
    std::size_t characters = 0;
    for (const mkdb::TableData& table : tables) {
        Recordset records;
        records.Open("Select * from " + table.name, *connection, 1, 3, -1);
        for (std::int32_t i = 0, count = records.RecordCount(); i < count; ++i) {
            for (const mkdb::Column& column : table.columns) {
                characters += text(records.Fields(column.name)).size();
            }
            records.MoveNext();
        }
        records.Close();
    }
    return characters;
}

// The same tables read in this process by a plain libmdb loop, as its own export does it: every
// column bound, every row fetched, text as UTF-8.
std::size_t readWithLibmdb(const std::string& file, const std::vector<mkdb::TableData>& tables) {
    MdbHandle* mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
    if (mdb == nullptr || mdb_read_catalog(mdb, MDB_TABLE) == nullptr) {
        std::fprintf(stderr, "read_vs_libmdb_rows: libmdb cannot open %s\n", file.c_str());
        return 0;
    }
    std::size_t characters = 0;
    for (const mkdb::TableData& table : tables) {
        MdbTableDef* definition =
            mdb_read_table_by_name(mdb, const_cast<char*>(table.name.c_str()), MDB_TABLE);
        mdb_read_columns(definition);
        mdb_rewind_table(definition);
        std::vector<std::vector<char>> values(definition->num_cols,
                                              std::vector<char>(MDB_BIND_SIZE));
        std::vector<int> lengths(definition->num_cols);
        for (unsigned i = 0; i < definition->num_cols; ++i) {
            mdb_bind_column(definition, static_cast<int>(i + 1), values[i].data(), &lengths[i]);
        }
        while (mdb_fetch_row(definition) != 0) {
            for (int length : lengths) {
                characters += static_cast<std::size_t>(length);
            }
        }
        mdb_free_tabledef(definition);
    }
    mdb_close(mdb);
    return characters;
}

}  // namespace

void benchDatabase() {
    std::vector<mkdb::TableData> tables = test::classTables(studentNames(), kPointsPerSubject);
    test::TempDir dir;
    std::string file;
    double write = bestSeconds(kRuns, [&] { file = test::writeClassDb(dir.path(), tables); });
    // Ours and the plain loop take turns, so a busy moment of the machine hits both alike.
    double read = 1e300;
    double plain = 1e300;
    std::size_t characters = 0;
    std::size_t plainCharacters = 0;
    for (int run = 0; run < kRuns; ++run) {
        read = std::min(read, bestSeconds(1, [&] { characters = readAll(file, tables); }));
        plain = std::min(plain,
                         bestSeconds(1, [&] { plainCharacters = readWithLibmdb(file, tables); }));
    }
    if (plainCharacters != characters) {
        std::fprintf(stderr, "read_vs_libmdb_rows: %zu bytes read by the plain loop, %zu by ours\n",
                     plainCharacters, characters);
    }
    double exported = bestSeconds(kRuns, [&] {
        for (const mkdb::TableData& table : tables) {
            mdbExport(file, table.name);
        }
    });
    std::printf("class database: %d students, %d knowledge points per subject, %zu bytes read\n",
                kStudents, kPointsPerSubject, characters);
    report("read_vs_mdb_export", read, exported);
    report("read_vs_libmdb_rows", read, plain);
    report("write_vs_mdb_export", write, exported);
}

}  // namespace veltrana::bench
