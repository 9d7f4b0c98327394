#include "app/uTesterLanguage.h"
#include "tests/support/pinned_fonts.h"

#include <QApplication>

#include <gtest/gtest.h>

// GoogleTest with an application object, so that tests can create and drive real widgets.
// The windows speak Czech, whatever language the machine's desktop asks for; tests of
// another language install it for themselves.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PinTestFonts();
    InstallTesterLanguage(TTesterLanguage::Czech);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
