#include "platform/program_folder.h"

#include <filesystem>

#include "platform/file_system.h"
#include "platform/fs/os_file.h"
#include "platform/random_token.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

// The honest test: permissions, a write-protected USB stick, a restore card's lock and the
// rights of Program Files all show in whether a file can be made.
bool canWriteIn(const std::string& folder) {
    const std::string probe = folder + kSeparator + ".veltrana-" + randomToken() + ".tmp";
    std::error_code ec;
    {
        os::NewFile file;
        if (!file.create(utf8Path(probe), ec)) {
            return false;
        }
    }
    std::error_code ignored;
    std::filesystem::remove(utf8Path(probe), ignored);
    return true;
}

}  // namespace

ProgramFolderFacts programFolderFacts(const std::string& folder) {
    return {canWriteIn(folder), syncedFolderOf(folder), suggestedProgramFolder()};
}

std::string folderAdvice(const ProgramFolderFacts& facts) {
    if (!facts.writable) {
        return "程序文件夹不能写入：请关闭程序，把整个文件夹移到 " + facts.suggestedFolder +
               " 再启动。在这里，新建班级、生成文件夹和上传的文件都存不进去。";
    }
    if (!facts.syncedFolder.empty()) {
        return "程序文件夹在 OneDrive 里：建议关闭程序，把整个文件夹移到 " + facts.suggestedFolder +
               "。OneDrive 会把“" + facts.syncedFolder +
               "”里学生的照片都传到网上；磁盘紧张时它只在本机留下占位文件，没有网络就打不开预览。"
               "DataBases.mdb 在同步时可能被占用而连接失败，两台电脑同时用还会出现冲突副本。";
    }
    return {};
}

}  // namespace veltrana
