#include "tests/support/DialogTemplate.h"

namespace {

void PushDword(std::vector<WORD>& words, DWORD value)
{
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

} // namespace

DialogTemplate::DialogTemplate(LPCSTR title, DWORD style, short cx, short cy, LPCSTR font, WORD pointSize)
{
    if (font)
        style |= DS_SETFONT;
    PushDword(m_words, style);
    PushDword(m_words, 0);      // extended style
    m_words.push_back(0);       // item count, raised by Add
    m_words.push_back(0);       // x
    m_words.push_back(0);       // y
    m_words.push_back(static_cast<WORD>(cx));
    m_words.push_back(static_cast<WORD>(cy));
    m_words.push_back(0);       // no menu
    m_words.push_back(0);       // the predefined dialog class
    AddString(title);
    if (font) {
        m_words.push_back(pointSize);
        AddString(font);
    }
}

DialogTemplate& DialogTemplate::Add(LPCSTR className, LPCSTR text, DWORD style, short x, short y,
                                    short cx, short cy, WORD id, DWORD exStyle)
{
    AlignToDword();
    PushDword(m_words, style | WS_CHILD);
    PushDword(m_words, exStyle);
    m_words.push_back(static_cast<WORD>(x));
    m_words.push_back(static_cast<WORD>(y));
    m_words.push_back(static_cast<WORD>(cx));
    m_words.push_back(static_cast<WORD>(cy));
    m_words.push_back(id);
    AddString(className);
    AddString(text);
    m_words.push_back(0);       // no creation data
    ++m_words[4];               // the item count follows the two style DWORDs
    return *this;
}

void DialogTemplate::AddString(LPCSTR text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, nullptr, 0);
    const size_t at = m_words.size();
    m_words.resize(at + static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, reinterpret_cast<LPWSTR>(m_words.data() + at), length);
}

void DialogTemplate::AlignToDword()
{
    if (m_words.size() % 2)
        m_words.push_back(0);
}
