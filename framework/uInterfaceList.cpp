#include "uInterfaceList.h"

bool TInterfaceList::ImplementsInterface(const TGUID& iid) const
{
    return iid == IInterfaceList::IID || TMyInterfacedObject::ImplementsInterface(iid);
}

int32_t TInterfaceList::IndexOfLocked(const IInterface* item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item) return int32_t(i);
    return -1;
}

int32_t TInterfaceList::GetCount()
{
    std::lock_guard lock(FMutex);
    return int32_t(FItems.size());
}

IntfPtr<IInterface> TInterfaceList::Get(int32_t index)
{
    std::lock_guard lock(FMutex);
    if (index < 0 || size_t(index) >= FItems.size()) return nullptr;
    return FItems[size_t(index)];
}

IntfPtr<IInterface> TInterfaceList::Last()
{
    std::lock_guard lock(FMutex);
    if (FItems.empty()) return nullptr;
    return FItems.back();
}

int32_t TInterfaceList::Add(const IntfPtr<IInterface>& item)
{
    std::lock_guard lock(FMutex);
    FItems.push_back(item);
    return int32_t(FItems.size() - 1);
}

int32_t TInterfaceList::IndexOf(const IntfPtr<IInterface>& item)
{
    std::lock_guard lock(FMutex);
    return IndexOfLocked(item.get());
}

int32_t TInterfaceList::Remove(const IntfPtr<IInterface>& item)
{
    IntfPtr<IInterface> removed; // released after the lock, in case it was the last reference
    std::lock_guard lock(FMutex);
    const int32_t index = IndexOfLocked(item.get());
    if (index >= 0) {
        removed = std::move(FItems[size_t(index)]);
        FItems.erase(FItems.begin() + index);
    }
    return index;
}

void TInterfaceList::Clear()
{
    std::vector<IntfPtr<IInterface>> removed;
    std::lock_guard lock(FMutex);
    removed.swap(FItems);
}

std::vector<IntfPtr<IInterface>> TInterfaceList::Snapshot()
{
    std::lock_guard lock(FMutex);
    return FItems;
}
