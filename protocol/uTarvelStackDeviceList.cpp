#include "protocol/uTarvelStackDeviceList.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct TDeviceRegistry {
    std::vector<IInterface*> Devices; // not owned
    TevnterTarvelDeviceListChanged Changed;
};

// Built on first use and never destroyed, so devices made or dropped by static objects
// at start-up or shut-down still find it (or find it finalized).
struct TRegistryHolder {
    std::mutex Mutex;
    std::shared_ptr<TDeviceRegistry> Registry = std::make_shared<TDeviceRegistry>();
};

TRegistryHolder& Holder()
{
    static auto* holder = new TRegistryHolder;
    return *holder;
}

std::shared_ptr<TDeviceRegistry> CurrentRegistry()
{
    std::lock_guard lock(Holder().Mutex);
    return Holder().Registry;
}

IntfPtr<IInterfaceList> ListOf(const std::vector<IInterface*>& devices)
{
    std::vector<IntfPtr<IInterface>> items(devices.begin(), devices.end());
    return MakeObj<TInterfaceList>(std::move(items));
}

// Changes the list and builds the notification under the lock; fires outside it.
template <class Change>
bool ChangeAndNotify(Change change)
{
    IntfPtr<IInterfaceList> list;
    std::shared_ptr<TDeviceRegistry> registry;
    {
        std::lock_guard lock(Holder().Mutex);
        registry = Holder().Registry;
        if (!registry || !change(registry->Devices)) return false;
        list = ListOf(registry->Devices);
    }
    registry->Changed.Fire(list.get());
    return true;
}

} // namespace

TevnterTarvelDeviceListChanged* DeviceListChanged()
{
    const auto registry = CurrentRegistry();
    return registry ? &registry->Changed : nullptr;
}

bool RegisterDevice(IInterface* device)
{
    return ChangeAndNotify([device](std::vector<IInterface*>& devices) {
        devices.push_back(device);
        return true;
    });
}

bool UnregisterDevice(IInterface* device)
{
    return ChangeAndNotify([device](std::vector<IInterface*>& devices) {
        const auto it = std::find(devices.begin(), devices.end(), device);
        if (it == devices.end()) return false;
        devices.erase(it);
        return true;
    });
}

IntfPtr<IInterfaceList> RegisteredDevices()
{
    std::lock_guard lock(Holder().Mutex);
    const auto& registry = Holder().Registry;
    return ListOf(registry ? registry->Devices : std::vector<IInterface*>{});
}

void InitializeDeviceRegistry()
{
    std::lock_guard lock(Holder().Mutex);
    if (!Holder().Registry) Holder().Registry = std::make_shared<TDeviceRegistry>();
}

void FinalizeDeviceRegistry()
{
    std::shared_ptr<TDeviceRegistry> registry;
    {
        std::lock_guard lock(Holder().Mutex);
        registry.swap(Holder().Registry);
    }
    if (registry) registry->Devices.clear();
}
