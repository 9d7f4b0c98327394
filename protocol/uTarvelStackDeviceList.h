// The process-wide registry of every stack device that exists, in creation order, and
// the event that announces each change of it with the new list of devices.
//
// The registry exists from the first use until FinalizeDeviceRegistry (program end);
// a device built or destroyed while it does not exist is simply not registered.
#pragma once

#include "framework/uEventer.h"
#include "framework/uInterfaceList.h"

// Handlers receive the devices (their IInterface) in creation order, one list shared
// by every handler of one notification.
class TevnterTarvelDeviceListChanged : public TTypedEventer<IInterfaceList*> {};

// The event object, or null while the registry does not exist.
TevnterTarvelDeviceListChanged* DeviceListChanged();

// Append / remove a device, then notify. Both return false (and do nothing) while the
// registry does not exist; removing a device that is not registered sends nothing.
bool RegisterDevice(IInterface* device);
bool UnregisterDevice(IInterface* device);

// The registered devices now.
IntfPtr<IInterfaceList> RegisteredDevices();

// Creates the registry when it does not exist (it also comes into being on first use).
void InitializeDeviceRegistry();
// Empties the registry (devices are not destroyed) and frees it and its event object.
void FinalizeDeviceRegistry();
