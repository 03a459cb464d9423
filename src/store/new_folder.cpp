#include "store/new_folder.h"

#include <algorithm>

#include "db/connection.h"
#include "db/queries.h"
#include "platform/error.h"
#include "model/folder_name.h"

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

// Creates, under one parent at a time, the folders that are missing, and reports each one to the
// progress display. Every folder's path is built in the one buffer, so a run of a hundred
// thousand folders allocates next to nothing.
class FolderMaker {
public:
    FolderMaker(FileSystem& fileSystem, Progress& progress)
        : fileSystem_(fileSystem), progress_(progress) {}

    void enter(const std::string& parent) {
        path_.assign(parent);
        parentLength_ = path_.size();
    }
    void setTotal(long total) { total_ = total; }
    long made() const { return made_; }

    // False when the user has asked to stop; the folder is made (or found) all the same.
    bool make(const FolderName& name, const char* table, const std::string& field) {
        path_.resize(parentLength_);
        if (name.folder.empty()) {
            throw unsafeName(name, table, field, path_);
        }
        path_ += kSeparator;
        path_ += name.folder;
        return makeHere();
    }
    bool makeHere() {
        made_ += fileSystem_.createFolder(path_) ? 1 : 0;
        return progress_.update(++checked_, total_, describe_);
    }

private:
    FileSystem& fileSystem_;
    Progress& progress_;
    std::string path_;
    std::size_t parentLength_ = 0;
    long checked_ = 0;
    long made_ = 0;
    long total_ = 0;
    const std::function<std::string()> describe_ = [this] {
        std::string counted = "已检查 " + std::to_string(checked_);
        if (total_ > 0) {
            counted += " / " + std::to_string(total_);
        }
        return "正在生成文件夹：" + counted + " 个，新建 " + std::to_string(made_) + " 个";
    };
};

// The knowledge points of one subject table, read before any of them is made so that the
// progress display knows the total.
struct SubjectPoints {
    const SubjectTable* subject;
    std::vector<FolderName> points;
};

// Makes the layout level by level; false when the user stopped the run part way.
bool makeLayout(Form& form, FolderMaker& maker) {
    const std::string data = form.appPath + kSeparator + "Data";
    maker.enter(data);
    maker.makeHere();

    form.dbRs = std::make_unique<Recordset>();
    Recordset& rs = openQuery(form, kStudentsQuery, kLockOptimistic);
    std::int16_t studentCount = toInt16(rs.RecordCount());
    if (studentCount == 0) {  // no student, so nothing goes below Data
        rs.Close();
        return true;
    }
    // A run before any start-up build read the stream decides it the same way.
    std::string courseField =
        form.courseField.empty() ? courseFieldFor(rs.Fields("Attrib")) : form.courseField;
    std::vector<std::string> students;
    for (std::int16_t i = 0; i < studentCount; ++i) {
        FolderName name = readName(rs, "UserName");
        bool goOn = maker.make(name, "Students", "UserName");
        students.push_back(name.folder);
        rs.MoveNext();
        if (!goOn) {
            rs.Close();
            return false;
        }
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
    std::vector<SubjectPoints> subjects;
    std::size_t pointCount = 0;
    for (const SubjectTable& subject : subjectsFor(courseField)) {
        openQuery(form, subject.query, kLockOptimistic);
        SubjectPoints& read = subjects.emplace_back(SubjectPoints{&subject, {}});
        for (std::int16_t j = 0, rows = toInt16(rs.RecordCount()); j < rows; ++j) {
            read.points.push_back(readName(rs, "KN"));
            rs.MoveNext();
        }
        rs.Close();
        pointCount += read.points.size();
    }
    maker.setTotal(static_cast<long>(1 + students.size() * (1 + courses.size() + pointCount)));

    for (const std::string& student : students) {
        maker.enter(data + kSeparator + student);
        for (const FolderName& course : courses) {
            if (!maker.make(course, "Bflearning", courseField)) {
                return false;
            }
        }
    }

    // Knowledge points go into the folder of their course node: the Bflearning row whose ID is
    // the table's course number.
    for (const SubjectPoints& read : subjects) {
        const SubjectTable& subject = *read.subject;
        const std::vector<FolderName>& points = read.points;
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
                if (!maker.make(point, subject.table, "KN")) {
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

void NewFolder_Click(Form& form) {
    long made = 0;
    bool finished = false;
    {
        WaitCursor wait(form.dialogs);
        std::unique_ptr<Progress> progress = form.dialogs.progress(kMessageTitle, "停止");
        FolderMaker maker(form.fileSystem, *progress);
        finished = makeLayout(form, maker);
        made = maker.made();
    }
    if (!finished) {
        form.dialogs.MsgBox("已停止生成文件夹，本次新建了 " + std::to_string(made) +
                                " 个文件夹。再次选择“生成文件夹”即可完成其余的文件夹。",
                            kMessageTitle);
    }
}

}  // namespace veltrana
