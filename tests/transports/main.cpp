#include "tests/transports/test_main.h"

#include <QCoreApplication>

int main(int argc, char** argv) { return RunTransportTests<QCoreApplication>(argc, argv); }
