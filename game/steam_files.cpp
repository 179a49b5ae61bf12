// Steam's text files: the KeyValues reader and what the prefix search takes from libraryfolders.vdf,
// config.vdf, compatibilitytool.vdf and a prefix's config_info.
#include "game/steam_files.h"

#include <string.h>
#include <strings.h>

namespace {

enum { kDeepestVdf = 32 };  // Steam's own files nest six deep; deeper is no file of Steam's

bool SameKey(const std::string& a, const char* b)
{
    return a.size() == strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}

bool AllDigits(const std::string& s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The quoted string at text[i] (i on the opening quote) into `out`; i is left past the closing
// quote. False when the text ends first.
bool QuotedString(const char* text, size_t size, size_t& i, std::string& out)
{
    out.clear();
    for (++i; i < size && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < size) {
            char e = text[++i];
            out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
            out += text[i];
        }
    }
    if (i >= size) return false;
    ++i;
    return true;
}

}  // namespace

bool ReadVdf(const char* text, size_t size, VdfNode& root, std::string& why)
{
    root = VdfNode();
    root.block = true;
    why.clear();
    std::vector<VdfNode*> open{&root};  // the blocks being filled; each is the last entry of the one before
    bool haveKey = false;
    std::string token;
    size_t i = 0;
    auto odd = [&why](const char* what) { if (why.empty()) why = what; };
    while (i < size) {
        char c = text[i];
        if (c == '/' && i + 1 < size && text[i + 1] == '/') {
            while (i < size && text[i] != '\n') ++i;
        } else if (c == '"') {
            if (!QuotedString(text, size, i, token)) {
                odd("a string is not closed");
                break;
            }
            std::vector<VdfNode>& entries = open.back()->children;
            if (haveKey) {
                entries.back().value = token;
            } else {
                entries.push_back(VdfNode());
                entries.back().key = token;
            }
            haveKey = !haveKey;
        } else if (c == '{') {
            ++i;
            if (!haveKey) {
                odd("a block has no name");
                open.back()->children.push_back(VdfNode());
            } else if (open.size() > kDeepestVdf) {
                odd("blocks nest too deeply");
                break;
            }
            haveKey = false;
            VdfNode& named = open.back()->children.back();
            named.block = true;
            open.push_back(&named);
        } else if (c == '}') {
            ++i;
            if (haveKey) odd("a key has no value");
            haveKey = false;
            if (open.size() > 1) open.pop_back();
            else odd("a closing brace has no block");
        } else {
            ++i;  // blanks, and the odd word outside quotes, which Steam's files do not hold
        }
    }
    if (haveKey) odd("the last key has no value");
    if (open.size() > 1) odd("a block is not closed");
    return why.empty();
}

const VdfNode* VdfFind(const VdfNode& node, std::initializer_list<const char*> keys)
{
    const VdfNode* at = &node;
    for (const char* key : keys) {
        const VdfNode* next = nullptr;
        for (const VdfNode& child : at->children)
            if (SameKey(child.key, key)) {
                next = &child;
                break;
            }
        if (!next) return nullptr;
        at = next;
    }
    return at;
}

namespace {

void CollectLibraries(const VdfNode& block, int depth, std::vector<std::string>& paths)
{
    for (const VdfNode& entry : block.children) {
        if (entry.block) {
            CollectLibraries(entry, depth + 1, paths);
            continue;
        }
        const std::string& value = entry.value;
        bool pathEntry = SameKey(entry.key, "path") || (depth == 1 && AllDigits(entry.key));
        if (pathEntry && !value.empty() && value[0] == '/' && value.find('\0') == std::string::npos)
            paths.push_back(value);
    }
}

}  // namespace

std::vector<std::string> ReadLibraryFolders(const char* text, size_t size)
{
    VdfNode root;
    std::string why;
    ReadVdf(text, size, root, why);  // a damaged list still gives the libraries read before the damage
    std::vector<std::string> paths;
    CollectLibraries(root, 0, paths);
    return paths;
}

std::string MappedCompatTool(const VdfNode& config, const std::string& appId)
{
    const VdfNode* mapping = VdfFind(config, {"InstallConfigStore", "Software", "Valve", "Steam", "CompatToolMapping"});
    if (!mapping) return std::string();
    for (const char* app : {appId.c_str(), "0"}) {
        const VdfNode* name = VdfFind(*mapping, {app, "name"});
        if (name && !name->block && !name->value.empty()) return name->value;
    }
    return std::string();
}

std::vector<CompatTool> ReadCompatTools(const VdfNode& file)
{
    std::vector<CompatTool> tools;
    const VdfNode* list = VdfFind(file, {"compatibilitytools", "compat_tools"});
    if (!list) return tools;
    for (const VdfNode& tool : list->children) {
        if (!tool.block || tool.key.empty()) continue;
        const VdfNode* path = VdfFind(tool, {"install_path"});
        tools.push_back(CompatTool{tool.key, path && !path->block && !path->value.empty() ? path->value : "."});
    }
    return tools;
}

// A best effort: Steam keeps the names of its own tools in its app data, which no file on disk
// holds in plain text; these are the names its Protons have had, derived from their folders.
std::string ValveProtonName(const std::string& folder)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : folder + " ") {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.') word += c;
        else if (c >= 'A' && c <= 'Z') word += char(c - 'A' + 'a');
        else if (!word.empty()) words.push_back(word), word.clear();
    }
    if (words.size() != 2 || words[0] != "proton") return std::string();
    std::string second = words[1];
    size_t dot = second.find('.');
    if (dot != std::string::npos) {  // a version: "8.0" -> 8, "5.13" -> 513
        std::string major = second.substr(0, dot), minor = second.substr(dot + 1);
        if (!AllDigits(major) || !AllDigits(minor)) return std::string();
        second = minor == "0" ? major : major + minor;
    }
    return "proton_" + second;
}

bool ReadConfigInfo(const char* text, size_t size, std::string& wine, std::string& why)
{
    wine.clear();
    std::string content(text, size);
    size_t first = content.find('\n');
    if (first == std::string::npos) return (why = "it has no second line"), false;
    size_t end = content.find('\n', first + 1);
    std::string fonts = content.substr(first + 1, end == std::string::npos ? std::string::npos : end - first - 1);
    while (!fonts.empty() && fonts.back() == '/') fonts.pop_back();
    static const char kFonts[] = "/share/fonts";
    const size_t n = sizeof kFonts - 1;
    if (fonts.empty() || fonts[0] != '/' || fonts.find('\0') != std::string::npos || fonts.size() <= n ||
        fonts.compare(fonts.size() - n, n, kFonts) != 0)
        return (why = "its second line is no Proton fonts folder"), false;
    wine = fonts.substr(0, fonts.size() - n);
    return true;
}
