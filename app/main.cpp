#include "MigrationWindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    kestrel::MigrationWindow window;
    window.show();
    return application.exec();
}
