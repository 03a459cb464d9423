#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include "app/form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Without a Chinese font every caption is a row of boxes. The fonts beside the program fill
    // in only then, so a desktop's own choice of Chinese font keeps its place.
    if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty()) {
        QDir fonts(QCoreApplication::applicationDirPath() + "/fonts");
        for (const QString& font : fonts.entryList({"*.ttc", "*.ttf", "*.otf"}, QDir::Files)) {
            QFontDatabase::addApplicationFont(fonts.filePath(font));
        }
    }
    // The platform's dialogs (file dialog, message and input boxes) speak Chinese like the rest
    // of the window, whatever the desktop's language.
    QTranslator qtTexts;
    if (qtTexts.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTexts);
    }
    // The program's folder in the platform's own spelling, as every path of the program starts.
    veltrana::Form1 window(
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString());
    window.load();
    // Windows knows the frame of the window it has made before showing it; the window fits with
    // its frame from the start.
    window.winId();
    window.fitToScreen();
    window.show();
    // Questions after a failed start-up come over the window, once it is on screen; by then a
    // window manager has framed it, and the frame must fit too.
    QTimer::singleShot(0, &window, [&window] {
        window.fitToScreen();
        window.shown();
    });
    return app.exec();
}
