#include "app/f_main.h"

TMain::TMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Main");
    setWindowTitle("Tabulon");
    resize(900, 640);
}
