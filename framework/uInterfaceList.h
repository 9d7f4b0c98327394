// A thread-safe list of counted interface references, in insertion order.
//
// Nodes keep their children in one; GetChildren and event arguments hand out new lists
// as snapshots. Entries are compared by object identity (the one IInterface of an object).
#pragma once

#include "ui_MyInterfacedObject.h"

#include <mutex>
#include <vector>

class IInterfaceList : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{BB558DDC-E598-4115-918F-900484537531}");

    virtual int32_t GetCount() = 0;
    // The entry at index, null for an index out of range.
    virtual IntfPtr<IInterface> Get(int32_t index) = 0;
    // The last entry, null when the list is empty.
    virtual IntfPtr<IInterface> Last() = 0;
    // Appends and returns the new index.
    virtual int32_t Add(const IntfPtr<IInterface>& item) = 0;
    virtual int32_t IndexOf(const IntfPtr<IInterface>& item) = 0;
    // Removes the first occurrence; returns its former index or -1.
    virtual int32_t Remove(const IntfPtr<IInterface>& item) = 0;
    virtual void Clear() = 0;
    // A copy of the entries, taken at one moment.
    virtual std::vector<IntfPtr<IInterface>> Snapshot() = 0;
};

class TInterfaceList : public TMyInterfacedObject, public IInterfaceList {
public:
    TInterfaceList() = default;
    explicit TInterfaceList(std::vector<IntfPtr<IInterface>> items) : FItems(std::move(items)) {}

    int32_t GetCount() override;
    IntfPtr<IInterface> Get(int32_t index) override;
    IntfPtr<IInterface> Last() override;
    int32_t Add(const IntfPtr<IInterface>& item) override;
    int32_t IndexOf(const IntfPtr<IInterface>& item) override;
    int32_t Remove(const IntfPtr<IInterface>& item) override;
    void Clear() override;
    std::vector<IntfPtr<IInterface>> Snapshot() override;

protected:
    bool ImplementsInterface(const TGUID& iid) const override;

private:
    int32_t IndexOfLocked(const IInterface* item) const;

    std::mutex FMutex;
    std::vector<IntfPtr<IInterface>> FItems;
};
