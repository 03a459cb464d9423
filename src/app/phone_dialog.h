#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <functional>
#include <memory>
#include <thread>

#include "model/class_model.h"
#include "phone/firewall_advice.h"
#include "phone/server.h"
#include "platform/firewall.h"
#include "platform/form.h"
#include "platform/network.h"

namespace veltrana {

// "手机上传": the QR code of the upload page, its address, a choice of address when the computer
// has several, what the firewall does to phones, and the files as they arrive. The server runs
// while the dialog is open. When no phone has found the page a while after the code was shown,
// a checklist says what usually keeps phones out.
class PhoneDialog : public QDialog {
public:
    // readClass gives the class as it is now, each time the server starts.
    PhoneDialog(Form& form, std::function<ClassModel()> readClass, QWidget* parent,
                std::unique_ptr<Firewall> firewall = systemFirewall());
    ~PhoneDialog() override;

    // Starts serving, with the window's selected node as the page's default, and shows the page's
    // address on the first of addresses. Does nothing while the server runs.
    void start(const std::vector<NetworkAddress>& addresses);

protected:
    void done(int result) override;

private:
    void showAddress(int index);
    void showFirewall();
    void allowPhones();
    void arrived(const PhoneArrival& arrival);
    // Stops the server on a thread of its own, so that a phone that stalls mid-file cannot hold
    // up the window while its connection times out.
    void stopServer();

    Form& form_;
    const std::function<ClassModel()> readClass_;
    QLabel* qrCode_;
    QLabel* address_;
    QComboBox* addresses_;
    QLabel* firewallText_;
    QPushButton* allowPhones_;
    QPushButton* copyCommand_;
    QLabel* checklist_;
    QTimer* noPhone_;
    QTableWidget* arrivals_;
    const std::unique_ptr<Firewall> firewall_;
    const std::string program_;
    FirewallAdvice advice_;
    std::vector<NetworkAddress> shown_;
    std::unique_ptr<PhoneServer> server_;
    int port_ = 0;
    std::thread stopping_;
};

}  // namespace veltrana
