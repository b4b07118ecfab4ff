#include "MessageBox.h"

#include <QApplication>

#include <gtest/gtest.h>

// GUI tests need an application object; they run offscreen and never show a real
// message box unless a test asks for one.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    kestrel::MessageBox::setRecordOnly(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
