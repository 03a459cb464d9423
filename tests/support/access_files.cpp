#include "support/access_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <stdexcept>

#include "platform/mdb/mdb_connection.h"
#include "platform/utf8.h"
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
#ifdef _WIN32
    // One command line as the C runtime splits it: every argument quoted, backslashes doubled
    // only before a quote.
    std::wstring line;
    for (const std::string& arg : args) {
        std::wstring wide = utf8Path(arg).wstring();
        line += line.empty() ? L"\"" : L" \"";
        std::size_t backslashes = 0;
        for (wchar_t c : wide) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
            backslashes = 0;
            line += c;
        }
        line.append(2 * backslashes, L'\\');
        line += L'"';
    }
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto create = [&](const std::string& path) {
        return CreateFileW(utf8Path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE out = create(outPath);
    HANDLE err = create(errPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    DWORD exitCode = 127;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    return {static_cast<int>(exitCode), readFile(outPath), readFile(errPath)};
#else
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
#endif
}

void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
#endif
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
