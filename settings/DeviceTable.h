#pragma once
// The shape of the device table that the applet, its settings file and its
// dialog share.

#include <windows.h>

constexpr int kDeviceCount = 256;

// The longest name the settings file holds: the profile reader, which the
// driver uses too, returns at most 4,095 characters of a value.
constexpr int kDeviceNameLimit = 4095;

// How the driver reaches a device; a transport radio button's id minus 1003.
enum TransportMode : BYTE {
    kTransportTcp = 0,
    kTransportTcpKeepAlive = 1,
    kTransportUdp = 2,
};
