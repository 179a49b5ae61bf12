// Code-page names: iconv natively, the conversion calls of kernel32 on Windows.
#include "game/player_names.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "platform/win32.h"

#ifndef _WIN32
#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <locale.h>
#include <wctype.h>
#endif

namespace {

// One character of UTF-8 at `p` (advanced past it); a byte that starts no valid sequence
// stands for itself.
uint32_t NextCharacter(const unsigned char*& p, const unsigned char* end)
{
    uint32_t c = *p;
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC0 && c < 0xE0 ? 1 : 0;
    if (end - p <= extra) extra = 0;
    for (int i = 1; i <= extra; ++i)
        if ((p[i] & 0xC0) != 0x80) extra = 0;
    if (!extra) {
        ++p;
        return c;
    }
    uint32_t value = c & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) value = value << 6 | (p[i] & 0x3F);
    p += extra + 1;
    return value;
}

std::vector<uint32_t> Characters(const std::string& text)
{
    std::vector<uint32_t> out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) out.push_back(NextCharacter(p, end));
    return out;
}

uint32_t Lower(uint32_t c)
{
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
#ifdef _WIN32
    if (c > 0xFFFF) return c;
    wchar_t w[2] = {wchar_t(c), 0};
    CharLowerBuffW(w, 1);
    return uint32_t(w[0]);
#else
    static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
    return unicode ? uint32_t(towlower_l(wint_t(c), unicode)) : c;
#endif
}

}  // namespace

#ifdef _WIN32

unsigned GameCodePage() { return GetACP(); }

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
    unsigned page = 1252;
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
    for (uint32_t c : Characters(text))
        if (!(c >= 0x300 && c <= 0x36F)) ++width;
    return width;
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    std::vector<uint32_t> x = Characters(a), y = Characters(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (Lower(x[i]) != Lower(y[i])) return false;
    return true;
}
