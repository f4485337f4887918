// The program's one window: shows the device object's state and forwards the
// user's actions to it.
#pragma once

#include <QMainWindow>

class Logger;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

private:
    Logger* logger = nullptr;
};
