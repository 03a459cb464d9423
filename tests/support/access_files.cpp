#include "support/access_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/mdb/mdb_connection.h"
#include "support/fakes.h"

namespace veltrana::test {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == separator) {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    return pieces;
}

}  // namespace

ProcessResult runProgram(const std::vector<std::string>& args) {
    TempDir dir;
    std::string outPath = dir.path() + "/out";
    std::string errPath = dir.path() + "/err";
    pid_t child = fork();
    if (child == 0) {
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) {
            _exit(127);
        }
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outPath), readFile(errPath)};
}

// Fields and rows apart by the ASCII unit and record separators, which no test value holds, so
// that nothing is quoted.
Table readWithMdbExport(const std::string& file, const std::string& table) {
    ProcessResult result =
        runProgram({"mdb-export", "-Q", "-d", "\x1f", "-R", "\x1e", "-0", "<NULL>", file, table});
    if (result.exitCode != 0) {
        throw std::runtime_error("mdb-export failed: " + result.err);
    }
    std::vector<std::string> rows = split(result.out, '\x1e');
    rows.pop_back();  // after the last separator
    Table read{split(rows.at(0), '\x1f'), {}};
    for (auto row = rows.begin() + 1; row != rows.end(); ++row) {
        std::vector<Value>& values = read.rows.emplace_back();
        for (std::string& field : split(*row, '\x1f')) {
            values.push_back(field == "<NULL>" ? Value() : Value(std::move(field)));
        }
    }
    return read;
}

Table readWithOurLayer(const std::string& file, const std::string& table) {
    auto connection = MdbDataAccess().newConnection();
    connection->Open(connectionStringFor(file));
    return connection->readTable(table);
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

}  // namespace veltrana::test
