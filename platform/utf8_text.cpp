// UTF-8 decoding and case folding, the one copy of each.
#include "platform/utf8_text.h"

#include "platform/win32.h"

#ifndef _WIN32
#include <locale.h>
#include <wctype.h>
#endif

uint32_t NextUtf8Character(const unsigned char*& p, const unsigned char* end)
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

uint32_t FoldCase(uint32_t c)
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

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a.data());
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b.data());
    const unsigned char* pEnd = p + a.size();
    const unsigned char* qEnd = q + b.size();
    while (p < pEnd && q < qEnd)
        if (FoldCase(NextUtf8Character(p, pEnd)) != FoldCase(NextUtf8Character(q, qEnd))) return false;
    return p == pEnd && q == qEnd;
}
