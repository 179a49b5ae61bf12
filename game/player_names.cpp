// Code-page names: iconv natively, the conversion calls of kernel32 on Windows.
#include "game/player_names.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "platform/utf8_text.h"
#include "platform/win32.h"

#ifndef _WIN32
#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#endif

namespace {

// The system's ANSI code page as the registry holds it (value ACP), 0 when absent or no number.
// On Windows this is the code page the game writes in even where this process's own is UTF-8.
unsigned RegistryCodePage()
{
    unsigned page = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Nls\\CodePage", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return page;
    char value[16] = {};
    DWORD size = sizeof value - 1, type = 0;
    if (RegQueryValueExA(key, "ACP", nullptr, &type, (LPBYTE)value, &size) == ERROR_SUCCESS && type == REG_SZ) {
        value[size < sizeof value ? size : sizeof value - 1] = 0;
        char* end = nullptr;
        unsigned long n = strtoul(value, &end, 10);
        if (end != value && n > 0 && n < 65536) page = unsigned(n);
    }
    RegCloseKey(key);
    return page;
}

}  // namespace

#ifdef _WIN32

unsigned GameCodePage()
{
    if (unsigned page = RegistryCodePage()) return page;
    DWORD page = 0;  // the system locale's, which the manifest's UTF-8 does not change
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPSTR>(&page), sizeof page / sizeof(char)))
        return page;
    return GetACP();
}

std::string DecodeName(const std::string& bytes, unsigned codePage)
{
    if (bytes.empty()) return bytes;
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (n <= 0) return bytes;
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), wide.data(), n);
    int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return bytes;
    std::string out(size_t(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}

#else

unsigned GameCodePage()
{
    unsigned page = RegistryCodePage();
    return page ? page : 1252;
}

std::string DecodeName(const std::string& bytes, unsigned codePage)
{
    if (codePage == 65001) return bytes;
    char from[16];
    snprintf(from, sizeof from, "CP%u", codePage);
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == (iconv_t)-1) cd = iconv_open("UTF-8", "CP1252");
    if (cd == (iconv_t)-1) return bytes;
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, size_t(o - buffer));
        if (r == (size_t)-1 && errno != E2BIG) {
            out += '?';  // a byte the code page does not define
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

#endif

size_t DisplayWidth(const std::string& text)
{
    size_t width = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
        uint32_t c = NextUtf8Character(p, end);
        if (!(c >= 0x300 && c <= 0x36F)) ++width;  // combining marks take no column
    }
    return width;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) { return SameTextIgnoringCase(a, b); }
