#include "phone/json.h"

namespace veltrana {

namespace {

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (u < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            json += "\\u00";
            json += kHex[u >> 4];
            json += kHex[u & 0xF];
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string namesJson(const std::vector<PhoneCatalogue::Node>& nodes) {
    std::string json = "[";
    for (const PhoneCatalogue::Node& node : nodes) {
        if (json.size() > 1) {
            json += ',';
        }
        json += jsonString(node.name);
    }
    return json + "]";
}

}  // namespace

std::string catalogueJson(const PhoneCatalogue& catalogue) {
    std::string courses = "[";
    for (const PhoneCatalogue::Course& course : catalogue.courses) {
        if (courses.size() > 1) {
            courses += ',';
        }
        courses += "{\"name\":" + jsonString(course.node.name) +
                   ",\"points\":" + namesJson(course.points) + '}';
    }
    return "{\"students\":" + namesJson(catalogue.students) + ",\"courses\":" + courses +
           "],\"selected\":[" + std::to_string(catalogue.student) + "," +
           std::to_string(catalogue.course) + "," + std::to_string(catalogue.point) + "]}";
}

}  // namespace veltrana
