#include "support/fakes.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "mkdb/roster_report.h"

namespace veltrana::test {

bool underWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

namespace {

class FakeConnection : public Connection {
public:
    explicit FakeConnection(FakeDataAccess& data) : data_(data) {}

protected:
    void openFile(const std::string& path) override { data_.openedFiles.push_back(path); }
    void closeFile() override {}
    Table readTableFromFile(const std::string& name) override {
        // Table names match without regard to ASCII case, as in an Access file.
        auto sameName = [&name](const auto& entry) {
            return std::equal(entry.first.begin(), entry.first.end(), name.begin(), name.end(),
                              [](unsigned char a, unsigned char b) {
                                  return std::tolower(a) == std::tolower(b);
                              });
        };
        auto it = std::find_if(data_.tables.begin(), data_.tables.end(), sameName);
        if (it == data_.tables.end()) {
            throw Error(err::kTableNotFound,
                        "[ODBC Microsoft Access Driver] 找不到表“" + name + "”");
        }
        return it->second;
    }

private:
    FakeDataAccess& data_;
};

class FakeProgress : public Progress {
public:
    explicit FakeProgress(FakeDialogs& dialogs) : dialogs_(dialogs) {}

    bool update(long done, long total, const std::function<std::string()>& describe) override {
        dialogs_.reports.push_back({done, total, describe()});
        long number = static_cast<long>(dialogs_.reports.size()) - 1;
        return dialogs_.stopAtReport < 0 || number < dialogs_.stopAtReport;
    }

private:
    FakeDialogs& dialogs_;
};

}  // namespace

std::unique_ptr<Progress> FakeDialogs::progress(const std::string& title,
                                                const std::string& stopCaption) {
    progressDialogs.push_back({title, stopCaption});
    return std::make_unique<FakeProgress>(*this);
}

ChildRun InProcessTool::run(const std::string& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds) {
    runs.push_back({program});
    runs.back().insert(runs.back().end(), arguments.begin(), arguments.end());
    if (ends) {
        return *ends;
    }
    if (arguments.size() != 2 || arguments[0] != "--read-roster") {
        return {ChildRun::End::Exited, 2, {}, {}};
    }
    std::ostringstream out;
    int status = mkdb::writeRosterReport(arguments[1], out);
    return {ChildRun::End::Exited, status, out.str(), {}};
}

std::unique_ptr<Connection> FakeDataAccess::newConnection() {
    return std::make_unique<FakeConnection>(*this);
}

namespace {

class FailingIncomingFile : public IncomingFile {
public:
    FailingIncomingFile(FailingFileSystem& files, std::string folder)
        : files_(files), folder_(std::move(folder)), file_(files.StdFileSystem::receive(folder_)) {}

    void write(const char* data, std::size_t size) override {
        if (++writes_ == files_.failWrite) {
            throw Error(err::kDiskFull, "磁盘已满：无法在文件夹“" + folder_ + "”中写入文件");
        }
        file_->write(data, size);
    }
    std::string land(const std::string& name, OnClash onClash) override {
        if (files_.meanwhile) {
            files_.meanwhile(folder_ + kSeparator + name);
        }
        if (files_.failLanding) {
            throw Error(err::kPathFileAccess,
                        "路径/文件访问错误：无法在文件夹“" + folder_ + "”中保存“" + name + "”");
        }
        return file_->land(name, onClash);
    }

private:
    FailingFileSystem& files_;
    std::string folder_;
    std::unique_ptr<IncomingFile> file_;
    int writes_ = 0;
};

}  // namespace

std::unique_ptr<IncomingFile> FailingFileSystem::receive(const std::string& folder) {
    return std::make_unique<FailingIncomingFile>(*this, folder);
}

TempDir::TempDir(const std::string& base) {
    std::filesystem::path parent =
        base.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(base);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        std::filesystem::path candidate = parent / ("veltrana-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = utf8Text(candidate);
        }
    }
    if (path_.empty()) {
        throw Error(err::kPathFileAccess, "无法创建临时文件夹");
    }
}

void writeFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(utf8Path(path).parent_path());
    std::ofstream(utf8Path(path), std::ios::binary) << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(utf8Path(folder))) {
        names.push_back(utf8Text(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace veltrana::test
