#include "platform/qt/qt_controls.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>

#include "platform/error.h"

namespace veltrana {

QtLabel::QtLabel(QWidget* parent) : QLabel(parent) {
    // A label keeps its size; a long caption wraps and what does not fit is cut off, so the
    // whole caption is in the tooltip and can be selected and copied.
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Captions carry names from the database, which are text, never markup.
    setTextFormat(Qt::PlainText);
}

std::string QtLabel::Caption() const {
    return text().toStdString();
}

void QtLabel::setCaption(const std::string& caption) {
    QString text = QString::fromStdString(caption);
    setText(text);
    // A tooltip takes anything that looks like markup as markup; this one is markup made from
    // the plain text, so it shows the caption as it is and wraps a long one.
    setToolTip(text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
}

QtListBox::QtListBox(QWidget* parent) : QListView(parent), model_(this) {
    setModel(&model_);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setUniformItemSizes(true);
    connect(this, &QListView::clicked, this, [this] {
        if (pressedOnSelected_) {
            emit chosen();
        }
    });
}

void QtListBox::Clear() {
    setNames({});
}

void QtListBox::AddItems(const std::vector<std::string>& items) {
    QStringList names = model_.stringList();
    names.reserve(names.size() + static_cast<qsizetype>(items.size()));
    for (const auto& item : items) {
        names.append(QString::fromStdString(item));
    }
    setNames(names);
}

std::string QtListBox::Text() const {
    QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? std::string() : selected.front().data().toString().toStdString();
}

void QtListBox::setNames(const QStringList& names) {
    const QSignalBlocker noClick(this);  // the selection goes with the old names, unclicked
    model_.setStringList(names);
}

void QtListBox::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QListView::selectionChanged(selected, deselected);
    pressedOnSelected_ = false;  // this press has had its click
    emit chosen();
}

void QtListBox::mousePressEvent(QMouseEvent* event) {
    pressedOnSelected_ = selectionModel()->isSelected(indexAt(event->position().toPoint()));
    QListView::mousePressEvent(event);
}

QImage decodeUpright(const QString& file, QSize size, bool fit, QString& error) {
    QImageReader reader(file);
    reader.setAutoTransform(true);
    // Decoded at the size it is shown, a photo never needs the memory that a whole decode of a
    // 50-megapixel one would (192 MB, more than the toolkit allows an image by default). The
    // size applies before the orientation does.
    bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    if (fit && reader.size().isValid()) {
        QSize upright = turned ? reader.size().transposed() : reader.size();
        size = upright.scaled(size, Qt::KeepAspectRatio).boundedTo(upright).expandedTo({1, 1});
    }
    reader.setScaledSize(turned ? size.transposed() : size);
    QImage picture = reader.read();
    if (picture.isNull()) {
        error = reader.errorString();
    }
    return picture;
}

QtPictureBox::QtPictureBox(QWidget* parent) : QWidget(parent) {}

void QtPictureBox::loadPicture(const std::string& path) {
    QString file = QString::fromStdString(path);
    if (!QFileInfo(file).isFile()) {
        throw Error(err::kFileNotFound, "文件未找到：" + path);
    }
    QSize shown = (QSizeF(size()) * devicePixelRatioF()).toSize().expandedTo({1, 1});
    QString error;
    QImage picture = decodeUpright(file, shown, false, error);
    if (picture.isNull()) {
        throw Error(err::kInvalidPicture, "无效图片：" + path + "（" + error.toStdString() + "）");
    }
    picture.setDevicePixelRatio(devicePixelRatioF());
    picture_ = picture;
    update();
}

void QtPictureBox::clearPicture() {
    picture_ = QImage();
    update();
}

void QtPictureBox::paintEvent(QPaintEvent*) {
    if (!picture_.isNull()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture_);
    }
}

void QtPictureBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

}  // namespace veltrana
