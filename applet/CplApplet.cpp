// The library's one export: the Control Panel host's entry point.

#include "applet/AppletApp.h"
#include "resources/resource.h"

#include <cpl.h>

CAppletApp theApp;

extern "C" LONG APIENTRY CPlApplet(HWND /*hwndCPl*/, UINT uMsg, LPARAM /*lParam1*/, LPARAM lParam2)
{
    try {
        switch (uMsg) {
        case CPL_INIT:
            theApp.LoadDeviceTable();
            return 1;
        case CPL_GETCOUNT:
            return 1;
        case CPL_INQUIRE:
            if (auto* info = reinterpret_cast<CPLINFO*>(lParam2)) {
                info->idIcon = IDI_APPLET;
                info->idName = IDS_APPLET_NAME;
                info->idInfo = IDS_APPLET_NAME;
                info->lData = 0;
            }
            return 0;
        default:
            return 0;
        }
    } catch (...) {
        return 0;
    }
}
