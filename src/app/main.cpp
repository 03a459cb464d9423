#include <QApplication>
#include <QDir>

#include "app/form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program's folder in the platform's own spelling, as every path of the program starts.
    veltrana::Form1 window(
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString());
    window.load();
    window.show();
    return app.exec();
}
