#include "store/new_folder.h"

#include <algorithm>

#include "db/connection.h"
#include "db/queries.h"
#include "platform/error.h"
#include "store/folder_name.h"

namespace veltrana {

namespace {

// A name read from the database with its folder, found once: the same names come back for every
// student. The folder is empty when the name cannot have one.
struct FolderName {
    Value value;
    std::string folder;
};

FolderName readName(const Recordset& rs, const std::string& field) {
    Value value = rs.Fields(field);
    std::string folder = value ? folderNameFor(*value) : std::string();
    return {std::move(value), std::move(folder)};
}

Error unsafeName(const FolderName& name, const char* table, const std::string& field,
                 const std::string& folder) {
    std::string shown = name.value ? "“" + *name.value + "”" : "Null";
    return Error(err::kPathFileAccess, "路径/文件访问错误：表“" + std::string(table) + "”的字段“" +
                                           field + "”的值 " + shown + " 不能用作文件夹名称，未在“" +
                                           folder + "”中创建文件夹");
}

// Creates, under one parent at a time, the folders that are missing. Every folder's path is
// built in the one buffer, so a run of a hundred thousand folders allocates next to nothing.
class FolderMaker {
public:
    explicit FolderMaker(FileSystem& fileSystem) : fileSystem_(fileSystem) {}

    void enter(const std::string& parent) {
        path_.assign(parent);
        parentLength_ = path_.size();
    }

    void make(const FolderName& name, const char* table, const std::string& field) {
        path_.resize(parentLength_);
        if (name.folder.empty()) {
            throw unsafeName(name, table, field, path_);
        }
        path_ += kSeparator;
        path_ += name.folder;
        fileSystem_.createFolder(path_);
    }

private:
    FileSystem& fileSystem_;
    std::string path_;
    std::size_t parentLength_ = 0;
};

}  // namespace

void NewFolder_Click(Form& form) {
    WaitCursor wait(form.dialogs);
    const std::string data = form.appPath + kSeparator + "Data";
    form.fileSystem.createFolder(data);

    form.dbRs = std::make_unique<Recordset>();
    Recordset& rs = openQuery(form, kStudentsQuery, kLockOptimistic);
    std::int16_t studentCount = toInt16(rs.RecordCount());
    if (studentCount == 0) {  // no student, so nothing goes below Data
        rs.Close();
        return;
    }
    // A run before any start-up build read the stream decides it the same way.
    std::string courseField =
        form.courseField.empty() ? courseFieldFor(rs.Fields("Attrib")) : form.courseField;
    std::vector<std::string> students;
    FolderMaker maker(form.fileSystem);
    maker.enter(data);
    for (std::int16_t i = 0; i < studentCount; ++i) {
        FolderName name = readName(rs, "UserName");
        maker.make(name, "Students", "UserName");
        students.push_back(name.folder);
        rs.MoveNext();
    }
    rs.Close();

    // The course folders are those of the class's course nodes: one per Bflearning row, named
    // by the stream's course column.
    openQuery(form, kCoursesQuery, kLockOptimistic);
    std::vector<std::string> courseIds;
    std::vector<FolderName> courses;
    for (std::int16_t j = 0, rows = toInt16(rs.RecordCount()); j < rows; ++j) {
        courseIds.push_back(text(rs.Fields("ID")));
        courses.push_back(readName(rs, courseField));
        rs.MoveNext();
    }
    rs.Close();
    for (const std::string& student : students) {
        maker.enter(data + kSeparator + student);
        for (const FolderName& course : courses) {
            maker.make(course, "Bflearning", courseField);
        }
    }

    // Knowledge points go into the folder of their course node: the Bflearning row whose ID is
    // the table's course number.
    std::vector<FolderName> points;
    for (const SubjectTable& subject : subjectsFor(courseField)) {
        openQuery(form, subject.query, kLockOptimistic);
        points.clear();
        for (std::int16_t j = 0, rows = toInt16(rs.RecordCount()); j < rows; ++j) {
            points.push_back(readName(rs, "KN"));
            rs.MoveNext();
        }
        rs.Close();
        if (points.empty()) {
            continue;
        }
        auto course = std::find(courseIds.begin(), courseIds.end(), std::to_string(subject.course));
        if (course == courseIds.end()) {
            throw Error(err::kPathNotFound, "路径未找到：表“Bflearning”中没有 ID 为 " +
                                                std::to_string(subject.course) + " 的课程，表“" +
                                                subject.table + "”的知识点没有上级文件夹");
        }
        const std::string& courseName =
            courses[static_cast<std::size_t>(course - courseIds.begin())].folder;
        for (const std::string& student : students) {
            maker.enter(data + kSeparator + student + kSeparator + courseName);
            for (const FolderName& point : points) {
                maker.make(point, subject.table, "KN");
            }
        }
    }
}

}  // namespace veltrana
