#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/class_model.h"
#include "phone/catalogue.h"

namespace veltrana {

// What a typed text is matched against: a name as the tree shows it and, for a student, the ID.
struct Choice {
    std::string name;
    std::string id;
};

// The indices of the choices that typed picks, best first: the ID typed whole, then the pinyin
// initials ("zxm" for 张小明) or the full pinyin ("zhangxiaoming", "zhangx") from the start, then
// the characters anywhere in the name. People's names are read as names, so a surname with a
// second reading matches as it is read (曾 z, 单 s). Case and blanks in typed do not count, and
// ü is typed v. Empty typed picks nothing.
std::vector<int> matching(std::string_view typed, const std::vector<Choice>& choices,
                          bool personNames);

// Where the photos go: a student, a course and one of its knowledge points, as indices into the
// catalogue (-1 when not chosen).
struct Destination {
    int student = -1;
    int course = -1;
    int point = -1;
    bool operator==(const Destination&) const = default;
};

// The class as the sorting window offers it: the phone page's catalogue (students in roll-call
// order, courses and their points, the window's selection) and the students' IDs beside it.
struct SortCatalogue {
    PhoneCatalogue nodes;
    std::vector<std::string> studentIds;

    std::vector<Choice> students() const;
    std::vector<Choice> courses() const;
    std::vector<Choice> points(int course) const;
    // The folder of a complete destination under appPath's Data; empty when it is not complete or
    // one of its names can have no folder.
    std::string folder(const std::string& appPath, const Destination& to) const;
    // "张小明 / 语文 / 知识点1", with "？" for what is not chosen.
    std::string describe(const Destination& to) const;
};

SortCatalogue sortCatalogue(const ClassModel& model, const std::vector<std::string>& selected);

}  // namespace veltrana
