#pragma once

#include <QImage>
#include <QLabel>
#include <QListView>
#include <QStringListModel>
#include <QWidget>

#include "platform/controls.h"

namespace veltrana {

// Decodes the picture in file upright, as the phone showed it (its EXIF orientation applied), at
// size or, with fit, at the largest size of its own shape within size: the decoder then skips
// most of the work for a large photo. A null image when it cannot be decoded; error says why.
QImage decodeUpright(const QString& file, QSize size, bool fit, QString& error);

class QtLabel : public QLabel, public Label {
public:
    explicit QtLabel(QWidget* parent = nullptr);
    std::string Caption() const override;
    void setCaption(const std::string& caption) override;
};

// List1: single selection, items in the order they were added. One model reset per fill, so a
// folder of twenty thousand files lists at once.
class QtListBox : public QListView, public ListBox {
    Q_OBJECT
public:
    explicit QtListBox(QWidget* parent = nullptr);
    void Clear() override;
    void AddItems(const std::vector<std::string>& items) override;
    std::string Text() const override;

signals:
    // The list's click, as a list box has it on the classic platform: the selection moved, by
    // the mouse or the arrow keys, or the mouse clicked the item already selected.
    void chosen();

protected:
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setNames(const QStringList& names);

    QStringListModel model_;
    bool pressedOnSelected_ = false;
};

// Image1: draws its picture over its whole area, whatever the picture's shape, and reports a
// left click. The picture is kept at the size of the control, so painting copies it as it is.
class QtPictureBox : public QWidget, public PictureBox {
    Q_OBJECT
public:
    explicit QtPictureBox(QWidget* parent = nullptr);
    void loadPicture(const std::string& path) override;
    void clearPicture() override;
    const QImage& picture() const { return picture_; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

}  // namespace veltrana
