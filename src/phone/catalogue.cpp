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

// The students, courses and knowledge points that the tree shows: it ends where the first table
// that could not be read begins.
void fill(PhoneCatalogue& catalogue, const ClassModel& model) {
    const TableRows* failed = model.firstFailure();
    if (failed == &model.students) {
        return;
    }
    for (const Entry* student : model.rollCall()) {
        catalogue.students.push_back(nodeOf(*student));
    }
    if (failed == &model.courses) {
        return;
    }
    const auto unread = std::ranges::find_if(
        model.subjects, [failed](const Subject& subject) { return &subject.points == failed; });
    for (const Entry& row : model.courses.rows) {
        PhoneCatalogue::Course& course = catalogue.courses.emplace_back();
        course.node = nodeOf(row);
        const Subject* subject = model.subjectOf(row);
        if (subject && subject - model.subjects.data() < unread - model.subjects.begin()) {
            for (const Entry& point : subject->points.rows) {
                course.points.push_back(nodeOf(point));
            }
        }
    }
}

}  // namespace

PhoneCatalogue phoneCatalogue(const ClassModel& model, const std::vector<std::string>& selected) {
    PhoneCatalogue catalogue;
    fill(catalogue, model);
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
