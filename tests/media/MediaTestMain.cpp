#include <QGuiApplication>

#include <gtest/gtest.h>

// Images are read and made through Qt's image plugins, which need an application object.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
