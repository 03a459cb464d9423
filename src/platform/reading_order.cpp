#include "platform/reading_order.h"

#include <QCollator>
#include <QString>
#include <algorithm>
#include <numeric>

namespace veltrana {

namespace {

const QCollator& chineseCollator() {
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Chinese, QLocale::China)};
        c.setNumericMode(true);
        return c;
    }();
    return collator;
}

}  // namespace

bool readingOrderLess(const std::string& a, const std::string& b) {
    return chineseCollator().compare(QString::fromStdString(a), QString::fromStdString(b)) < 0;
}

void sortFileNames(std::vector<std::string>& names) {
    // One sort key per stem rather than a collation per comparison, so that a folder of twenty
    // thousand files sorts at once. Stems seldom tie; only then are the extensions collated.
    auto stemLength = [](const std::string& name) {
        std::size_t dot = name.rfind('.');
        return dot == 0 || dot == std::string::npos ? name.size() : dot;
    };
    auto extension = [&](const std::string& name) {
        std::size_t dot = stemLength(name);
        return QString::fromUtf8(name.data() + dot, static_cast<qsizetype>(name.size() - dot));
    };
    std::vector<QCollatorSortKey> stems;
    stems.reserve(names.size());
    for (const std::string& name : names) {
        stems.push_back(chineseCollator().sortKey(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(stemLength(name)))));
    }
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        int stem = stems[a].compare(stems[b]);
        if (stem != 0) {
            return stem < 0;
        }
        return chineseCollator().compare(extension(names[a]), extension(names[b])) < 0;
    });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (std::size_t i : order) {
        sorted.push_back(std::move(names[i]));
    }
    names = std::move(sorted);
}

}  // namespace veltrana
