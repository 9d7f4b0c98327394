// Support for the USB converter transport tests: the process's binding bound to the fake
// converter library (VALDRIX_FAKE_D2XX, or the libftdi1 stand-in VALDRIX_FAKE_LIBFTDI1
// when the fixture sets FOverFtdi1), its control functions, and recorders for the
// transport's notifications, which arrive on the reader thread.
#pragma once

#include "framework/uci_CiEventers.h"
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx_control.h"
#include "transports/ftdi/uci_FTDIdirect.h"

#include <gtest/gtest.h>

#include <chrono>
#include <dlfcn.h>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a transport reported.
struct TFTDIRecord {
    std::string Received;            // bytes read by the data-received handler
    std::vector<std::string> Errors; // "operation" or "operation:first detail"
    int Closes = 0;
    int ConfigChanges = 0;
    std::thread::id DataThread; // where the data-received handler ran last
};

// Records a transport's reports, which arrive on the reader thread as well.
class TFTDIRecorder {
public:
    void Watch(ICommunicationInterface& intf);

    // Waits (up to a generous bound) until pred(record) holds.
    template <class Pred>
    bool WaitFor(Pred pred, int timeoutMs = 5000)
    {
        std::unique_lock lock(FLock);
        return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pred(FRecord); });
    }
    TFTDIRecord Snapshot();

private:
    void OnDataRcv(ICommunicationInterface* sender);
    void OnClose(ICommunicationInterface* sender);
    void OnError(ICommunicationInterface* sender, const std::string& operation, const TCiErrorDetails& details,
                 uint32_t code);
    void OnConfigChanged(ICommunicationInterface* sender);
    template <class Change>
    void Update(Change change);

    std::mutex FLock;
    std::condition_variable FChanged;
    TFTDIRecord FRecord;
};

class FTDIDeviceTest : public ::testing::Test {
protected:
    static constexpr const char* LoopSerial = "FTLOOP01";
    static constexpr const char* OtherSerial = "FTLOOP02";

    void SetUp() override;
    void TearDown() override;

    // Binds the process's binding to the library at path (absent paths included).
    void BindLibrary(const std::string& path);
    // Binds it to libftdi1 at path, the vendor library being absent.
    void BindFtdi1(const std::string& path);
    template <class F>
    F Control(const char* name)
    {
        auto function = reinterpret_cast<F>(::dlsym(FControl, name));
        EXPECT_NE(function, nullptr) << name;
        return function;
    }
    IntfPtr<TFTDIDevice> NewDevice(const std::string& connection);
    TFakeLineSettings LineSettings(const char* serialNumber);
    int OpenCount(const char* serialNumber);
    // Whether the library lists converter i as held by a handle.
    bool ConverterHeld(uint32_t index);

    TFTDIRecorder FRecorder;
    void* FControl = nullptr;
    // Set by fixtures that reach the fake converters through the libftdi1 stand-in.
    bool FOverFtdi1 = false;
};
