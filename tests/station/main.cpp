#include "transports/uTransports.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// GoogleTest with an application object and the transports registered: the runs go
// over real links to the module simulator.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RegisterTransports();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
