// Hotplug of the reader's drives as the tester sees it: a volume came or went.
// The udev monitor of the window and the scenario player of the simulator
// both drive this interface.
#pragma once

namespace orrick {

class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;
    virtual void OnDeviceArrival() = 0;
    virtual void OnDeviceRemoval() = 0;
};

} // namespace orrick
