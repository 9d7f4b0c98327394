#include <QCoreApplication>

#include <gtest/gtest.h>

// GoogleTest with an application object: the sessions report to this thread's event loop.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
