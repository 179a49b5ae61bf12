// Fake game installations made by the game suites themselves. Natively: a Wine-style prefix in
// a temporary folder (system.reg, drive_c, dosdevices/c: -> ../drive_c) named by WINEPREFIX for
// the life of the object. On Windows: the registry of the prefix the suite runs in, written
// with the real registry calls and deleted again afterwards.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/support/test_support.h"

// The registry key the game's installation writes, below HKEY_LOCAL_MACHINE.
extern const char kGameKey[];        // Software\Tamrivo\Quillmere\BaseGame
extern const char kFileSystemKey[];  // the same, then \FileSystem

enum RegistryView { View32, View64 };

class FakeInstallation {
public:
    FakeInstallation();
    ~FakeInstallation();
    FakeInstallation(const FakeInstallation&) = delete;
    FakeInstallation& operator=(const FakeInstallation&) = delete;

    // Writes one registry value below HKEY_LOCAL_MACHINE: `data` as it is stored (for the string
    // types the text without its terminator; the terminator is added).
    void SetValue(const std::string& key, const std::string& name, DWORD type, const std::string& data,
                  RegistryView view = View32);
    // The usual installation: OutputDir of type REG_SZ naming `folder` (core form).
    void SetOutputDir(const std::string& folder, RegistryView view = View32)
    {
        SetValue(kFileSystemKey, "OutputDir", REG_SZ, folder, view);
    }

    // The game's output folder in core form, without a trailing backslash; natively a
    // drive-letter path into the prefix ("C:\Games\Quillmere"), on Windows a temporary folder.
    const std::string& gameDir() const { return game; }
    // A path below the game folder in native form.
    std::string native(const std::string& relative) const;
    // The players folder in core form, ending in a backslash.
    std::string playersDir() const { return game + "\\Players\\"; }

    // Players\<folder>\UserInfo.dat with exactly `bytes`; the folder is made as needed.
    void WriteProfileFile(const std::string& folder, const Bytes& bytes);
    // Players\<folder> without a profile file.
    void MakeProfileFolder(const std::string& folder);

#ifndef _WIN32
    // The whole system.reg, for tests of the file's reading.
    void WriteRegistryText(const std::string& text);
    const TempDir& root() const { return temp; }
#endif

private:
    TempDir temp;
    std::string game;
#ifndef _WIN32
    struct Section {
        std::string key;
        std::vector<std::string> lines;
    };
    std::vector<Section> sections;
    std::string oldPrefix;
    bool hadPrefix;
    void WriteSections();
#else
    std::vector<std::pair<std::string, RegistryView>> createdKeys;
#endif
};

// The profile record: magic, race code, name length, name bytes.
Bytes ProfileRecord(int32_t race, const std::string& name);
// The same with a name length field of its own and only the given name bytes.
Bytes ProfileRecordWithLength(int32_t race, int32_t length, const std::string& nameBytes);
// Compressed as one zlib stream by our own FileStream (mode 0x6002) ...
Bytes CompressWithStream(const Bytes& plain);
// ... and by plain zlib, so that the format is not only consistent with itself.
Bytes CompressWithZlib(const Bytes& plain, int level = 6);

// One scan and sort, as the player list runs them.
struct ScannedProfile {
    std::string folder, name;
    int32_t race;
    bool operator==(const ScannedProfile& o) const { return folder == o.folder && name == o.name && race == o.race; }
};
std::vector<ScannedProfile> ScanAndSort();
std::vector<ScannedProfile> ScanOnly();
