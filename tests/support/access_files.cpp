#include "support/access_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/mdb/mdb_connection.h"
#include "support/fakes.h"

namespace veltrana::test {

namespace {

// mdb-export quotes every text and doubles quotes inside; numbers and the Null mark stay bare.
std::vector<std::vector<Value>> parseExport(const std::string& text, const std::string& nullMark) {
    std::vector<std::vector<Value>> rows;
    std::vector<Value> row;
    std::size_t i = 0;
    while (i < text.size()) {
        std::string field;
        bool quoted = text[i] == '"';
        if (quoted) {
            for (++i; i < text.size() && !(text[i] == '"' && text[i + 1] != '"'); ++i) {
                field += text[i];
                i += text[i] == '"' ? 1 : 0;
            }
            ++i;
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\n') {
                field += text[i++];
            }
        }
        row.push_back(!quoted && field == nullMark ? Value() : Value(field));
        if (i >= text.size() || text[i++] == '\n') {
            rows.push_back(std::move(row));
            row.clear();
        }
    }
    return rows;
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

Table readWithMdbExport(const std::string& file, const std::string& table) {
    const std::string nullMark = "<NULL>";
    ProcessResult result = runProgram({"mdb-export", "-0", nullMark, file, table});
    if (result.exitCode != 0) {
        throw std::runtime_error("mdb-export failed: " + result.err);
    }
    std::vector<std::vector<Value>> rows = parseExport(result.out, nullMark);
    Table read;
    for (const Value& name : rows.at(0)) {
        read.columns.push_back(text(name));
    }
    read.rows.assign(rows.begin() + 1, rows.end());
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
