// The game's output folder, from the one registry value its installation writes.
#include <stdio.h>
#include <string.h>

#include "core/string_table.h"
#include "game/players.h"
#include "platform/win32.h"
#include "resource.h"

#ifndef _WIN32
#include "platform/wine_prefix.h"
#endif

namespace {

// One registry view. The query is handed MAX_PATH bytes, so a value of up to 259 characters
// with its terminator is read; the buffer has one byte more for the appended backslash.
GameLookupResult LookUpInView(const char* keyPath, const char* subKeyPath, const char* valueName,
                              REGSAM view, char* path)
{
    path[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKeyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        // Only to say which part is missing; the parent key is closed at once.
        HKEY parent;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | view, &parent) != ERROR_SUCCESS)
            return GameKeyMissing;
        RegCloseKey(parent);
        return GameSubKeyMissing;
    }
    DWORD type = REG_NONE;
    DWORD size = MAX_PATH;
    LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, (LPBYTE)path, &size);
    RegCloseKey(key);

    GameLookupResult result = GameFound;
    if (rc == ERROR_MORE_DATA) result = GameValueTooLong;
    else if (rc != ERROR_SUCCESS) result = GameValueMissing;
    else if (type != REG_SZ) result = GameValueNotString;
    if (result != GameFound) {
        path[0] = 0;
        return result;
    }
    // A string stored without its terminator comes back without one.
    path[size <= MAX_PATH ? size : MAX_PATH] = 0;
    size_t length = strlen(path);
    if (length == 0) return GameValueEmpty;
    if (length >= MAX_PATH) {  // 260 bytes and no terminator: no room for the backslash
        path[0] = 0;
        return GameValueTooLong;
    }
    if (path[length - 1] != '\\') {
        path[length] = '\\';
        path[length + 1] = 0;
    }
    return GameFound;
}

}  // namespace

GameLookupResult LookUpGameOutputDir(char* path)
{
    path[0] = 0;
#ifndef _WIN32
    WineRegistrySnapshot snapshot;  // the lookup's four key openings read system.reg once
#endif
    char keyPath[512], subKey[512], subKeyPath[1024], valueName[512];
    LoadTableString(IDS_REGISTRY_KEY, keyPath, sizeof keyPath);
    LoadTableString(IDS_REGISTRY_SUBKEY, subKey, sizeof subKey);
    LoadTableString(IDS_REGISTRY_VALUE, valueName, sizeof valueName);
    snprintf(subKeyPath, sizeof subKeyPath, "%s\\%s", keyPath, subKey);

    static const REGSAM kViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
    GameLookupResult best = GameKeyMissing;
    for (REGSAM view : kViews) {
        GameLookupResult r = LookUpInView(keyPath, subKeyPath, valueName, view, path);
        if (r == GameFound) return r;
        if (r > best) best = r;
    }
    path[0] = 0;
    return best;
}

bool FindGameOutputDir(char* path) { return LookUpGameOutputDir(path) == GameFound; }
