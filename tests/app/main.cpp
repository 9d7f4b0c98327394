#include "tests/support/pinned_fonts.h"

#include <QApplication>

#include <gtest/gtest.h>

// GoogleTest with an application object, so that tests can create and drive real widgets.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PinTestFonts();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
