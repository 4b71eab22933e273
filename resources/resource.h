#pragma once
// Resource ids. The host reads the icon and the name by these numbers.

#define IDS_APPLET_NAME 1
// Texts the applet shows besides its name. From 16 on, so they sit in a
// string block of their own and string 1's block stays as the host reads it.
#define IDS_SAVE_FAILED 16          // printf format: the settings file's path
#define IDS_FIELD_BYTE 17           // printf format: a field's number, the count
#define IDS_NAME_CHAR_TITLE 18
#define IDS_NAME_CHAR_TEXT 19
#define IDS_FIELD_BYTE_NAMED 20     // the same after the control's name (%s)
// Control Panel reads these two through the installed task links file
// (installer/KestruneTasks.xml.in names them as @<applet>,-21 and -22).
#define IDS_TASK_NAME 21
#define IDS_TASK_KEYWORDS 22         // ;-separated, for Control Panel's search
#define IDS_NAME_LONG_TITLE 23
#define IDS_NAME_LONG_TEXT 24
#define IDD_DEVICE_SETTINGS 102
#define IDI_APPLET 128
// The common-controls-6 manifest; Control Panel activates this id for a .cpl.
#define IDR_CPL_MANIFEST 123

// Controls of IDD_DEVICE_SETTINGS. The transport radio buttons are
// IDC_TCP + the transport value (0 TCP, 1 TCP-KEEPALIVE, 2 UDP).
#define IDC_TCP 1003
#define IDC_TCP_KEEPALIVE 1004
#define IDC_UDP 1005
#define IDC_DEVICE_NO 1006
#define IDC_DEVICE_NAME 1007
#define IDC_DEVICE_ID 1008
#define IDC_IP_ADDRESS 1010
#define IDC_PROTECT_NO 1015
