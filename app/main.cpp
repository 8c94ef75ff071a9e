#include <QApplication>

#include "app/f_main.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tabulon");
    TMain Main;
    Main.show();
    return app.exec();
}
