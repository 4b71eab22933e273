#pragma once
// A dialog template built in memory, so that a test can run a real dialog
// without a resource script. Controls name their window class by string.

#include <windows.h>

#include <vector>

class DialogTemplate {
public:
    // Sizes in dialog units. A font name gives the template DS_SETFONT.
    DialogTemplate(LPCSTR title, DWORD style, short cx, short cy,
                   LPCSTR font = "MS Sans Serif", WORD pointSize = 8);

    DialogTemplate& Add(LPCSTR className, LPCSTR text, DWORD style, short x, short y, short cx,
                        short cy, WORD id, DWORD exStyle = 0);

    // Valid until the next Add.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void AddString(LPCSTR text);
    void AlignToDword();

    std::vector<WORD> m_words;
};
