#include "phone/catalogue.h"

#include <algorithm>

namespace veltrana {

namespace {

PhoneCatalogue::Node nodeOf(const Entry& entry) {
    return {text(entry.name), entry.folder};
}

// Index of the first item whose name is name, -1 when none has it.
template <typename T, typename Name>
int indexOf(const std::vector<T>& items, const std::string& name, Name nameOf) {
    auto found = std::ranges::find(items, name, nameOf);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

}  // namespace

PhoneCatalogue phoneCatalogue(const ClassModel& model, const std::vector<std::string>& selected) {
    PhoneCatalogue catalogue;
    for (const Entry* student : model.rollCall()) {
        catalogue.students.push_back(nodeOf(*student));
    }
    for (const Entry& row : model.courses.rows) {
        PhoneCatalogue::Course& course = catalogue.courses.emplace_back();
        course.node = nodeOf(row);
        if (const Subject* subject = model.subjectOf(row)) {
            for (const Entry& point : subject->points.rows) {
                course.points.push_back(nodeOf(point));
            }
        }
    }
    if (!selected.empty()) {
        catalogue.student = indexOf(catalogue.students, selected[0], &PhoneCatalogue::Node::name);
    }
    if (selected.size() > 1 && catalogue.student >= 0) {
        catalogue.course = indexOf(catalogue.courses, selected[1],
                                   [](const PhoneCatalogue::Course& c) { return c.node.name; });
    }
    if (selected.size() > 2 && catalogue.course >= 0) {
        catalogue.point =
            indexOf(catalogue.courses[static_cast<std::size_t>(catalogue.course)].points,
                    selected[2], &PhoneCatalogue::Node::name);
    }
    return catalogue;
}

}  // namespace veltrana
