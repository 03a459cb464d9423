#include "app/phone_dialog.h"

#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qr_code.h"
#include "phone/catalogue.h"
#include "platform/error.h"
#include "tree/node_click.h"

namespace veltrana {

namespace {

// A version-4 code (the page's address is about 60 characters) is 41 modules with its quiet
// zone: 7 pixels a module make it 287 pixels, which a phone reads from half a metre.
constexpr int kModulePixels = 7;

QString sizeText(std::uint64_t bytes) {
    if (bytes < (1 << 20)) {
        return QString::number((bytes + 1023) >> 10) + " KB";
    }
    return QString::number(static_cast<double>(bytes) / (1 << 20), 'f', 1) + " MB";
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

PhoneDialog::PhoneDialog(Form& form, std::function<ClassModel()> readClass, QWidget* parent)
    : QDialog(parent), form_(form), readClass_(std::move(readClass)) {
    setObjectName("PhoneDialog");
    setWindowTitle("手机上传");
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel(
        "用手机的相机或微信扫描二维码，在打开的网页上选择学生、课程和知识点，再选择照片或拍照上传。"
        "手机要和这台电脑连接同一个无线网络；关闭本窗口后链接即失效。",
        this);
    help->setWordWrap(true);
    layout->addWidget(help);
    qrCode_ = new QLabel(this);
    qrCode_->setObjectName("QrCode");
    qrCode_->setAlignment(Qt::AlignCenter);
    qrCode_->setMinimumSize(300, 300);
    layout->addWidget(qrCode_);
    address_ = new QLabel(this);
    address_->setObjectName("Address");
    address_->setAlignment(Qt::AlignCenter);
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(address_);
    addresses_ = new QComboBox(this);
    addresses_->setObjectName("Addresses");
    addresses_->setToolTip("这台电脑有几个网络时，选择手机所连接的那一个");
    layout->addWidget(addresses_);
    connect(addresses_, &QComboBox::currentIndexChanged, this, &PhoneDialog::showAddress);
    arrivals_ = new QTableWidget(0, 4, this);
    arrivals_->setObjectName("Arrivals");
    arrivals_->setHorizontalHeaderLabels({"文件", "位置", "大小", "状态"});
    arrivals_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    arrivals_->verticalHeader()->hide();
    arrivals_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    arrivals_->setMinimumHeight(160);
    layout->addWidget(arrivals_);
    auto* close = new QPushButton("关闭", this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(560, 720);
}

PhoneDialog::~PhoneDialog() {
    stopServer();
    if (stopping_.joinable()) {
        stopping_.join();
    }
}

void PhoneDialog::start(const std::vector<NetworkAddress>& addresses) {
    if (server_) {
        return;
    }
    std::vector<std::string> selected;
    try {
        selected = form_.TreeView1.selectedNodeTexts();
    } catch (const Error&) {
        // nothing selected: the teacher chooses on the phone
    }
    if (!selected.empty()) {
        selected.erase(selected.begin());  // the class itself
    }
    auto server = std::make_unique<PhoneServer>(
        form_.fileSystem, form_.appPath, phoneCatalogue(readClass_(), selected),
        [this](const PhoneArrival& arrival) {
            QMetaObject::invokeMethod(
                this, [this, arrival] { arrived(arrival); }, Qt::QueuedConnection);
        });
    port_ = server->start("0.0.0.0");
    server_ = std::move(server);
    arrivals_->setRowCount(0);
    shown_ = addresses;
    QSignalBlocker quiet(addresses_);
    addresses_->clear();
    for (const NetworkAddress& address : shown_) {
        addresses_->addItem(qs(address.interfaceName + "：" + address.address));
    }
    addresses_->setEnabled(shown_.size() > 1);
    showAddress(0);
}

void PhoneDialog::showAddress(int index) {
    if (!server_ || index < 0 || static_cast<std::size_t>(index) >= shown_.size()) {
        qrCode_->setPixmap({});
        qrCode_->setText("这台电脑没有连接到局域网。\n请先连接无线网络或网线，再打开“手机上传”。");
        address_->clear();
        return;
    }
    const std::string url = "http://" + shown_[static_cast<std::size_t>(index)].address + ":" +
                            std::to_string(port_) + server_->pagePath();
    qrCode_->setPixmap(QPixmap::fromImage(qrCode(url, kModulePixels)));
    address_->setText(qs(url));
}

void PhoneDialog::arrived(const PhoneArrival& arrival) {
    const int row = arrivals_->rowCount();
    arrivals_->insertRow(row);
    const QString state = arrival.failure.empty() ? "已完成" : qs("失败：" + arrival.failure);
    const QStringList cells{qs(arrival.name), qs(arrival.target), sizeText(arrival.bytes), state};
    for (int column = 0; column < cells.size(); ++column) {
        auto* cell = new QTableWidgetItem(cells[column]);
        cell->setToolTip(cells[column]);
        arrivals_->setItem(row, column, cell);
    }
    arrivals_->scrollToBottom();
    if (arrival.failure.empty() && !arrival.folder.empty() &&
        arrival.folder == form_.selectedPath) {
        try {
            ListNodeFiles(form_);
        } catch (const Error&) {
            // the folder went away since the node was clicked; the next click says so
        }
    }
}

void PhoneDialog::done(int result) {
    stopServer();
    QDialog::done(result);
}

void PhoneDialog::stopServer() {
    if (!server_) {
        return;
    }
    if (stopping_.joinable()) {
        stopping_.join();
    }
    stopping_ = std::thread([server = std::move(server_)] { server->stop(); });
}

}  // namespace veltrana
