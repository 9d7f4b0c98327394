// With widgets the transports' setup dialogs are installed, as the application does.
#include "tests/transports/test_main.h"
#include "transports/gui/uTransportDialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    RegisterTransportDialogs();
    return RunTransportTests<QApplication>(argc, argv);
}
