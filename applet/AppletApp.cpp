#include "applet/AppletApp.h"

CAppletApp::CAppletApp()
    : CWinApp(nullptr)
{
}

CAppletApp::~CAppletApp() = default;

const MessageMap* CAppletApp::GetThisMessageMap()
{
    static constexpr MessageMap map{&CWinApp::GetThisMessageMap, {}};
    return &map;
}
