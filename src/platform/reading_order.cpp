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

// Surnames read otherwise than their characters in words, each with a stand-in of the same
// length that has only the surname's reading, tone included, so the collator (which reads
// characters as in words) files the name where a roll call has it. Compound surnames come
// before the single ones they begin with.
struct SurnameReading {
    const char16_t* surname;
    const char16_t* readAs;
};
constexpr SurnameReading kSurnameReadings[] = {
    {u"尉迟", u"玉迟"},  // Yùchí, not wèi
    {u"万俟", u"莫其"},  // Mòqí, not wàn sì
    {u"单于", u"蝉于"},  // Chányú, not dān
    {u"长孙", u"掌孙"},  // Zhǎngsūn, not cháng as in 长短
    {u"曾", u"增"},      // Zēng, not céng
    {u"单", u"善"},      // Shàn, not dān
    {u"解", u"谢"},      // Xiè, not jiě
    {u"仇", u"求"},      // Qiú, not chóu
    {u"区", u"欧"},      // Ōu, not qū
    {u"朴", u"瓢"},      // Piáo, not pǔ
    {u"查", u"渣"},      // Zhā, not chá
    {u"盖", u"舸"},      // Gě, not gài
    {u"乐", u"月"},      // Yuè, not lè
    {u"缪", u"妙"},      // Miào, not móu
    {u"覃", u"秦"},      // Qín, not tán
    {u"翟", u"宅"},      // Zhái, not dí
    {u"召", u"邵"},      // Shào, not zhào
    {u"秘", u"必"},      // Bì, not mì
    {u"种", u"虫"},      // Chóng, not zhǒng
};

// The name with its surname replaced by the stand-in. A surname is followed by a given name,
// so 单于 alone is 单 with the given name 于.
QString surnameRead(QString name) {
    for (const auto& [surname, readAs] : kSurnameReadings) {
        QStringView start(surname);
        if (name.size() > start.size() && name.startsWith(start)) {
            return name.replace(0, start.size(), QString::fromUtf16(readAs));
        }
    }
    return name;
}

}  // namespace

bool nameOrderLess(const std::string& a, const std::string& b) {
    QString nameA = QString::fromStdString(a);
    QString nameB = QString::fromStdString(b);
    int order = chineseCollator().compare(surnameRead(nameA), surnameRead(nameB));
    // 曾明 and 增明 read alike; the characters themselves decide.
    return order != 0 ? order < 0 : chineseCollator().compare(nameA, nameB) < 0;
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
