#pragma once
// Resource ids. The host reads the icon and the name by these numbers.

#define IDS_APPLET_NAME 1
#define IDD_DEVICE_SETTINGS 102
#define IDI_APPLET 128
