// Window construction.
#include "app/mainwindow.h"

#include "app/logger.h"
#include "app/version.h"
#include "device/torveldrv.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(VersionString + QStringLiteral(" - No device connected"));
    Torvel.StartTimers();
    logger = new Logger(this, QStringLiteral("log.txt"), nullptr);
    Torvel.logger = logger;
    logger->write(QStringLiteral("Application started: ") + VersionString);
}

MainWindow::~MainWindow() = default;
