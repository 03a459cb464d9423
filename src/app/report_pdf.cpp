#include "app/report_pdf.h"

#include <QDateTime>
#include <QFont>
#include <QIODevice>
#include <QImageReader>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <optional>

#include "platform/error.h"
#include "platform/qt/qt_controls.h"

namespace veltrana {

namespace {

// The writer's units: 300 to the inch, so text and lines are placed finely.
constexpr int kUnitsPerInch = 300;
// Pictures go in at about 200 dots per inch of their printed size: sharp on paper, and a
// 12-megapixel photo costs a few hundred kilobytes rather than megabytes.
constexpr double kPictureDpi = 200;
constexpr double kMarginMm = 15;
// No picture prints longer than this on either side: a page photographed by a phone reads well
// at 16 × 12 cm, and at kPictureDpi it costs about 1.2 megapixels.
constexpr double kLongestPrintMm = 160;

double units(double mm) {
    return mm / 25.4 * kUnitsPerInch;
}

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// Faces that carry Chinese and that the PDF writer can embed; the first one installed is used.
QFont pdfFont(double points, bool bold = false) {
    QFont font;
    font.setFamilies({"Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "SimSun"});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString dateText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd HH:mm");
}

// The PDF goes straight into the hidden file of the export; a write that fails (a full disk) is
// kept, as the painter cannot hear of it, and told once the painting ends.
class IncomingDevice : public QIODevice {
public:
    explicit IncomingDevice(IncomingFile& file) : file_(file) { open(QIODevice::WriteOnly); }
    const std::optional<Error>& failure() const { return failure_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (failure_) {
            return -1;
        }
        try {
            file_.write(data, static_cast<std::size_t>(size));
        } catch (const Error& e) {
            failure_ = e;
            return -1;
        }
        return size;
    }

private:
    IncomingFile& file_;
    std::optional<Error> failure_;
};

// A reader of the picture that turns it upright as the phone showed it.
std::unique_ptr<QImageReader> uprightReader(const std::string& path) {
    auto reader = std::make_unique<QImageReader>(fromUtf8(path));
    reader->setAutoTransform(true);
    return reader;
}

bool turnsQuarter(const QImageReader& reader) {
    return reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
}

// The size of the picture as it shows upright, from its header; empty when it cannot be read.
QSize uprightSize(const QImageReader& reader) {
    return turnsQuarter(reader) ? reader.size().transposed() : reader.size();
}

// Paints one report page by page; false from a page when the user asked to stop.
class ReportPainter {
public:
    ReportPainter(QPdfWriter& writer, const Report& report, Progress& progress, long& done,
                  long total)
        : writer_(writer), report_(report), progress_(progress), done_(done), total_(total) {
        pages_ = layOut(report, [](const ReportFile& file) {
            QSize size = uprightSize(*uprightReader(file.path));
            return size.width() >= size.height();
        });
        pageCount_ = coverPages(report) + pages_.size();
    }

    bool paint() {
        QPainter painter(&writer_);
        painter_ = &painter;
        page_ = QRectF(0, 0, writer_.width(), writer_.height());
        body_ = page_.adjusted(units(kMarginMm), units(kMarginMm), -units(kMarginMm),
                               -units(kMarginMm + 8));
        paintCover();
        for (const ReportPage& page : pages_) {
            writer_.newPage();
            if (!paintPage(page)) {
                return false;
            }
        }
        return true;
    }

private:
    // Text in a line of its own; returns the height it took.
    double line(const QString& text, double top, const QFont& font, int flags = Qt::AlignLeft) {
        painter_->setFont(font);
        QRectF box(body_.left(), top, body_.width(), body_.height());
        QRectF used = painter_->boundingRect(box, flags | Qt::TextWordWrap, text);
        painter_->drawText(box, flags | Qt::TextWordWrap, text);
        return used.height();
    }

    void footer() {
        ++pageNumber_;
        painter_->setFont(pdfFont(9));
        painter_->drawText(QRectF(body_.left(), body_.bottom() + units(4), body_.width(), units(6)),
                           Qt::AlignHCenter,
                           QString("第 %1 页，共 %2 页").arg(pageNumber_).arg(pageCount_));
    }

    void paintCover() {
        double top = body_.top() + line(fromUtf8(report_.title), body_.top(), pdfFont(20, true));
        top += units(4);
        for (const std::string& text : report_.cover) {
            top += line(fromUtf8(text), top, pdfFont(12)) + units(1);
        }
        top += units(4);
        std::size_t files = 0;
        for (const ReportSection& section : report_.sections) {
            files += section.files.size();
        }
        top += line(QString("共 %1 个文件。各%2的文件数：")
                        .arg(files)
                        .arg(fromUtf8(report_.sectionsAre)),
                    top, pdfFont(12, true)) +
               units(2);
        for (std::size_t s = 0; s < report_.sections.size(); ++s) {
            if (s > 0 && s % kCountsPerCoverPage == 0) {
                footer();
                writer_.newPage();
                top = body_.top();
            }
            const ReportSection& section = report_.sections[s];
            painter_->setFont(pdfFont(11));
            QRectF row(body_.left() + units(4), top, body_.width() - units(30), units(6));
            painter_->drawText(
                row, Qt::AlignLeft | Qt::AlignVCenter,
                painter_->fontMetrics().elidedText(fromUtf8(section.heading), Qt::ElideMiddle,
                                                   static_cast<int>(row.width())));
            painter_->drawText(QRectF(body_.right() - units(26), top, units(26), units(6)),
                               Qt::AlignRight | Qt::AlignVCenter,
                               QString("%1 个").arg(section.files.size()));
            top += units(6.5);
        }
        footer();
    }

    bool paintPage(const ReportPage& page) {
        const ReportSection& section = report_.sections[page.section];
        QString heading = fromUtf8(section.heading);
        double top = body_.top() +
                     line(page.startsSection ? heading : heading + "（续）", body_.top(),
                          pdfFont(page.startsSection ? 16 : 11, true)) +
                     units(4);
        if (page.listing) {
            top += line("不是图片的文件：", top, pdfFont(11, true)) + units(2);
            for (std::size_t f : page.files) {
                const ReportFile& file = section.files[f];
                top +=
                    line(fromUtf8(file.name) + "　" + dateText(file.modified), top, pdfFont(11)) +
                    units(1.5);
            }
            footer();
            return progress_.update(done_, total_, [] { return std::string("正在导出错题集…"); });
        }
        const double slotHeight = (body_.bottom() - top) / static_cast<double>(page.files.size());
        for (std::size_t f : page.files) {
            const ReportFile& file = section.files[f];
            paintPicture(file, QRectF(body_.left(), top, body_.width(), slotHeight));
            top += slotHeight;
            ++done_;
            if (!progress_.update(done_, total_, [&] {
                    return "正在导出错题集：第 " + std::to_string(done_) + " / " +
                           std::to_string(total_) + " 张图片（" + file.name + "）";
                })) {
                return false;
            }
        }
        footer();
        return true;
    }

    // The picture upright, as large as fits the slot above its caption, decoded at about
    // kPictureDpi of that size and never above its own; a picture that cannot be read is a line
    // with its name.
    void paintPicture(const ReportFile& file, const QRectF& slot) {
        const double captionHeight = units(7);
        QRectF room = slot.adjusted(0, 0, 0, -captionHeight - units(3));
        const QSizeF bound =
            room.size().boundedTo({units(kLongestPrintMm), units(kLongestPrintMm)});
        QString error;
        const QImage image = decodeUpright(
            fromUtf8(file.path), (bound * (kPictureDpi / kUnitsPerInch)).toSize(), true, error);
        const QSizeF fitted = QSizeF(image.size()).scaled(bound, Qt::KeepAspectRatio);
        const QRectF placed(room.left() + (room.width() - fitted.width()) / 2, room.top(),
                            fitted.width(), fitted.height());
        QString caption = fromUtf8(file.name) + "　" + dateText(file.modified);
        if (image.isNull()) {
            line("无法读取的图片：" + caption, room.top(), pdfFont(11));
            return;
        }
        painter_->drawImage(placed, image);
        painter_->setFont(pdfFont(9));
        painter_->drawText(
            QRectF(slot.left(), placed.bottom() + units(1.5), slot.width(), captionHeight),
            Qt::AlignHCenter | Qt::AlignTop, caption);
    }

    QPdfWriter& writer_;
    const Report& report_;
    Progress& progress_;
    long& done_;
    long total_;
    std::vector<ReportPage> pages_;
    std::size_t pageCount_ = 0;
    std::size_t pageNumber_ = 0;
    QPainter* painter_ = nullptr;
    QRectF page_;
    QRectF body_;
};

}  // namespace

std::string exportFolder(const Form& form) {
    return form.appPath + kSeparator + "导出";
}

Exported writeReportPdfs(Form& form, const std::vector<Report>& reports) {
    const std::string folder = exportFolder(form);
    form.fileSystem.createFolder(folder);
    long total = 0;
    for (const Report& report : reports) {
        total += static_cast<long>(report.pictures());
    }
    long done = 0;
    Exported exported;
    WaitCursor wait(form.dialogs);
    std::unique_ptr<Progress> progress = form.dialogs.progress(kMessageTitle, "停止");
    for (const Report& report : reports) {
        std::unique_ptr<IncomingFile> file = form.fileSystem.receive(folder);
        IncomingDevice device(*file);
        bool finished = false;
        {
            QPdfWriter writer(&device);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            writer.setResolution(kUnitsPerInch);
            writer.setTitle(fromUtf8(report.title));
            writer.setCreator("Veltrana");
            finished = ReportPainter(writer, report, *progress, done, total).paint();
        }
        if (device.failure()) {
            throw Error(device.failure()->number(), "导出“" + report.fileName +
                                                        "”失败，没有留下不完整的文件：" +
                                                        device.failure()->description());
        }
        if (!finished) {
            exported.stopped = true;
            return exported;
        }
        exported.files.push_back(folder + kSeparator +
                                 file->land(report.fileName, OnClash::kKeepBoth));
    }
    return exported;
}

void exportReports(Form& form, const std::vector<Report>& reports) {
    std::vector<Report> withFiles;
    for (const Report& report : reports) {
        if (!report.sections.empty()) {
            withFiles.push_back(report);
        }
    }
    if (withFiles.empty()) {
        form.dialogs.MsgBox("所选范围内没有文件，没有导出。", kMessageTitle);
        return;
    }
    Exported exported = writeReportPdfs(form, withFiles);
    if (exported.stopped) {
        form.dialogs.MsgBox(
            "已停止导出。" + (exported.files.empty()
                                  ? std::string("没有写入文件。")
                                  : "已写好的 " + std::to_string(exported.files.size()) +
                                        " 个文件在“导出”文件夹中。"),
            kMessageTitle);
        return;
    }
    if (exported.files.size() == 1) {
        if (!form.shell.open(exported.files.front())) {
            form.dialogs.MsgBox("错题集已保存为“" + exported.files.front() +
                                    "”，但无法打开它：这台电脑上没有打开 PDF 文件的程序。",
                                kMessageTitle);
        }
        return;
    }
    std::string skipped;
    if (withFiles.size() < reports.size()) {
        skipped = std::to_string(reports.size() - withFiles.size()) +
                  " 名学生在所选范围内没有文件，未导出。";
    }
    form.dialogs.MsgBox("已导出 " + std::to_string(exported.files.size()) + " 个错题集到“" +
                            exportFolder(form) + "”。" + skipped,
                        kMessageTitle);
    if (!form.shell.open(exportFolder(form))) {
        form.dialogs.MsgBox("无法打开文件夹“" + exportFolder(form) + "”。", kMessageTitle);
    }
}

void exportText(Form& form, const std::string& name, const std::string& text) {
    const std::string folder = exportFolder(form);
    form.fileSystem.createFolder(folder);
    std::unique_ptr<IncomingFile> file = form.fileSystem.receive(folder);
    file->write(text.data(), text.size());
    const std::string path = folder + kSeparator + file->land(name, OnClash::kKeepBoth);
    if (!form.shell.open(path)) {
        form.dialogs.MsgBox(
            "表格已保存为“" + path + "”，但无法打开它：这台电脑上没有打开 CSV 文件的程序。",
            kMessageTitle);
    }
}

}  // namespace veltrana
