#include "store/new_folder.h"

#include "db/class_reader.h"
#include "model/class_model.h"
#include "platform/error.h"

namespace veltrana {

namespace {

Error unsafeName(const Entry& name, const std::string& table, const std::string& field,
                 const std::string& folder) {
    std::string shown = name.name ? "“" + *name.name + "”" : "Null";
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
    bool make(const Entry& name, const std::string& table, const std::string& field) {
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

// Makes the class's folders level by level: Data, the students, every student's courses, then
// each subject's knowledge points in its course's folder; false when the user stopped the run
// part way. A table that could not be read stops the run there, as it stops the tree.
bool makeFolders(const std::string& appPath, const ClassModel& model, FolderMaker& maker) {
    const std::string data = appPath + kSeparator + "Data";
    maker.enter(data);
    maker.makeHere();
    const auto stopAt = [&model](const TableRows& rows) {
        if (&rows == model.firstFailure()) {
            throw *rows.failure;
        }
    };
    stopAt(model.students);
    const std::vector<Entry>& students = model.students.rows;
    std::size_t points = 0;
    for (const Subject& subject : model.subjects) {
        points += subject.points.rows.size();
    }
    maker.setTotal(
        static_cast<long>(1 + students.size() * (1 + model.courses.rows.size() + points)));

    for (const Entry& student : students) {
        if (!maker.make(student, "Students", "UserName")) {
            return false;
        }
    }
    stopAt(model.courses);
    for (const Entry& student : students) {
        maker.enter(data + kSeparator + student.folder);
        for (const Entry& course : model.courses.rows) {
            if (!maker.make(course, "Bflearning", model.courseField)) {
                return false;
            }
        }
    }
    for (const Subject& subject : model.subjects) {
        stopAt(subject.points);
        if (subject.points.rows.empty()) {
            continue;
        }
        const Entry* course = model.courseOf(subject);
        if (course == nullptr) {
            throw Error(err::kPathNotFound, "路径未找到：表“Bflearning”中没有 ID 为 " +
                                                std::to_string(subject.course) + " 的课程，表“" +
                                                subject.points.table + "”的知识点没有上级文件夹");
        }
        for (const Entry& student : students) {
            maker.enter(data + kSeparator + student.folder + kSeparator + course->folder);
            for (const Entry& point : subject.points.rows) {
                if (!maker.make(point, subject.points.table, "KN")) {
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
        // Read when asked, so a change made in Access since the start shows; in the stream the
        // start-up decided, when it got that far.
        finished = makeFolders(form.appPath, readClass(form, form.courseField), maker);
        made = maker.made();
    }
    if (!finished) {
        form.dialogs.MsgBox("已停止生成文件夹，本次新建了 " + std::to_string(made) +
                                " 个文件夹。再次选择“生成文件夹”即可完成其余的文件夹。",
                            kMessageTitle);
    }
}

}  // namespace veltrana
