// Program entry: the application object with its name, icon and high-DPI
// settings, the one window and its message boxes.
#include "app/app_identity.h"
#include "app/high_dpi.h"
#include "app/mainwindow.h"
#include "app/message_boxes.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    app::enableHighDpi();
    QApplication app(argc, argv);
    appIdentity::apply();
    MainWindow window;
    dialogs::MessageBoxes boxes(&window);
    dialogs::setAnswerer(&boxes);
    window.show();
    const int result = app.exec();
    dialogs::setAnswerer(nullptr);
    return result;
}
