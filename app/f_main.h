// The main window. For now a bare window; the database session, the
// structure tree and the designers join it as they are built.
#pragma once

#include <QMainWindow>

class TMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TMain(QWidget* parent = nullptr);
};
