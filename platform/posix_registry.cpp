// The registry calls of the native layer: HKEY_LOCAL_MACHINE of the Wine prefix, read only,
// parsed from the prefix's system.reg in the text form Wine saves it in.
//
// The file: a first line "WINE REGISTRY Version 2", then "#arch=win32" or "#arch=win64",
// then one section per key, "[Software\\Vendor\\Key] 1700000000", holding lines
// "Name"=value and @=value (the default value). Values: "text" (REG_SZ), str(2):"text",
// str(7):"text", hex:00,01 (REG_BINARY), hex(N):00,01 (any type, continued on the next line
// after a trailing backslash), dword:0000002a. Strings are Wine's escapes over UTF-16 code
// units. Keys without values of their own are not written, only their sub-keys.
#include "platform/posix_files.h"
#include "platform/win32.h"
#include "platform/wine_prefix.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint16_t> Utf16;

struct RegValue {
    std::string name;           // UTF-8
    DWORD type;
    std::vector<uint8_t> data;  // as the registry holds it: string types in UTF-16LE
};

struct OpenKey {
    std::string path;  // below HKEY_LOCAL_MACHINE, one backslash between components
    REGSAM access;
    std::vector<RegValue> values;
};

// Handles this layer gave out; anything else is refused rather than dereferenced.
std::set<OpenKey*>& LiveKeys()
{
    static std::set<OpenKey*> keys;
    return keys;
}

OpenKey* FromHandle(HKEY key)
{
    OpenKey* k = static_cast<OpenKey*>(key);
    return LiveKeys().count(k) ? k : nullptr;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

// Reads Wine's escaped string from `pos` up to the unescaped `end` character: \a \b \e \f \n
// \r \t \v, \x with one to four hex digits (a UTF-16 code unit), one to three octal digits;
// any other escaped character stands for itself. Plain bytes are code points 0-255, as Wine
// reads them. Returns the index behind the delimiter, or npos when it is missing.
size_t ParseEscaped(const std::string& line, size_t pos, char end, Utf16& out)
{
    out.clear();
    while (pos < line.size() && line[pos] != end) {
        unsigned char c = (unsigned char)line[pos];
        if (c != '\\' || pos + 1 >= line.size()) {
            out.push_back(c);
            ++pos;
            continue;
        }
        char e = line[++pos];
        const char* simple = strchr("abefnrtv", e);
        if (e && simple) {
            static const char kCodes[] = {'\a', '\b', 27, '\f', '\n', '\r', '\t', '\v'};
            out.push_back(uint16_t(kCodes[simple - "abefnrtv"]));
            ++pos;
        } else if (e == 'x') {
            ++pos;
            if (pos >= line.size() || HexDigit(line[pos]) < 0) {
                out.push_back('x');
                continue;
            }
            unsigned v = 0;
            for (int i = 0; i < 4 && pos < line.size() && HexDigit(line[pos]) >= 0; ++i)
                v = v * 16 + unsigned(HexDigit(line[pos++]));
            out.push_back(uint16_t(v));
        } else if (e >= '0' && e <= '7') {
            unsigned v = 0;
            for (int i = 0; i < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++i)
                v = v * 8 + unsigned(line[pos++] - '0');
            out.push_back(uint16_t(v));
        } else {
            out.push_back((unsigned char)e);
            ++pos;
        }
    }
    if (pos >= line.size()) return std::string::npos;
    return pos + 1;
}

// UTF-16 code units to UTF-8, the byte form native paths and names take. A lone surrogate
// becomes '?', as an unmappable character does in Windows' own A conversion.
std::string ToUtf8(const uint16_t* units, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = '?';
        }
        if (c < 0x80) {
            s += char(c);
        } else if (c < 0x800) {
            s += char(0xC0 | (c >> 6));
            s += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += char(0xE0 | (c >> 12));
            s += char(0x80 | ((c >> 6) & 0x3F));
            s += char(0x80 | (c & 0x3F));
        } else {
            s += char(0xF0 | (c >> 18));
            s += char(0x80 | ((c >> 12) & 0x3F));
            s += char(0x80 | ((c >> 6) & 0x3F));
            s += char(0x80 | (c & 0x3F));
        }
    }
    return s;
}

std::vector<std::string> SplitKeyPath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t stop = path.find('\\', start);
        if (stop == std::string::npos) stop = path.size();
        if (stop > start) parts.push_back(path.substr(start, stop - start));
        start = stop + 1;
    }
    return parts;
}

// Key and value names compare without regard to ASCII letter case.
bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// 0: unrelated; 1: `section` lies below `wanted`; 2: the same key.
int Relation(const std::vector<std::string>& section, const std::vector<std::string>& wanted)
{
    if (section.size() < wanted.size()) return 0;
    for (size_t i = 0; i < wanted.size(); ++i)
        if (!SameName(section[i], wanted[i])) return 0;
    return section.size() == wanted.size() ? 2 : 1;
}

// Reads the hex bytes "00,0a,ff" from `pos`. Returns the index behind them, or npos when a
// byte is malformed.
size_t ParseHexBytes(const std::string& text, size_t pos, std::vector<uint8_t>& out)
{
    while (pos < text.size() && HexDigit(text[pos]) >= 0) {
        unsigned v = 0;
        int digits = 0;
        while (pos < text.size() && HexDigit(text[pos]) >= 0) {
            v = v * 16 + unsigned(HexDigit(text[pos++]));
            if (++digits > 2) return std::string::npos;
        }
        out.push_back(uint8_t(v));
        while (pos < text.size() && IsSpace(text[pos])) ++pos;
        if (pos < text.size() && text[pos] == ',') ++pos;
        while (pos < text.size() && IsSpace(text[pos])) ++pos;
    }
    return pos;
}

class LineReader {
public:
    explicit LineReader(const std::string& t) : text(t), pos(0) {}
    // The next line without its line end, in place.
    bool next(const char*& begin, const char*& end)
    {
        if (pos >= text.size()) return false;
        begin = text.data() + pos;
        const char* stop = static_cast<const char*>(memchr(begin, '\n', text.size() - pos));
        if (!stop) stop = text.data() + text.size();
        pos = size_t(stop - text.data()) + 1;
        end = stop;
        if (end > begin && end[-1] == '\r') --end;
        return true;
    }
    bool next(std::string& line)
    {
        const char *b, *e;
        if (!next(b, e)) return false;
        line.assign(b, e);
        return true;
    }

private:
    const std::string& text;
    size_t pos;
};

// A key path as a section header spells it when every character is plain: printable ASCII
// other than the escaped \ [ ] ", components joined by a doubled backslash. Empty when some
// character is not plain.
std::string PlainHeaderName(const std::vector<std::string>& parts)
{
    std::string s;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) s += "\\\\";
        for (char c : parts[i]) {
            if (c < 0x20 || c > 0x7e || c == '\\' || c == '[' || c == ']' || c == '"') return std::string();
            s += c;
        }
    }
    return s;
}

// The relation of a section header's name (from just behind its "[") to the wanted key, told
// from the raw text while it is plain; -1 when the header needs the full reading (escapes,
// bytes outside ASCII, empty components).
int PlainRelation(const char* p, const char* end, const std::string& wanted)
{
    size_t i = 0;
    for (; i < wanted.size(); ++i, ++p) {
        if (p >= end) return -1;
        char c = *p;
        if (c == '\\') {
            if (p + 1 >= end || p[1] != '\\' || wanted[i] != '\\') return -1;
            ++p;
            ++i;
            continue;
        }
        if (c < 0x20 || c > 0x7e || c == ']') return -1;
        if (AsciiLower(c) != AsciiLower(wanted[i])) return 0;  // differs inside a plain prefix
    }
    if (p < end && *p == ']') return 2;
    if (p + 2 < end && p[0] == '\\' && p[1] == '\\' && p[2] != '\\' && p[2] != ']') return 1;
    return -1;
}

// Up to eight hex digits from `pos` into `v`; the count of digits read.
int ParseHexNumber(const std::string& line, size_t& pos, uint32_t& v)
{
    int digits = 0;
    v = 0;
    while (pos < line.size() && HexDigit(line[pos]) >= 0 && digits < 8) {
        v = v * 16 + uint32_t(HexDigit(line[pos++]));
        ++digits;
    }
    return digits;
}

// The value's name and the "=" behind it: "Name"= or @=. Returns the index of the data behind
// the blanks that follow, or npos.
size_t ParseValueName(const std::string& line, RegValue& value)
{
    Utf16 units;
    size_t pos = 1;
    if (line[0] == '@') {
        value.name.clear();
    } else {
        pos = ParseEscaped(line, 1, '"', units);
        if (pos == std::string::npos) return pos;
        value.name = ToUtf8(units.data(), units.size());
    }
    while (pos < line.size() && IsSpace(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return std::string::npos;
    ++pos;
    while (pos < line.size() && IsSpace(line[pos])) ++pos;
    return pos;
}

enum DataForm { FormString, FormDword, FormHex };

// The type in front of the data ("str(2):\"", "dword:", "hex(7):", ...) into `type` and `form`.
// Returns the index of the data behind it, or npos for a type Wine does not write.
size_t ParseValueType(const std::string& line, size_t pos, DWORD& type, DataForm& form)
{
    static const struct {
        const char* prefix;
        DWORD type;
        DataForm form;
    } kPrefixes[] = {{"\"", REG_SZ, FormString},           {"str:\"", REG_SZ, FormString},
                     {"str(2):\"", REG_EXPAND_SZ, FormString}, {"str(7):\"", REG_MULTI_SZ, FormString},
                     {"dword:", REG_DWORD, FormDword},      {"hex:", REG_BINARY, FormHex}};
    for (const auto& p : kPrefixes) {
        size_t n = strlen(p.prefix);
        if (line.compare(pos, n, p.prefix) != 0) continue;
        type = p.type;
        form = p.form;
        return pos + n;
    }
    if (line.compare(pos, 4, "hex(") != 0) return std::string::npos;
    pos += 4;
    uint32_t t = 0;
    if (ParseHexNumber(line, pos, t) == 0 || line.compare(pos, 2, "):") != 0) return std::string::npos;
    type = t;
    form = FormHex;
    return pos + 2;
}

// Hex bytes from `pos`, continued on the following lines after a trailing backslash.
bool ParseHexData(std::string line, size_t pos, LineReader& lines, std::vector<uint8_t>& data)
{
    for (;;) {
        pos = ParseHexBytes(line, pos, data);
        if (pos == std::string::npos) return false;
        while (pos < line.size() && IsSpace(line[pos])) ++pos;
        if (pos >= line.size()) return true;
        if (line[pos] != '\\') return false;
        if (!lines.next(line)) return false;
        pos = 0;
        while (pos < line.size() && IsSpace(line[pos])) ++pos;
    }
}

// Parses one value line (after its leading blanks) into `value`; for hex data it may take the
// following lines. False for a line Wine would also refuse.
bool ParseValue(const std::string& line, LineReader& lines, RegValue& value)
{
    size_t pos = ParseValueName(line, value);
    DataForm form = FormHex;
    if (pos != std::string::npos) pos = ParseValueType(line, pos, value.type, form);
    if (pos == std::string::npos) return false;
    value.data.clear();
    if (form == FormDword) {
        uint32_t v = 0;
        if (ParseHexNumber(line, pos, v) == 0) return false;
        for (int i = 0; i < 4; ++i) value.data.push_back(uint8_t(v >> (8 * i)));
        return true;
    }
    if (form == FormHex) return ParseHexData(line, pos, lines, value.data);
    Utf16 units;
    if (ParseEscaped(line, pos, '"', units) == std::string::npos) return false;
    units.push_back(0);  // the stored string keeps its terminator
    for (uint16_t u : units) {
        value.data.push_back(uint8_t(u));
        value.data.push_back(uint8_t(u >> 8));
    }
    return true;
}

// A prefix's system.reg holds a few MiB; past this it is not one, and is not read at all.
const size_t kMostRegistryBytes = size_t(64) << 20;

// The file as a lookup sees it: read by the first key opened inside a WineRegistrySnapshot and
// kept until the snapshot ends, else read for each key.
struct RegistryText {
    int snapshots = 0;
    bool loaded = false;
    DWORD error = ERROR_SUCCESS;
    std::string text;
};
thread_local RegistryText registryText;
thread_local const char* refusal = "";

DWORD ReadRegistryFile(const char* path, std::string& text)
{
    DWORD error = ReadRegularFile(path, kMostRegistryBytes, text);
    struct stat st;
    switch (error) {
    case ERROR_SUCCESS:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: refusal = ""; break;
    case kErrorFileTooLarge: refusal = "is larger than 64 MiB"; break;
    case ERROR_NOT_ENOUGH_MEMORY: refusal = "could not be read: not enough memory"; break;
    case ERROR_ACCESS_DENIED:
        refusal = stat(path, &st) == 0 && !S_ISREG(st.st_mode) ? "is not a regular file" : "could not be read";
        break;
    default: refusal = "could not be read"; break;
    }
    return error;
}

// The registry file's text for one key opening; null when it cannot be read.
const std::string* RegistryFileText(const char* path, std::string& own)
{
    if (registryText.snapshots == 0) return ReadRegistryFile(path, own) == ERROR_SUCCESS ? &own : nullptr;
    if (!registryText.loaded) {
        registryText.error = ReadRegistryFile(path, registryText.text);
        registryText.loaded = true;
    }
    return registryText.error == ERROR_SUCCESS ? &registryText.text : nullptr;
}

enum FindResult { KeyMissing, KeyFound };

// Looks `path` up in the registry file. `redirect32`: the 32-bit view, which a 64-bit prefix
// keeps under Software\Wow6432Node. On success `resolved` is the path as stored and `values`
// holds the key's values (a later section of the same key adds to or replaces them, as when
// Wine loads the file).
FindResult FindKey(const std::string& text, std::string path, bool redirect32, std::string& resolved,
                   std::vector<RegValue>& values)
{
    LineReader lines(text);
    std::string line;
    if (!lines.next(line) || line.compare(0, 23, "WINE REGISTRY Version 2") != 0) return KeyMissing;

    bool win64 = true;  // what Wine assumes for a prefix that names no architecture
    bool inKeys = false, exists = false, inWanted = false;
    std::vector<std::string> wanted;
    std::string plainWanted;
    Utf16 units;
    values.clear();
    const char *b, *e;
    while (lines.next(b, e)) {
        while (b < e && IsSpace(*b)) ++b;
        if (b >= e) continue;
        char c = *b;
        if (c == '#') {
            if (!inKeys && e - b >= 11 && !memcmp(b, "#arch=win32", 11)) win64 = false;
            continue;
        }
        if (c == '[') {
            if (!inKeys) {
                inKeys = true;
                wanted = SplitKeyPath(path);
                if (redirect32 && win64 && !wanted.empty() && SameName(wanted[0], "Software") &&
                    !(wanted.size() > 1 && SameName(wanted[1], "Wow6432Node")))
                    wanted.insert(wanted.begin() + 1, "Wow6432Node");
                resolved.clear();
                for (size_t i = 0; i < wanted.size(); ++i) resolved += (i ? "\\" : "") + wanted[i];
                plainWanted = PlainHeaderName(wanted);
            }
            inWanted = false;
            // Most of a prefix's thousands of sections are told apart from the raw text.
            int r = plainWanted.empty() ? -1 : PlainRelation(b + 1, e, plainWanted);
            if (r < 0) {
                line.assign(b, e);
                if (ParseEscaped(line, 1, ']', units) == std::string::npos) continue;
                r = Relation(SplitKeyPath(ToUtf8(units.data(), units.size())), wanted);
            }
            if (r) exists = true;
            inWanted = r == 2;
            continue;
        }
        if ((c == '"' || c == '@') && inWanted) {
            line.assign(b, e);
            RegValue v;
            if (!ParseValue(line, lines, v)) continue;
            bool replaced = false;
            for (RegValue& old : values)
                if (SameName(old.name, v.name)) {
                    old = v;
                    replaced = true;
                }
            if (!replaced) values.push_back(v);
        }
    }
    if (!inKeys) {
        // A file without any key still has the root.
        resolved.clear();
        exists = SplitKeyPath(path).empty();
    }
    return exists ? KeyFound : KeyMissing;
}

// What RegQueryValueExA hands out: string types converted from UTF-16, the rest as stored.
std::vector<uint8_t> AnsiData(const RegValue& v)
{
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ && v.type != REG_MULTI_SZ) return v.data;
    Utf16 units(v.data.size() / 2);
    for (size_t i = 0; i < units.size(); ++i) units[i] = uint16_t(v.data[2 * i] | (v.data[2 * i + 1] << 8));
    std::string s = ToUtf8(units.data(), units.size());
    return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace

namespace {
std::string winePrefix;  // the caller's choice; empty: none
}

void UseWinePrefix(const char* folder)
{
    winePrefix = folder ? folder : "";
    while (winePrefix.size() > 1 && winePrefix.back() == '/') winePrefix.pop_back();
}

int WinePrefixFolder(char* out, size_t size)
{
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (winePrefix.empty() || winePrefix.size() >= size) return 0;
    memcpy(out, winePrefix.c_str(), winePrefix.size() + 1);
    return 1;
}

int WineRegistryFile(char* out, size_t size)
{
    if (!WinePrefixFolder(out, size)) return 0;
    size_t n = strlen(out);
    static const char kName[] = "/system.reg";
    if (n + sizeof kName > size) {
        out[0] = 0;
        return 0;
    }
    memcpy(out + n, kName, sizeof kName);
    return 1;
}

WineRegistrySnapshot::WineRegistrySnapshot() { ++registryText.snapshots; }

WineRegistrySnapshot::~WineRegistrySnapshot()
{
    if (--registryText.snapshots == 0) {
        registryText.loaded = false;
        std::string().swap(registryText.text);
    }
}

const char* WineRegistryRefusal() { return refusal; }

LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result) try
{
    (void)options;
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::string path = subKey ? subKey : "";
    bool redirect32 = (access & KEY_WOW64_32KEY) != 0;
    if (root != HKEY_LOCAL_MACHINE) {
        OpenKey* parent = FromHandle(root);
        if (!parent) return ERROR_INVALID_HANDLE;
        path = parent->path + "\\" + path;
        redirect32 = false;  // the parent's path already names its view
    }

    char file[4096];
    if (!WineRegistryFile(file, sizeof file)) return ERROR_FILE_NOT_FOUND;
    std::string own;
    const std::string* text = RegistryFileText(file, own);
    if (!text) return ERROR_FILE_NOT_FOUND;

    std::unique_ptr<OpenKey> key(new OpenKey);
    key->access = access;
    if (FindKey(*text, path, redirect32, key->path, key->values) != KeyFound) return ERROR_FILE_NOT_FOUND;
    LiveKeys().insert(key.get());
    *result = key.release();
    return ERROR_SUCCESS;
} catch (...) {
    return ErrorOfCurrentException();
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) try
{
    OpenKey* k = FromHandle(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
    if (!(k->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    std::string wantedName = name ? name : "";
    for (const RegValue& v : k->values) {
        if (!SameName(v.name, wantedName)) continue;
        std::vector<uint8_t> bytes = AnsiData(v);
        if (type) *type = v.type;
        DWORD needed = DWORD(bytes.size());
        if (data && *size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (data && needed) memcpy(data, bytes.data(), needed);
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
} catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
}

LONG RegCloseKey(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    OpenKey* k = FromHandle(key);
    if (!k) return ERROR_INVALID_HANDLE;
    LiveKeys().erase(k);
    delete k;
    return ERROR_SUCCESS;
}
