// valdrix-sim: a simulated Valdrix module for the tester and the test suites.
#include "framework/uExceptions.h"
#include "sim/SimOptions.h"
#include "sim/SimPtyLink.h"
#include "sim/SimRouter.h"
#include "sim/SimTcpLink.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

volatile std::sig_atomic_t StopRequested = 0;

void RequestStop(int) { StopRequested = 1; }

std::string Hex(uint8_t value)
{
    char text[8];
    snprintf(text, sizeof text, "0x%02X", unsigned(value));
    return text;
}

int Run(const TSimOptions& options)
{
    std::vector<TSimModule> modules;
    std::string addresses;
    for (int index = 0; index < options.Modules; ++index) {
        modules.emplace_back(uint8_t(options.Address + index), options.Static, options.Signals, index);
        modules.back().Identification = options.Identification;
        modules.back().FitJig(TSimJig(options.Jig, options.Faults.Seed + uint32_t(index)));
        addresses += (index ? "," : "") + Hex(modules.back().Address);
    }
    TSimFaults faults(options.Faults);
    TSimLoop loop;
    TSimRouter router(modules, faults, loop, options.Verbose);
    std::vector<std::unique_ptr<TSimLink>> links;
    auto add = [&](std::unique_ptr<TSimLink> link) -> std::string {
        router.AddLink(*link);
        loop.AddSource(*link);
        links.push_back(std::move(link));
        return links.back()->Describe();
    };

    std::string ready = "valdrix-sim ready";
    ready += " tcp=" + (options.Tcp ? add(std::make_unique<TSimTcpLink>(TSimSide::Main, router, options.Host,
                                                                         uint16_t(options.Port)))
                                    : std::string("off"));
    ready += " rs485=" + (options.BusTcp ? add(std::make_unique<TSimTcpLink>(TSimSide::Bus, router, options.Host,
                                                                              uint16_t(options.EffectiveBusPort())))
                                         : std::string("off"));
    ready += " address=" + addresses;
    if (!options.Pty.empty()) ready += " pty=" + add(std::make_unique<TSimPtyLink>(TSimSide::Main, router, options.Pty));
    if (!options.BusPty.empty())
        ready += " rs485-pty=" + add(std::make_unique<TSimPtyLink>(TSimSide::Bus, router, options.BusPty));

    printf("%s\n", ready.c_str());
    fflush(stdout);
    while (!StopRequested) loop.RunOnce(200);
    // What a test that injected faults compares the failures it saw with.
    const TSimFaultCounts& counts = faults.Counts();
    printf("valdrix-sim stopped answers=%llu dropped=%llu corrupted=%llu\n", (unsigned long long)counts.Answers,
           (unsigned long long)counts.Dropped, (unsigned long long)counts.Corrupted);
    return 0;
}

}

int main(int argc, char** argv)
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, RequestStop);
    signal(SIGTERM, RequestStop);
    TSimOptions options;
    if (const auto status = ParseSimOptions(argc, argv, options)) return *status;
    try {
        return Run(options);
    } catch (const Exception& e) {
        fprintf(stderr, "valdrix-sim: %s\n", e.Message().c_str());
        return 2;
    }
}
