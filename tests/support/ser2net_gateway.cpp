#include "tests/support/ser2net_gateway.h"

#include "tests/support/loopback_socket.h"
#include "tests/support/pump_until.h"

#include <fstream>

namespace {

bool Accepts(int port)
{
    bool ok = false;
    ::close(ConnectLoopback(uint16_t(port), ok));
    return ok;
}

} // namespace

TSer2netGateway::TSer2netGateway(const std::string& dir, const std::string& device)
    : FConfig(dir + "/ser2net.yaml"), FPort(UnusedLoopbackPort())
{
    std::ofstream(FConfig) << "connection: &m\n"
                           << "  accepter: tcp,127.0.0.1," << FPort << "\n"
                           << "  connector: serialdev," << device << ",115200n81,local\n";
    Restart();
}

void TSer2netGateway::Restart()
{
    FProcess = std::make_unique<TRunningProgram>(Ser2netProgram, std::vector<std::string>{"-d", "-u", "-c", FConfig});
    FReady = PumpUntil([&] { return Accepts(FPort); });
}
