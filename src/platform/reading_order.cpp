#include "platform/reading_order.h"

#include <QCollator>
#include <QString>

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

}  // namespace veltrana
