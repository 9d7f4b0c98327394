// Scoped holds of a communication interface's multi-reader lock, released on every
// way out of the scope (exceptions included).
#pragma once

#include "framework/uci_ICommunicationInterfaceIntf.h"

class TCiReadLock {
public:
    explicit TCiReadLock(ICommunicationInterface& intf) : FIntf(intf) { FIntf.BeginRead(); }
    ~TCiReadLock() { FIntf.EndRead(); }
    TCiReadLock(const TCiReadLock&) = delete;
    TCiReadLock& operator=(const TCiReadLock&) = delete;

private:
    ICommunicationInterface& FIntf;
};

class TCiWriteLock {
public:
    explicit TCiWriteLock(ICommunicationInterface& intf) : FIntf(intf) { FIntf.BeginWrite(); }
    ~TCiWriteLock() { FIntf.EndWrite(); }
    TCiWriteLock(const TCiWriteLock&) = delete;
    TCiWriteLock& operator=(const TCiWriteLock&) = delete;

private:
    ICommunicationInterface& FIntf;
};
