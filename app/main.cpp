#include "MigrationWindow.h"
#include "ProcessProtection.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    // Passwords are typed into it or read by it.
    kestrel::protectProcessMemory();
    QApplication application(argc, argv);
    // The window speaks Chinese; so do Qt's own buttons ("是", "否", "显示详细信息...") when
    // Qt's translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    kestrel::MigrationWindow window;
    window.show();
    return application.exec();
}
