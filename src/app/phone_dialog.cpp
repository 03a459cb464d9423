#include "app/phone_dialog.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "app/qr_code.h"
#include "phone/catalogue.h"
#include "platform/error.h"
#include "tree/node_click.h"

namespace veltrana {

namespace {

// A version-4 code (the page's address is about 60 characters) is 41 modules with its quiet
// zone: 6 pixels a module make it 246 pixels, which a phone reads from half a metre and which
// leaves the dialog room on a small laptop at 175 % scaling.
constexpr int kModulePixels = 6;

// How long after the code is shown a phone usually has the page open; later, something is in
// the way.
constexpr std::chrono::seconds kNoPhoneWait{20};

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

PhoneDialog::PhoneDialog(Form& form, std::function<ClassModel()> readClass, QWidget* parent,
                         std::unique_ptr<Firewall> firewall)
    : QDialog(parent),
      form_(form),
      readClass_(std::move(readClass)),
      firewall_(std::move(firewall)),
      program_(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString()) {
    setObjectName("PhoneDialog");
    setWindowTitle("手机上传");
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel(
        "扫描二维码后，在打开的网页上选择学生、课程和知识点，再选择照片或拍照上传。"
        "手机要和这台电脑连接同一个无线网络；关闭本窗口后链接即失效。",
        this);
    help->setWordWrap(true);
    layout->addWidget(help);
    qrCode_ = new QLabel(this);
    qrCode_->setObjectName("QrCode");
    qrCode_->setAlignment(Qt::AlignCenter);
    qrCode_->setMinimumSize(256, 256);
    auto* scan = new QHBoxLayout;
    scan->addWidget(qrCode_);
    // WeChat's own browser may refuse a page on an address of the local network.
    auto* scanHint = new QLabel(
        "用手机相机或微信“扫一扫”扫描二维码。\n\n在微信中打开后，请点右上角“…”，"
        "选择“在浏览器打开”：微信自带的浏览器可能打不开这个网页。",
        this);
    scanHint->setObjectName("ScanHint");
    scanHint->setWordWrap(true);
    scanHint->setMaximumWidth(180);
    scan->addWidget(scanHint);
    layout->addLayout(scan);
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
    firewallText_ = new QLabel(this);
    firewallText_->setObjectName("Firewall");
    firewallText_->setWordWrap(true);
    firewallText_->setStyleSheet("color: #b00000");
    layout->addWidget(firewallText_);
    auto* firewallActions = new QHBoxLayout;
    allowPhones_ = new QPushButton("允许手机连接…", this);
    allowPhones_->setObjectName("AllowPhones");
    allowPhones_->setToolTip("在防火墙中允许手机连接本程序，需要管理员确认");
    connect(allowPhones_, &QPushButton::clicked, this, &PhoneDialog::allowPhones);
    copyCommand_ = new QPushButton("复制命令", this);
    copyCommand_->setObjectName("CopyCommand");
    copyCommand_->setToolTip(
        "复制添加防火墙规则的命令，交给学校的网络管理员在管理员命令提示符中运行");
    connect(copyCommand_, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(qs(advice_.command)); });
    firewallActions->addWidget(allowPhones_);
    firewallActions->addWidget(copyCommand_);
    firewallActions->addStretch();
    layout->addLayout(firewallActions);
    checklist_ = new QLabel(this);
    checklist_->setObjectName("Checklist");
    checklist_->setWordWrap(true);
    checklist_->hide();
    layout->addWidget(checklist_);
    noPhone_ = new QTimer(this);
    noPhone_->setObjectName("NoPhoneTimer");
    noPhone_->setSingleShot(true);
    noPhone_->setInterval(kNoPhoneWait);
    connect(noPhone_, &QTimer::timeout, this, [this] {
        if (server_ && !server_->reached()) {
            checklist_->setText(
                qs("手机还没有打开网页，请检查：\n"
                   "1. 手机和电脑连接的是同一个无线网络（手机不要只用移动数据）；\n"
                   "2. 不要用访客网络：访客网络不让手机和电脑互相连接；\n"
                   "3. 用微信扫描的，请点右上角“…”，选择“在浏览器打开”；\n"
                   "4. " +
                   advice_.text));
            checklist_->show();
        }
    });
    arrivals_ = new QTableWidget(0, 4, this);
    arrivals_->setObjectName("Arrivals");
    arrivals_->setHorizontalHeaderLabels({"文件", "位置", "大小", "状态"});
    arrivals_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    arrivals_->verticalHeader()->hide();
    arrivals_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    arrivals_->setMinimumHeight(100);
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
    showFirewall();
    checklist_->hide();
    noPhone_->start();
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

void PhoneDialog::showFirewall() {
    advice_ = firewallAdvice(firewall_->state(program_, port_), port_, program_);
    firewallText_->setText(qs(advice_.text));
    firewallText_->setVisible(advice_.inTheWay);
    allowPhones_->setVisible(!advice_.command.empty());
    copyCommand_->setVisible(!advice_.command.empty());
}

void PhoneDialog::allowPhones() {
    const bool done = firewall_->runAsAdministrator(advice_.command);
    showFirewall();
    if (!done) {
        firewallText_->setText("没有添加防火墙规则（需要管理员确认）。" + firewallText_->text());
        firewallText_->show();
    }
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
    noPhone_->stop();
    if (!server_) {
        return;
    }
    if (stopping_.joinable()) {
        stopping_.join();
    }
    stopping_ = std::thread([server = std::move(server_)] { server->stop(); });
}

}  // namespace veltrana
