// Fake game installations for the game suites.
#include "tests/game/fake_install.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>
#include <zlib.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "core/file_stream.h"
#include "game/players.h"

const char kGameKey[] = "Software\\Tamrivo\\Quillmere\\BaseGame";
const char kFileSystemKey[] = "Software\\Tamrivo\\Quillmere\\BaseGame\\FileSystem";

#ifndef _WIN32

namespace {

// Wine's escapes: backslash and quote escaped, everything outside printable ASCII as \x and
// the UTF-16 code unit (the text is taken as UTF-8).
std::string Escape(const std::string& text)
{
    std::string out;
    char hex[16];
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c == '\\' || c == '"') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7f) {
            out += char(c);
        } else {
            uint32_t u = c;
            if (c >= 0xC0 && c < 0xE0 && i + 1 < text.size()) {
                u = ((c & 0x1F) << 6) | (text[i + 1] & 0x3F);
                i += 1;
            } else if (c >= 0xE0 && c < 0xF0 && i + 2 < text.size()) {
                u = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
                i += 2;
            }
            snprintf(hex, sizeof hex, "\\x%04x", unsigned(u));
            out += hex;
        }
    }
    return out;
}

std::string RegKeyOf(const std::string& key, RegistryView view)
{
    std::string k = key;
    if (view == View32 && k.compare(0, 9, "Software\\") == 0) k.insert(9, "Wow6432Node\\");
    return k;
}

}  // namespace

FakeInstallation::FakeInstallation() : game("C:\\Games\\Quillmere"), hadPrefix(false)
{
    const char* old = getenv("WINEPREFIX");
    if (old) {
        hadPrefix = true;
        oldPrefix = old;
    }
    std::string prefix = temp.native("prefix");
    EXPECT_TRUE(MakeFolder(prefix + "/drive_c/Games/Quillmere"));
    EXPECT_TRUE(MakeFolder(prefix + "/dosdevices"));
    EXPECT_EQ(0, symlink("../drive_c", (prefix + "/dosdevices/c:").c_str()));
    setenv("WINEPREFIX", prefix.c_str(), 1);
    WriteSections();
}

FakeInstallation::~FakeInstallation()
{
    if (hadPrefix) setenv("WINEPREFIX", oldPrefix.c_str(), 1);
    else unsetenv("WINEPREFIX");
}

std::string FakeInstallation::native(const std::string& relative) const
{
    return temp.native("prefix") + "/drive_c/Games/Quillmere/" + NativePath(relative);
}

void FakeInstallation::SetValue(const std::string& key, const std::string& name, DWORD type,
                                const std::string& data, RegistryView view)
{
    std::string section = RegKeyOf(key, view);
    std::string line = "\"" + Escape(name) + "\"=";
    char part[32];
    if (type == REG_SZ) {
        line += "\"" + Escape(data) + "\"";
    } else if (type == REG_EXPAND_SZ) {
        line += "str(2):\"" + Escape(data) + "\"";
    } else if (type == REG_MULTI_SZ) {
        line += "str(7):\"" + Escape(data) + "\"";
    } else if (type == REG_DWORD && data.size() == 4) {
        uint32_t v = 0;
        memcpy(&v, data.data(), 4);
        snprintf(part, sizeof part, "dword:%08x", unsigned(v));
        line += part;
    } else {
        snprintf(part, sizeof part, type == REG_BINARY ? "hex:" : "hex(%x):", unsigned(type));
        line += part;
        for (size_t i = 0; i < data.size(); ++i) {
            snprintf(part, sizeof part, i ? ",%02x" : "%02x", (unsigned char)data[i]);
            line += part;
        }
    }
    for (Section& s : sections) {
        if (s.key != section) continue;
        s.lines.push_back(line);
        WriteSections();
        return;
    }
    sections.push_back(Section{section, {line}});
    WriteSections();
}

void FakeInstallation::WriteSections()
{
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    for (const Section& s : sections) {
        text += "\n[" + Escape(s.key) + "] 1700000000\n#time=1da1b2c3d4e5f60\n";
        for (const std::string& line : s.lines) text += line + "\n";
    }
    WriteRegistryText(text);
}

void FakeInstallation::WriteRegistryText(const std::string& text)
{
    ASSERT_TRUE(WriteFileBytes(temp.native("prefix") + "/system.reg", Bytes(text.begin(), text.end())));
}

#else  // _WIN32

namespace {

REGSAM ViewFlag(RegistryView view) { return view == View32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// Removes Software\Tamrivo with everything below it from one view.
void DeleteVendorKey(RegistryView view)
{
    HKEY software;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | ViewFlag(view), &software) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(software, "Tamrivo");
    RegCloseKey(software);
}

}  // namespace

FakeInstallation::FakeInstallation() : game(temp.core("Games\\Quillmere"))
{
    EXPECT_TRUE(MakeFolder(NativePath(game)));
    // A key left by an interrupted run must not decide this test.
    DeleteVendorKey(View32);
    DeleteVendorKey(View64);
}

FakeInstallation::~FakeInstallation()
{
    DeleteVendorKey(View32);
    DeleteVendorKey(View64);
}

std::string FakeInstallation::native(const std::string& relative) const
{
    return NativePath(game + "\\" + relative);
}

void FakeInstallation::SetValue(const std::string& key, const std::string& name, DWORD type,
                                const std::string& data, RegistryView view)
{
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                             KEY_WRITE | ViewFlag(view), nullptr, &h, nullptr));
    std::string bytes = data;
    if (type == REG_SZ || type == REG_EXPAND_SZ) bytes.push_back(0);
    if (type == REG_MULTI_SZ) bytes.append(2, 0);
    LONG rc = RegSetValueExA(h, name.c_str(), 0, type, (const BYTE*)bytes.data(), DWORD(bytes.size()));
    RegCloseKey(h);
    ASSERT_EQ(ERROR_SUCCESS, rc);
}

#endif

void FakeInstallation::MakeProfileFolder(const std::string& folder)
{
    ASSERT_TRUE(MakeFolder(native("Players\\" + folder)));
}

void FakeInstallation::WriteProfileFile(const std::string& folder, const Bytes& bytes)
{
    MakeProfileFolder(folder);
    ASSERT_TRUE(WriteFileBytes(native("Players\\" + folder + "\\UserInfo.dat"), bytes));
}

Bytes ProfileRecordWithLength(int32_t race, int32_t length, const std::string& nameBytes)
{
    Bytes b;
    PutU32(b, kProfileMagic);     // 55 49 00 02
    PutU32(b, uint32_t(race));    // race code
    PutU32(b, uint32_t(length));  // name length N
    b.insert(b.end(), nameBytes.begin(), nameBytes.end());
    return b;
}

Bytes ProfileRecord(int32_t race, const std::string& name)
{
    return ProfileRecordWithLength(race, int32_t(name.size()), name);
}

Bytes CompressWithStream(const Bytes& plain)
{
    TempDir scratch;
    std::string path = scratch.core("UserInfo.dat");
    {
        FileStream out(path.c_str(), 0x6002);
        EXPECT_TRUE(out.isGood());
        out.write(plain.data(), int32_t(plain.size()));
        EXPECT_EQ(1, out.close());
    }
    return ReadFileBytes(NativePath(path));
}

Bytes CompressWithZlib(const Bytes& plain, int level)
{
    uLongf size = compressBound(uLong(plain.size()));
    Bytes out(size);
    EXPECT_EQ(Z_OK, compress2(out.data(), &size, plain.data(), uLong(plain.size()), level));
    out.resize(size);
    return out;
}

namespace {

std::vector<ScannedProfile> Collect(const SerialStringArray& names, const SerialIntArray& races)
{
    std::vector<ScannedProfile> result;
    EXPECT_EQ(names.count, playerFolders.count) << "the lists must stay parallel";
    EXPECT_EQ(names.count, races.count) << "the lists must stay parallel";
    for (int32_t i = 0; i < names.count && i < races.count && i < playerFolders.count; ++i)
        result.push_back(ScannedProfile{playerFolders.data[i].c_str(), names.data[i].c_str(), races.data[i]});
    return result;
}

}  // namespace

std::vector<ScannedProfile> ScanOnly()
{
    SerialStringArray names;
    SerialIntArray races;
    ScanPlayerProfiles(playerFolders, names, races);
    return Collect(names, races);
}

std::vector<ScannedProfile> ScanAndSort()
{
    SerialStringArray names;
    SerialIntArray races;
    ScanPlayerProfiles(playerFolders, names, races);
    SortPlayersByRace(playerFolders, names, races);
    return Collect(names, races);
}
