#include "model/landing_name.h"

#include "model/folder_name.h"

namespace veltrana {

std::string landingNameRefusal(const std::string& name) {
    if (name.empty()) {
        return "文件没有名称";
    }
    const std::string quoted = "“" + name + "”";
    if (name.size() > kLongestLandingName) {
        return "文件名" + quoted + "太长：最多 " + std::to_string(kLongestLandingName) +
               " 个字节（约 80 个汉字），请改短后再上传";
    }
    if (name.front() == '.') {
        return quoted + "以“.”开头，会成为看不见的隐藏文件，请改名后再上传";
    }
    if (!isSafeFolderName(name)) {
        return quoted +
               "不能用作文件名：文件名不能含有 \\ / : * ? \" < > | 和控制字符，不能以空格或“.”"
               "结尾，也不能是 CON、NUL、COM1 等 Windows 保留的名称";
    }
    return {};
}

}  // namespace veltrana
