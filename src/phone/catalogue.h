#pragma once

#include <string>
#include <vector>

#include "model/class_model.h"

namespace veltrana {

// What the phone page offers: the class's students and, once, the courses with their knowledge
// points, which are the same for every student. A target is "student.course.point", indices into
// these.
struct PhoneCatalogue {
    struct Node {
        std::string name;    // as the tree shows it
        std::string folder;  // its folder's name; empty when it can have none
    };
    struct Course {
        Node node;
        std::vector<Node> points;
    };
    std::vector<Node> students;
    std::vector<Course> courses;
    // The node selected in the window, as far down as it goes; -1 below that.
    int student = -1;
    int course = -1;
    int point = -1;
};

// The catalogue of the class: the students in roll-call order, as the tree lists them, and the
// courses with their subject's knowledge points. selected holds the texts of the window's selected
// node below the class (student, course, point, as far as it goes), which become the page's
// default target.
PhoneCatalogue phoneCatalogue(const ClassModel& model, const std::vector<std::string>& selected);

}  // namespace veltrana
