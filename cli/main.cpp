#include "Cli.h"
#include "ProcessProtection.h"
#include "Version.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    // Passwords are typed into it or read by it.
    kestrel::protectProcessMemory();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));
    // Qt's own texts (the option parser's errors, --help's first lines) in Chinese, as the window's
    // buttons are, when Qt's translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    return kestrel::runCommandLine(QCoreApplication::arguments());
}
