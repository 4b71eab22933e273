// The i686 Kestrune.cpl as a 64-bit program sees it: mapped as data, none of
// its code run, so it is checked also where 32-bit programs cannot run. Its
// resources must be this tree's build's, byte for byte, in every language.

#include "resources/resource.h"
#include "tests/support/AppletLibrary.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

class MappedImage {
public:
    explicit MappedImage(const std::string& path)
        : m_module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~MappedImage() { if (m_module) FreeLibrary(m_module); }
    MappedImage(const MappedImage&) = delete;
    MappedImage& operator=(const MappedImage&) = delete;

    HMODULE Get() const { return m_module; }
    // The handle of a data mapping carries flags in its low bits.
    const void* Base() const { return reinterpret_cast<const void*>(reinterpret_cast<ULONG_PTR>(m_module) & ~ULONG_PTR{3}); }

private:
    HMODULE m_module;
};

std::set<WORD> Languages(HMODULE module, LPCSTR type, int id)
{
    std::set<WORD> languages;
    EnumResourceLanguagesA(module, type, MAKEINTRESOURCEA(id),
        [](HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) -> BOOL {
            reinterpret_cast<std::set<WORD>*>(found)->insert(language);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

std::string Bytes(HMODULE module, LPCSTR type, int id, WORD language)
{
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (!found)
        return "<absent>";
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

// The images a group icon names: 14-byte entries after a 6-byte header, the id last.
std::vector<int> IconImages(const std::string& group)
{
    std::vector<int> ids;
    for (size_t at = 6; at + 14 <= group.size(); at += 14)
        ids.push_back(static_cast<BYTE>(group[at + 12]) | static_cast<BYTE>(group[at + 13]) << 8);
    return ids;
}

class I686Image : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(AppletPath("KESTRUNE_I686_CPL").empty()) << "KESTRUNE_I686_CPL names the i686 build";
        ASSERT_NE(i686.Get(), nullptr) << AppletPath("KESTRUNE_I686_CPL");
        ASSERT_NE(x64.Get(), nullptr) << AppletPath();
    }

    // Each language of the resource, the same set in both builds, the same bytes.
    void ExpectSameResource(LPCSTR type, int id)
    {
        SCOPED_TRACE("type " + std::to_string(reinterpret_cast<ULONG_PTR>(type)) + ", id " + std::to_string(id));
        const std::set<WORD> languages = Languages(x64.Get(), type, id);
        ASSERT_FALSE(languages.empty());
        EXPECT_EQ(Languages(i686.Get(), type, id), languages);
        for (WORD language : languages)
            EXPECT_EQ(Bytes(i686.Get(), type, id, language), Bytes(x64.Get(), type, id, language))
                << "language " << std::hex << language;
    }

    MappedImage i686{AppletPath("KESTRUNE_I686_CPL")};
    MappedImage x64{AppletPath()};
};

} // namespace

TEST_F(I686Image, IsA32BitDllExportingOnlyCPlAppletAndImportingOnlyWindowsOwnLibraries)
{
    const ImageHeaders headers = ReadImageHeaders(i686.Base());
    EXPECT_EQ(headers.machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(headers.magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC) << "PE32";
    EXPECT_TRUE(headers.characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(headers.exports, std::vector<std::string>{"CPlApplet"}) << "one export, undecorated";
    ASSERT_FALSE(headers.imports.empty());
    for (const std::string& name : headers.imports)
        EXPECT_TRUE(IsWindowsOwnLibrary(name)) << name;
    EXPECT_EQ(std::count(headers.imports.begin(), headers.imports.end(), "oleacc.dll"), 0);
}

TEST_F(I686Image, ResourcesAreTheSameBytesAsThe64BitBuilds)
{
    const struct {
        LPCSTR type;
        int id;
    } shared[] = {
        {RT_DIALOG, IDD_DEVICE_SETTINGS},
        {RT_STRING, IDS_APPLET_NAME / 16 + 1},   // the block holding the applet's name
        {RT_GROUP_ICON, IDI_APPLET},
        {RT_VERSION, VS_VERSION_INFO},
        {RT_MANIFEST, IDR_CPL_MANIFEST},
    };
    for (const auto& resource : shared)
        ExpectSameResource(resource.type, resource.id);

    for (WORD language : Languages(x64.Get(), RT_GROUP_ICON, IDI_APPLET)) {
        const std::vector<int> images = IconImages(Bytes(x64.Get(), RT_GROUP_ICON, IDI_APPLET, language));
        EXPECT_FALSE(images.empty());
        for (int image : images)
            ExpectSameResource(RT_ICON, image);
    }
}
