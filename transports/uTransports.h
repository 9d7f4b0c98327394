// Start-up and shut-down of the transports layer.
//
// RegisterTransports registers every transport class with the provider registry
// ("TCP_CLIENT", ...), binds the converter library (BindFTDILibrary) and installs the Qt
// event processing as the framework's process-events hook; UnregisterTransports undoes
// it, releasing the library once the converter transports' reader threads have ended. main() and test programs call it once after creating the
// application object; an explicit call is used because static libraries drop
// self-registering static objects that nothing references.
#pragma once

void RegisterTransports();
void UnregisterTransports();
