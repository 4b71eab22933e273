#pragma once
// Draws a window's frame as the visual style draws an edit's, for a control
// of our own that stands among edits. The window keeps its classic edge's
// metrics, so its client area is the same either way; only the painting
// differs. The themed frame is drawn only where the system's edits are themed
// themselves: the window was made while common controls 6 were active, and
// uxtheme.dll and a visual style are there. Elsewhere the classic frame stays.

#include <windows.h>
#include <uxtheme.h>

class ThemedEditFrame {
public:
    enum class State { Normal, Focused, ReadOnly, Disabled };

    ThemedEditFrame() = default;
    ~ThemedEditFrame();
    ThemedEditFrame(const ThemedEditFrame&) = delete;
    ThemedEditFrame& operator=(const ThemedEditFrame&) = delete;

    // While the window is created: notes the context active now, opens the theme.
    void Attach(HWND hWnd);
    // WM_THEMECHANGED: the style may have changed or been switched off.
    void Reopen();
    // Paints the frame around the client area; false when the caller's
    // classic frame applies (DefWindowProc draws it).
    bool Paint(State state) const;

private:
    void Close();

    HWND m_hWnd = nullptr;
    HTHEME m_hTheme = nullptr;
    bool m_bThemedContext = false;
};
