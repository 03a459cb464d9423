// veltrana-icons DIR SIZE...   writes the program's alarm clock as DIR/<SIZE>x<SIZE>/veltrana.png
//                              for each size, as a desktop's icon folders lay them out
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <iostream>

#include "app/pictures.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "用法：veltrana-icons DIR SIZE...\n";
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString(argv[i]).toInt();
        const QString file = QString("%1/%2x%2/veltrana.png").arg(dir).arg(size);
        if (size <= 0 || !QDir().mkpath(QFileInfo(file).path()) ||
            !veltrana::alarmClockImage(size).save(file)) {
            std::cerr << "无法写入 " << file.toStdString() << '\n';
            return 1;
        }
    }
    return 0;
}
