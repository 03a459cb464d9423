// veltrana-mkdb makes, checks and shows the class database DataBases.mdb; run it with --help.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/queries.h"
#include "mkdb/check.h"
#include "mkdb/csv.h"
#include "mkdb/mdb_writer.h"
#include "mkdb/new_class.h"
#include "mkdb/roster_report.h"
#include "mkdb/text_file.h"
#include "platform/console.h"
#include "platform/error.h"
#include "platform/fs/std_file_system.h"
#include "platform/mdb/mdb_connection.h"
#include "platform/utf8.h"

namespace veltrana::mkdb {

namespace {

constexpr const char* kDescription =
    "班级数据库 DataBases.mdb 的工具。\n"
    "\n"
    "  veltrana-mkdb --class 理科 --roster 名单.xlsx DataBases.mdb\n"
    "      由学生名单（.xlsx、.xls、.csv 或 .txt）生成新班级（或 --class 文科），\n"
    "      知识点取内置的标准目录（或 --points 文件夹，每个学科表一个 CSV 文件）\n"
    "  veltrana-mkdb --check DataBases.mdb\n"
    "      列出程序在这个数据库上会遇到的全部问题\n"
    "  veltrana-mkdb OUT.mdb DIR\n"
    "      把文件夹 DIR 中的每个 CSV 文件写成一张表\n"
    "  veltrana-mkdb --dump FILE TABLE\n"
    "      按程序读取的方式把一张表输出为 CSV\n"
    "  veltrana-mkdb --read-roster 名单\n"
    "      读出名单中的姓名及其行号、警告和错误（窗口用它在单独的进程中读名单）\n"
    "\n"
    "退出状态：0 成功（可有警告），1 有错误，2 用法不对。";

// Quoted when it holds a comma, quote or line break, and when it is empty so that an empty
// text differs from Null, which prints as nothing.
std::string csvField(const Value& value) {
    if (!value) {
        return {};
    }
    if (!value->empty() && value->find_first_of(",\"\r\n") == std::string::npos) {
        return *value;
    }
    std::string quoted = "\"";
    for (char c : *value) {
        quoted += c;
        if (c == '"') {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void printRow(const std::vector<Value>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        std::cout << (i == 0 ? "" : ",") << csvField(row[i]);
    }
    std::cout << '\n';
}

int dump(const std::string& file, const std::string& tableName) {
    auto connection = MdbDataAccess().newConnection();
    connection->Open(connectionStringFor(file));
    Table table = connection->readTable(tableName);
    useBinaryStandardOutput();
    printRow(std::vector<Value>(table.columns.begin(), table.columns.end()));
    for (const auto& row : table.rows) {
        printRow(row);
    }
    return 0;
}

int check(const std::string& file) {
    MdbDataAccess accessFiles;
    CheckReport report = checkDatabase(accessFiles, file);
    std::cout << reportText(report);
    return report.findings.faults.empty() ? 0 : 1;
}

// The teacher's own knowledge points: every CSV file of the folder, which must hold the six
// subject tables of the stream.
std::vector<TableData> pointsFrom(const std::string& folder, const std::string& stream) {
    std::vector<TableData> tables = readCsvFolder(folder);
    for (const SubjectTable& subject :
         subjectsFor(stream == kScienceStream ? kScienceCourseField : kOtherCourseField)) {
        if (std::none_of(tables.begin(), tables.end(),
                         [&](const TableData& t) { return t.name == subject.table; })) {
            throw Error(err::kFileNotFound, "文件夹“" + folder + "”中没有“" + subject.table +
                                                ".csv”，" + stream + "班需要这张学科表");
        }
    }
    return tables;
}

int makeClass(const std::string& stream, const std::string& rosterFile, const QString& pointsFolder,
              const std::string& out) {
    Roster roster = readRoster(rosterFile);
    Findings findings = checkRoster(roster);
    std::cerr << findingLines(findings);
    if (!findings.faults.empty()) {
        std::cerr << "名单有错，没有写入数据库\n";
        return 1;
    }
    StdFileSystem files;
    writeClass(
        files, out, roster, stream,
        pointsFolder.isEmpty() ? builtInPoints() : pointsFrom(pointsFolder.toStdString(), stream));
    std::cout << "已写入“" << out << "”：" << stream << "班，" << roster.names.size()
              << " 名学生。可用 veltrana-mkdb --check 检查它\n";
    return 0;
}

int usage(const QCommandLineParser& parser, const QString& problem) {
    std::cerr << problem.toStdString() << "\n\n" << parser.helpText().toStdString();
    return 2;
}

int run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption classOption("class", "新班级的学科方向：理科 或 文科。", "理科|文科");
    QCommandLineOption rosterOption(
        "roster", "学生名单（Excel 工作簿 .xlsx、.xls，CSV 或文本文件）。", "名单");
    QCommandLineOption pointsOption("points", "知识点表所在的文件夹。", "文件夹");
    QCommandLineOption checkOption("check", "检查数据库。", "FILE");
    QCommandLineOption dumpOption("dump", "输出数据库中的一张表。", "FILE");
    QCommandLineOption readRosterOption("read-roster", "读出名单。", "名单");
    parser.addOptions(
        {classOption, rosterOption, pointsOption, checkOption, dumpOption, readRosterOption});
    parser.addPositionalArgument("参数", "OUT.mdb、DIR、TABLE 等，见上面的用法。", "[参数…]");
    if (!parser.parse(arguments)) {
        return usage(parser, parser.errorText());
    }
    if (parser.isSet(help)) {
        std::cout << parser.helpText().toStdString();
        return 0;
    }
    if (parser.isSet(version)) {
        std::cout << "veltrana-mkdb " << VELTRANA_VERSION << '\n';
        return 0;
    }
    // Each form is a set of options and a number of other arguments.
    const QStringList positional = parser.positionalArguments();
    QStringList used = parser.optionNames();
    used.sort();
    used.removeDuplicates();
    auto form = [&](QStringList options, qsizetype count) {
        options.sort();
        return used == options && positional.size() == count;
    };
    if (form({"check"}, 0)) {
        return check(parser.value(checkOption).toStdString());
    }
    if (form({"read-roster"}, 0)) {
        useBinaryStandardOutput();
        return writeRosterReport(parser.value(readRosterOption).toStdString(), std::cout);
    }
    if (form({"dump"}, 1)) {
        return dump(parser.value(dumpOption).toStdString(), positional[0].toStdString());
    }
    if (form({"class", "roster"}, 1) || form({"class", "points", "roster"}, 1)) {
        std::string stream = parser.value(classOption).toStdString();
        if (stream != "理科" && stream != "文科") {
            return usage(parser, "--class 应是 理科 或 文科");
        }
        return makeClass(stream, parser.value(rosterOption).toStdString(),
                         parser.value(pointsOption), positional[0].toStdString());
    }
    if (form({}, 2)) {
        StdFileSystem files;
        writeNewDatabase(files, positional[0].toStdString(),
                         readCsvFolder(positional[1].toStdString()));
        return 0;
    }
    return usage(parser, "参数不对");
}

}  // namespace

}  // namespace veltrana::mkdb

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    veltrana::useUtf8Console();
    // Qt's own texts of the usage (options, --help, --version) in Chinese like the rest.
    QTranslator qtTexts;
    if (qtTexts.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts);
    }
    try {
        return veltrana::mkdb::run(QCoreApplication::arguments());
    } catch (const veltrana::Error& error) {
        std::cerr << veltrana::errorText(error) << '\n';
        return 1;
    }
}
