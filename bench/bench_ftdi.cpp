// The USB converter transport over the fake converter library: CPU used by an open, idle
// link (its reader thread waits on the library's event), and the time from a write to the
// data-received notification on the reader thread for bytes the converter wires back.
//
// The fake library is VALDRIX_FAKE_D2XX, or else the one this build made for it.
#include "bench/bench_support.h"
#include "framework/uci_CiEventers.h"
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx_control.h"
#include "transports/ftdi/uci_FTDIdirect.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <thread>

namespace {

constexpr const char* Serial = "BENCH001";

std::string FakeLibraryPath()
{
    if (const char* path = std::getenv("VALDRIX_FAKE_D2XX"); path && *path) return path;
    return VALDRIX_FAKE_D2XX_PATH;
}

// The binding bound to the fake library with one wired-back converter.
class TBenchConverter {
public:
    TBenchConverter()
    {
        const std::string path = FakeLibraryPath();
        ::setenv("VALDRIX_D2XX_LIBRARY", path.c_str(), 1);
        BindFTDILibrary();
        FControl = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!FControl) return;
        reinterpret_cast<TFakeD2xxAddConverter>(::dlsym(FControl, "FakeD2xxAddConverter"))(Serial, "Bench");
    }
    ~TBenchConverter()
    {
        TFTDIDeviceThread::WaitForAllEnded(5000);
        if (FControl) {
            reinterpret_cast<TFakeD2xxClearConverters>(::dlsym(FControl, "FakeD2xxClearConverters"))();
            ::dlclose(FControl);
        }
        ReleaseFTDILibrary();
    }
    bool Ready() const { return FControl != nullptr; }

private:
    void* FControl = nullptr;
};

IntfPtr<TFTDIDevice> OpenDevice()
{
    IntfPtr<TFTDIDevice> device = MakeObj<TFTDIDevice>();
    device->SetConfiguration(std::string("serial_number=") + Serial + ";active=1");
    return device;
}

void BM_FTDIIdleOpenLinkCpu(benchmark::State& state)
{
    TBenchConverter converter;
    IntfPtr<TFTDIDevice> device = converter.Ready() ? OpenDevice() : nullptr;
    if (!device || !device->IsOpen()) {
        state.SkipWithError("the fake converter library cannot be loaded");
        return;
    }
    for (auto _ : state) {
        state.counters["cpu_ms_per_s"] =
            IdleCpuMsPerSecond(std::chrono::seconds(3), [](auto time) { std::this_thread::sleep_for(time); });
    }
    device->Close(false);
}
BENCHMARK(BM_FTDIIdleOpenLinkCpu)->Iterations(1)->Unit(benchmark::kSecond);

// Counts the bytes the reader thread announces.
class TArrivals {
public:
    void OnDataRcv(ICommunicationInterface* sender)
    {
        std::string bytes;
        sender->Receive(bytes);
        {
            std::lock_guard lock(FLock);
            FCount += bytes.size();
        }
        FChanged.notify_all();
    }
    void WaitFor(size_t count)
    {
        std::unique_lock lock(FLock);
        FChanged.wait(lock, [&] { return FCount >= count; });
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    size_t FCount = 0;
};

void BM_FTDIWriteToNotification(benchmark::State& state)
{
    TBenchConverter converter;
    IntfPtr<TFTDIDevice> device = converter.Ready() ? OpenDevice() : nullptr;
    if (!device || !device->IsOpen()) {
        state.SkipWithError("the fake converter library cannot be loaded");
        return;
    }
    TArrivals arrivals;
    device->SetOnDataRcv(TCiNotifyEvent::Bind<&TArrivals::OnDataRcv>(&arrivals));
    const std::string request(16, '\x5A');
    size_t sent = 0;
    for (auto _ : state) {
        device->Send(request);
        sent += request.size();
        arrivals.WaitFor(sent);
    }
    device->SetOnDataRcv(TCiNotifyEvent());
    device->Close(false);
}
BENCHMARK(BM_FTDIWriteToNotification)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
