// The resources compiled into the built Kestrune.cpl, read as a host or
// Explorer reads them: the library is mapped as data, none of its code runs.

#include "resources/resource.h"
#include "resources/version.h"
#include "tests/support/AppletLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

class DataModule {
public:
    DataModule() : m_module(LoadLibraryExA(AppletPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataModule() { if (m_module) FreeLibrary(m_module); }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

ResourceBytes FindBytes(HMODULE module, int id, LPCSTR type)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(module, found);
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

// Reads little-endian fields in order and notes, rather than crashes on, a
// structure that runs past the resource's end.
class Reader {
public:
    explicit Reader(ResourceBytes bytes) : m_bytes(bytes) {}

    bool Overrun() const { return m_overrun; }
    DWORD Offset() const { return m_pos; }
    void AlignTo(DWORD n) { m_pos = std::min((m_pos + n - 1) / n * n, m_bytes.size); }
    void Skip(DWORD size) { Take(size); }

    DWORD Read(DWORD size)   // up to four bytes
    {
        DWORD value = 0;
        if (Take(size))
            for (DWORD i = 0; i < size; ++i)
                value |= DWORD{m_bytes.data[m_pos - size + i]} << (8 * i);
        return value;
    }
    WORD Word() { return static_cast<WORD>(Read(2)); }
    short Short() { return static_cast<short>(Read(2)); }
    DWORD Dword() { return Read(4); }
    BYTE Byte() { return static_cast<BYTE>(Read(1)); }

    std::wstring String()
    {
        std::wstring s;
        for (WORD c; (c = Word()) != 0;)
            s += static_cast<wchar_t>(c);
        return s;
    }

    // A class, menu or title field: an ordinal after 0xFFFF, else a string.
    struct NameOrOrdinal {
        WORD ordinal = 0;
        std::wstring name;
    };
    NameOrOrdinal NameOrOrd()
    {
        const DWORD start = m_pos;
        if (Word() == 0xFFFF)
            return {Word(), {}};
        m_pos = start;
        return {0, String()};
    }

private:
    bool Take(DWORD size)
    {
        if (size > m_bytes.size - m_pos) {
            m_overrun = true;
            m_pos = m_bytes.size;
            return false;
        }
        m_pos += size;
        return true;
    }

    ResourceBytes m_bytes;
    DWORD m_pos = 0;
    bool m_overrun = false;
};

struct DialogControl {
    DWORD helpId, exStyle, style;
    short x, y, cx, cy;
    DWORD id;
    Reader::NameOrOrdinal windowClass, title;
    WORD extraBytes;
};

struct DialogTemplate {
    WORD version, signature;
    DWORD helpId, exStyle, style;
    short x, y, cx, cy;
    Reader::NameOrOrdinal menu, windowClass;
    std::wstring title;
    WORD pointSize, weight;
    BYTE italic, charset;
    std::wstring typeface;
    std::vector<DialogControl> controls;
    bool overrun;
    DWORD unread;
};

DialogTemplate ParseDialogEx(ResourceBytes bytes)
{
    Reader r(bytes);
    DialogTemplate t{};
    t.version = r.Word();
    t.signature = r.Word();
    t.helpId = r.Dword();
    t.exStyle = r.Dword();
    t.style = r.Dword();
    const WORD count = r.Word();
    t.x = r.Short(), t.y = r.Short(), t.cx = r.Short(), t.cy = r.Short();
    t.menu = r.NameOrOrd();
    t.windowClass = r.NameOrOrd();
    t.title = r.String();
    if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
        t.pointSize = r.Word();
        t.weight = r.Word();
        t.italic = r.Byte();
        t.charset = r.Byte();
        t.typeface = r.String();
    }
    for (WORD i = 0; i < count && !r.Overrun(); ++i) {
        r.AlignTo(4);
        DialogControl c{};
        c.helpId = r.Dword();
        c.exStyle = r.Dword();
        c.style = r.Dword();
        c.x = r.Short(), c.y = r.Short(), c.cx = r.Short(), c.cy = r.Short();
        c.id = r.Dword();
        c.windowClass = r.NameOrOrd();
        c.title = r.NameOrOrd();
        c.extraBytes = r.Word();
        r.Skip(c.extraBytes);
        t.controls.push_back(c);
    }
    t.overrun = r.Overrun();
    r.AlignTo(4);
    t.unread = bytes.size > r.Offset() ? bytes.size - r.Offset() : 0;
    return t;
}

// Windows finds a class by the predefined atom or by its name in any case;
// windres, for one, stores quoted class names in upper case.
std::wstring ClassName(const Reader::NameOrOrdinal& cls)
{
    switch (cls.ordinal) {
    case 0: break;
    case 0x0080: return L"BUTTON";
    case 0x0081: return L"EDIT";
    case 0x0082: return L"STATIC";
    case 0x0085: return L"COMBOBOX";
    default: return L"#" + std::to_wstring(cls.ordinal);
    }
    std::wstring upper = cls.name;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    return upper;
}

std::string Narrow(const std::wstring& s)
{
    return std::string(s.begin(), s.end());
}

std::wstring Widen(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

// The project's version from its numbers, as the resources should spell it.
std::string VersionText(const char* separator, int parts)
{
    const int numbers[] = {KESTRUNE_VERSION_MAJOR, KESTRUNE_VERSION_MINOR, KESTRUNE_VERSION_PATCH,
                           KESTRUNE_VERSION_TWEAK};
    std::string text = std::to_string(numbers[0]);
    for (int i = 1; i < parts; ++i) {
        text += separator;
        text += std::to_string(numbers[i]);
    }
    return text;
}

constexpr DWORD kChild = WS_CHILD;
constexpr DWORD kVisible = WS_CHILD | WS_VISIBLE;

struct ExpectedControl {
    DWORD id;
    const wchar_t* className;
    const wchar_t* title;   // null: ours to word, checked for fit instead
    DWORD style;
    short x, y, cx, cy;
};

const ExpectedControl kDeviceSettingsControls[] = {
    {IDOK, L"BUTTON", L"OK", kVisible | WS_TABSTOP | BS_DEFPUSHBUTTON, 60, 175, 50, 14},
    {IDCANCEL, L"BUTTON", L"Cancel", kVisible | WS_TABSTOP | BS_PUSHBUTTON, 115, 175, 50, 14},
    {IDC_DEVICE_NO, L"COMBOBOX", L"", kVisible | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 85, 10, 40, 95},
    {IDC_DEVICE_NAME, L"EDIT", L"", kVisible | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 85, 30, 80, 12},
    {IDC_IP_ADDRESS, L"SYSIPADDRESS32", L"", kVisible | WS_TABSTOP, 85, 50, 80, 12},
    {IDC_PROTECT_NO, L"MACADDR", L"", kVisible | WS_TABSTOP | WS_BORDER, 85, 70, 80, 12},
    {IDC_DEVICE_ID, L"COMBOBOX", L"", kVisible | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 85, 90, 40, 100},
    {IDC_TCP, L"BUTTON", L"TCP", kVisible | WS_DISABLED | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 15, 115, 29, 10},
    {IDC_TCP_KEEPALIVE, L"BUTTON", L"TCP-KEEPALIVE", kVisible | WS_TABSTOP | BS_AUTORADIOBUTTON, 50, 115, 70, 10},
    {IDC_UDP, L"BUTTON", L"UDP", kChild | WS_DISABLED | WS_TABSTOP | BS_AUTORADIOBUTTON, 125, 115, 30, 10},
    {0xFFFF, L"STATIC", L"Device No.", kVisible | WS_GROUP, 15, 15, 60, 8},
    {0xFFFF, L"STATIC", L"Device Name", kVisible | WS_GROUP, 15, 35, 60, 8},
    {0xFFFF, L"STATIC", L"IP Address", kVisible | WS_GROUP, 15, 55, 60, 8},
    {0xFFFF, L"STATIC", L"Protect No.", kVisible | WS_GROUP, 15, 75, 60, 8},
    {0xFFFF, L"STATIC", L"Device ID", kVisible | WS_GROUP, 15, 95, 60, 8},
    {0xFFFF, L"STATIC", nullptr, kVisible | WS_GROUP | SS_NOPREFIX, 10, 135, 165, 8},
    {0xFFFF, L"STATIC", nullptr, kVisible | WS_GROUP, 10, 145, 119, 8},
    {0xFFFF, L"STATIC", nullptr, kVisible | WS_GROUP, 10, 155, 175, 8},
};

// The pixel widths a dialog in this font gives its controls, and the width
// of a text drawn in it, computed as the system computes dialog units.
class DialogFont {
public:
    DialogFont(const std::wstring& face, int points)
    {
        m_dc = CreateCompatibleDC(nullptr);
        m_font = CreateFontA(-MulDiv(points, GetDeviceCaps(m_dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, Narrow(face).c_str());
        m_old = SelectObject(m_dc, m_font);
        const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE size{};
        GetTextExtentPoint32A(m_dc, letters, 52, &size);
        m_baseX = (size.cx / 26 + 1) / 2;
    }
    ~DialogFont()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_font);
        DeleteDC(m_dc);
    }
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;

    int BaseX() const { return m_baseX; }
    int Pixels(int dialogUnitsX) const { return MulDiv(dialogUnitsX, m_baseX, 4); }
    int TextWidth(const std::wstring& text) const
    {
        SIZE size{};
        GetTextExtentPoint32W(m_dc, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

private:
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_old;
    int m_baseX = 0;
};

class AppletResources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module.Get(), nullptr) << AppletPath(); }
    DataModule module;
};

} // namespace

TEST_F(AppletResources, DeviceSettingsTemplateHeader)
{
    const ResourceBytes bytes = FindBytes(module.Get(), IDD_DEVICE_SETTINGS, RT_DIALOG);
    ASSERT_NE(bytes.data, nullptr);
    const DialogTemplate t = ParseDialogEx(bytes);
    ASSERT_FALSE(t.overrun);
    EXPECT_EQ(t.unread, 0u) << "nothing follows the last control";
    EXPECT_EQ(t.version, 1) << "an extended template";
    EXPECT_EQ(t.signature, 0xFFFF);
    EXPECT_EQ(t.helpId, 0u);
    EXPECT_EQ(t.exStyle, DWORD{WS_EX_APPWINDOW});
    EXPECT_EQ(t.style, DWORD{WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT});
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 185);
    EXPECT_EQ(t.cy, 198);
    EXPECT_EQ(t.menu.ordinal, 0);
    EXPECT_EQ(t.menu.name, L"") << "no menu";
    EXPECT_EQ(t.windowClass.ordinal, 0);
    EXPECT_EQ(t.windowClass.name, L"") << "the system's dialog class";
    EXPECT_EQ(t.title, L"Orvex Network Driver");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.typeface, L"MS Sans Serif");
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.controls.size(), std::size(kDeviceSettingsControls));

    // The template is written in English (United States).
    EXPECT_NE(FindResourceExA(module.Get(), RT_DIALOG, MAKEINTRESOURCEA(IDD_DEVICE_SETTINGS),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), nullptr);
}

TEST_F(AppletResources, DeviceSettingsControlsInTabOrder)
{
    const DialogTemplate t = ParseDialogEx(FindBytes(module.Get(), IDD_DEVICE_SETTINGS, RT_DIALOG));
    ASSERT_FALSE(t.overrun);
    ASSERT_EQ(t.controls.size(), std::size(kDeviceSettingsControls));
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const DialogControl& c = t.controls[i];
        const ExpectedControl& e = kDeviceSettingsControls[i];
        SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(e.id));
        EXPECT_EQ(c.id & 0xFFFF, e.id);
        EXPECT_EQ(ClassName(c.windowClass), e.className);
        EXPECT_EQ(c.title.ordinal, 0) << "a text, not a resource reference";
        if (e.title)
            EXPECT_EQ(c.title.name, e.title);
        else
            EXPECT_FALSE(c.title.name.empty());
        EXPECT_EQ(c.style, e.style) << std::hex << "0x" << c.style << " instead of 0x" << e.style;
        EXPECT_EQ(c.exStyle, 0u);
        EXPECT_EQ(c.helpId, 0u);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
        EXPECT_EQ(c.extraBytes, 0);
    }
}

TEST_F(AppletResources, ProductLineShowsTheReleaseAndEveryTextFitsItsControl)
{
    const DialogTemplate t = ParseDialogEx(FindBytes(module.Get(), IDD_DEVICE_SETTINGS, RT_DIALOG));
    ASSERT_EQ(t.controls.size(), std::size(kDeviceSettingsControls));
    EXPECT_EQ(t.controls[15].title.name, L"VORMEL Orvex Network Driver Ver." + Widen(VersionText(".", 3)));

    // A static wraps a text wider than itself onto a second line, which an
    // eight-unit-high control cuts off.
    DialogFont font(t.typeface, t.pointSize);
    ASSERT_GT(font.BaseX(), 0);
    for (const DialogControl& c : t.controls) {
        if (ClassName(c.windowClass) != L"STATIC")
            continue;
        EXPECT_LE(font.TextWidth(c.title.name), font.Pixels(c.cx)) << Narrow(c.title.name);
    }
}

TEST_F(AppletResources, IconHasSixteenThirtyTwoAndFortyEightPixelImages)
{
    const ResourceBytes group = FindBytes(module.Get(), IDI_APPLET, RT_GROUP_ICON);
    ASSERT_NE(group.data, nullptr);
    Reader r(group);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 1) << "icons, not cursors";
    const WORD count = r.Word();

    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const int width = r.Byte(), height = r.Byte();
        r.Byte();   // colour count
        r.Byte();
        r.Word();   // planes
        const WORD bitCount = r.Word();
        const DWORD imageBytes = r.Dword();
        const WORD id = r.Word();
        ASSERT_FALSE(r.Overrun());
        SCOPED_TRACE(std::to_string(width) + " pixels");
        EXPECT_EQ(width, height);
        EXPECT_EQ(bitCount, 32) << "colour with alpha";
        sizes.insert(width);

        const ResourceBytes image = FindBytes(module.Get(), id, RT_ICON);
        ASSERT_NE(image.data, nullptr);
        ASSERT_EQ(image.size, imageBytes);
        ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data);
        EXPECT_EQ(header->biWidth, width);
        EXPECT_EQ(header->biHeight, 2 * height) << "colour and mask";
        EXPECT_EQ(header->biBitCount, 32);

        // Transparent corners and an opaque middle: a drawn picture, not a blank.
        const DWORD stride = 4 * static_cast<DWORD>(width);
        ASSERT_GE(image.size, header->biSize + stride * static_cast<DWORD>(height));
        const BYTE* pixels = image.data + header->biSize;   // bottom row first, BGRA
        EXPECT_EQ(pixels[3], 0) << "corner";
        EXPECT_EQ(pixels[stride * (height / 2) + 4 * (width / 2) + 3], 255) << "middle";

        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data), image.size, TRUE, 0x00030000,
                                              width, height, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << "the system can make an icon of it";
        if (icon)
            DestroyIcon(icon);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
}

TEST_F(AppletResources, NameStringIsTheAppletsName)
{
    char text[64] = {};
    EXPECT_EQ(LoadStringA(module.Get(), IDS_APPLET_NAME, text, sizeof text), 20);
    EXPECT_STREQ(text, "Orvex Network Driver");
}

TEST(AppletVersion, FixedAndStringValuesCarryTheProjectVersion)
{
    const std::string path = AppletPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << path;
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD ms = MAKELONG(KESTRUNE_VERSION_MINOR, KESTRUNE_VERSION_MAJOR);
    const DWORD ls = MAKELONG(KESTRUNE_VERSION_TWEAK, KESTRUNE_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);
    EXPECT_EQ(fixed->dwFileType, DWORD{VFT_DLL});
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "a release build";

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u) << "one language";
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    // Null: any text naming the driver's Control Panel application.
    const std::string commas = VersionText(", ", 4);
    const struct { const char* name; const char* value; } strings[] = {
        {"FileVersion", commas.c_str()},
        {"ProductVersion", commas.c_str()},
        {"InternalName", "Kestrune"},
        {"OriginalFilename", "Kestrune.DLL"},
        {"CompanyName", "Kestrune"},
        {"LegalCopyright", "Copyright (C) 2026 Kestrune"},
        {"ProductName", nullptr},
        {"FileDescription", nullptr},
        {"Comments", nullptr},
    };
    for (const auto& s : strings) {
        char* value = nullptr;
        const std::string key = std::string("\\StringFileInfo\\040904b0\\") + s.name;
        ASSERT_TRUE(VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << s.name;
        if (s.value) {
            EXPECT_STREQ(value, s.value) << s.name;
        } else {
            const std::string text = value;
            EXPECT_NE(text.find("Kestrune"), std::string::npos) << s.name << ": " << text;
            EXPECT_NE(text.find("Control Panel"), std::string::npos) << s.name << ": " << text;
        }
    }
}
