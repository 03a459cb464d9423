#include "sort/destination.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/pinyin.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

std::u32string characters(std::string_view utf8) {
    std::u32string text;
    forEachCharacter(utf8, [&](char32_t c) {
        text.push_back(c);
        return true;
    });
    return text;
}

char32_t lower(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

// The name as typed on a keyboard: the initials and the whole pinyin, lower case, ü as v. A
// character without a reading stands for itself in both.
struct Spelling {
    std::u32string initials;
    std::u32string full;
};

Spelling spell(const std::u32string& name, bool personName) {
    std::vector<std::optional<Pinyin>> readings;
    if (personName) {
        readings = nameReading(name);
    } else {
        for (char32_t c : name) {
            readings.push_back(pinyinOf(c));
        }
    }
    Spelling spelling;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (!readings[i]) {
            if (name[i] != U' ') {
                spelling.initials.push_back(lower(name[i]));
                spelling.full.push_back(lower(name[i]));
            }
            continue;
        }
        std::u32string syllable = characters(readings[i]->syllable());
        std::ranges::replace(syllable, U'ü', U'v');
        spelling.initials.push_back(syllable.front());
        spelling.full += syllable;
    }
    return spelling;
}

}  // namespace

std::vector<int> matching(std::string_view typed, const std::vector<Choice>& choices,
                          bool personNames) {
    std::u32string key;
    for (char32_t c : characters(typed)) {
        if (c != U' ') {
            key.push_back(lower(c) == U'ü' ? U'v' : lower(c));
        }
    }
    if (key.empty()) {
        return {};
    }
    // Each choice's rank: 0 the ID, 1 the initials, 2 the full pinyin, 3 the characters.
    std::vector<std::pair<int, int>> ranked;
    for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
        const Choice& choice = choices[static_cast<std::size_t>(i)];
        const std::u32string name = characters(choice.name);
        const Spelling spelling = spell(name, personNames);
        int rank = -1;
        if (!choice.id.empty() && characters(choice.id) == key) {
            rank = 0;
        } else if (spelling.initials.starts_with(key)) {
            rank = 1;
        } else if (spelling.full.starts_with(key)) {
            rank = 2;
        } else if (name.find(key) != std::u32string::npos) {
            rank = 3;
        }
        if (rank >= 0) {
            ranked.emplace_back(rank, i);
        }
    }
    std::ranges::stable_sort(ranked, {}, &std::pair<int, int>::first);
    std::vector<int> picked;
    for (const auto& [rank, index] : ranked) {
        picked.push_back(index);
    }
    return picked;
}

std::vector<Choice> SortCatalogue::students() const {
    std::vector<Choice> choices;
    for (std::size_t i = 0; i < nodes.students.size(); ++i) {
        choices.push_back({nodes.students[i].name, i < studentIds.size() ? studentIds[i] : ""});
    }
    return choices;
}

std::vector<Choice> SortCatalogue::courses() const {
    std::vector<Choice> choices;
    for (const PhoneCatalogue::Course& course : nodes.courses) {
        choices.push_back({course.node.name, {}});
    }
    return choices;
}

std::vector<Choice> SortCatalogue::points(int course) const {
    std::vector<Choice> choices;
    if (course >= 0 && course < static_cast<int>(nodes.courses.size())) {
        for (const PhoneCatalogue::Node& point :
             nodes.courses[static_cast<std::size_t>(course)].points) {
            choices.push_back({point.name, {}});
        }
    }
    return choices;
}

std::string SortCatalogue::folder(const std::string& appPath, const Destination& to) const {
    if (to.student < 0 || to.course < 0 || to.point < 0) {
        return {};
    }
    const auto& course = nodes.courses.at(static_cast<std::size_t>(to.course));
    const std::string names[] = {nodes.students.at(static_cast<std::size_t>(to.student)).folder,
                                 course.node.folder,
                                 course.points.at(static_cast<std::size_t>(to.point)).folder};
    std::string path = appPath + kSeparator + "Data";
    for (const std::string& name : names) {
        if (name.empty()) {
            return {};
        }
        path += kSeparator + name;
    }
    return path;
}

std::string SortCatalogue::describe(const Destination& to) const {
    auto nameOf = [](const auto& items, int index, auto name) {
        return index >= 0 && index < static_cast<int>(items.size())
                   ? name(items[static_cast<std::size_t>(index)])
                   : std::string("？");
    };
    auto node = [](const PhoneCatalogue::Node& n) { return n.name; };
    std::string text = nameOf(nodes.students, to.student, node) + " / " +
                       nameOf(nodes.courses, to.course,
                              [](const PhoneCatalogue::Course& c) { return c.node.name; });
    if (to.course >= 0 && to.course < static_cast<int>(nodes.courses.size())) {
        text += " / " +
                nameOf(nodes.courses[static_cast<std::size_t>(to.course)].points, to.point, node);
    } else {
        text += " / ？";
    }
    return text;
}

SortCatalogue sortCatalogue(const ClassModel& model, const std::vector<std::string>& selected) {
    SortCatalogue catalogue{phoneCatalogue(model, selected), {}};
    // The catalogue lists the roll call, or nothing when the students could not be read.
    if (!catalogue.nodes.students.empty()) {
        for (const Entry* student : model.rollCall()) {
            catalogue.studentIds.push_back(text(student->id));
        }
    }
    return catalogue;
}

}  // namespace veltrana
