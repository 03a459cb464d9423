#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "app/form1.h"
#include "bench/bench_support.h"
#include "platform/qt/qt_controls.h"
#include "store/list_click.h"
#include "tests/support/photos.h"

namespace veltrana::bench {

// Smooth colour, shapes and sensor noise, which the JPEG encoder compresses about as it does a
// phone's photo of a page (4000 × 3000 at quality 90: 5 to 6 MB). The same every run.
QImage photoContent(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(2024);
    {
        QPainter painter(&image);
        QLinearGradient sky(0, 0, size.width(), size.height());
        sky.setColorAt(0, QColor(70, 110, 170));
        sky.setColorAt(1, QColor(230, 210, 160));
        painter.fillRect(image.rect(), sky);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 400; ++i) {
            painter.setBrush(QColor::fromRgb(random.generate()));
            painter.setPen(QPen(QColor::fromRgb(random.generate()), 1 + random.bounded(8)));
            int d = size.width() / 40 + random.bounded(size.width() / 8);
            painter.drawEllipse(random.bounded(size.width()), random.bounded(size.height()), d, d);
        }
    }
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            int noise = static_cast<int>(random.bounded(25u)) - 12;
            line[x] = qRgb(std::clamp(qRed(line[x]) + noise, 0, 255),
                           std::clamp(qGreen(line[x]) + noise, 0, 255),
                           std::clamp(qBlue(line[x]) + noise, 0, 255));
        }
    }
    return image;
}

void benchPreview() {
    // A phone's portrait shot of a page: 12 megapixels stored sideways with its orientation tag.
    QTemporaryDir dir;
    const std::string name = "IMG_0001.JPG";
    const QString photo = dir.filePath(QString::fromStdString(name));
    test::writePhoto(photo.toStdString(), photoContent({4000, 3000}), 6);

    // Selecting the name runs the list click once, before the clock runs.
    Form1 window(dir.path().toStdString());
    Form& form = window.form();
    form.selectedPath = dir.path().toStdString();
    form.List1.AddItems({name});
    auto* list = window.findChild<QtListBox*>("List1");
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
    auto* preview = window.findChild<QtPictureBox*>("Image1");

    // Ours and the baseline take turns, so a busy moment of the machine hits both alike. The
    // toolkit's reader turns the photo upright by itself.
    double ours = 1e300;
    double decode = 1e300;
    QSize decoded;
    for (int run = 0; run < 5; ++run) {
        ours = std::min(ours, bestSeconds(1, [&] { List1_Click(form); }));
        decode =
            std::min(decode, bestSeconds(1, [&] { decoded = QImageReader(photo).read().size(); }));
    }
    QSize shown = preview->picture().size();
    if (shown != preview->size() || decoded != QSize(3000, 4000)) {
        std::fprintf(stderr, "preview_vs_full_decode: preview %dx%d, full decode %dx%d\n",
                     shown.width(), shown.height(), decoded.width(), decoded.height());
    }
    report("preview_vs_full_decode", ours, decode);
}

}  // namespace veltrana::bench
