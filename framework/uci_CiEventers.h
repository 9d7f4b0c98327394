// Event kinds of a communication interface.
#pragma once

#include "framework/uEventer.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"

// Open, close, data received, configuration changed: the interface that changed.
class TEventerCiNotify : public TTypedEventer<ICommunicationInterface*> {};
// A line signal changed: the interface, the transport's signal code and the new state.
class TEventerCiNotifyChangeEvent : public TTypedEventer<ICommunicationInterface*, uint32_t, bool> {};
