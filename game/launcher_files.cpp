// The launchers' records: YAML read through libyaml's event parser into a small tree, JSON through
// nlohmann's parser without exceptions, playonlinux.cfg by hand.
#include "game/launcher_files.h"

#include <yaml.h>

#include <nlohmann/json.hpp>
#include <vector>

namespace {

struct YamlNode {
    enum Kind { Scalar, Map, List } kind = Scalar;
    std::string text;
    std::vector<std::string> keys;  // a map's keys, one per item
    std::vector<YamlNode> items;
};

enum { kDeepestYaml = 32 };  // the launchers' files nest four deep

class YamlParser {
public:
    YamlParser(const char* text, size_t size)
    {
        ready = yaml_parser_initialize(&parser) != 0;
        if (ready) yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text), size);
    }
    ~YamlParser()
    {
        if (ready) yaml_parser_delete(&parser);
    }
    YamlParser(const YamlParser&) = delete;
    YamlParser& operator=(const YamlParser&) = delete;

    // The next event into `event` (which the caller deletes); false with `why` on an error.
    bool next(yaml_event_t& event, std::string& why)
    {
        if (ready && yaml_parser_parse(&parser, &event)) return true;
        why = "not YAML";
        if (ready && parser.problem)
            why += std::string(": ") + parser.problem + " on line " + std::to_string(parser.problem_mark.line + 1);
        return false;
    }

private:
    yaml_parser_t parser;
    bool ready;
};

struct YamlFrame {
    YamlNode* node;
    bool wantKey;
};

// Adds a scalar or a new collection to the innermost open one; returns where it went.
YamlNode* AddYamlNode(std::vector<YamlFrame>& open, YamlNode& root, YamlNode node)
{
    if (open.empty()) return &(root = std::move(node));
    YamlFrame& top = open.back();
    top.node->items.push_back(std::move(node));
    if (top.node->kind == YamlNode::Map) top.wantKey = true;
    return &top.node->items.back();
}

// Reads the first YAML document of `text` into `root`. Aliases read as empty text; a key that is
// not plain text, or nesting deeper than kDeepestYaml, makes it no file of the launchers'.
bool ReadYaml(const char* text, size_t size, YamlNode& root, std::string& why)
{
    root = YamlNode();
    YamlParser parser(text, size);
    std::vector<YamlFrame> open;
    for (;;) {
        yaml_event_t event;
        if (!parser.next(event, why)) return false;
        const yaml_event_type_t type = event.type;
        std::string scalar;
        if (type == YAML_SCALAR_EVENT)
            scalar.assign(reinterpret_cast<const char*>(event.data.scalar.value), event.data.scalar.length);
        yaml_event_delete(&event);
        bool isKey = !open.empty() && open.back().node->kind == YamlNode::Map && open.back().wantKey;
        if (type == YAML_SCALAR_EVENT || type == YAML_ALIAS_EVENT) {
            if (isKey) {
                open.back().node->keys.push_back(scalar);
                open.back().wantKey = false;
            } else {
                AddYamlNode(open, root, YamlNode{YamlNode::Scalar, scalar, {}, {}});
            }
        } else if (type == YAML_MAPPING_START_EVENT || type == YAML_SEQUENCE_START_EVENT) {
            if (isKey) return (why = "a key is not plain text"), false;
            if (open.size() >= kDeepestYaml) return (why = "it nests too deeply"), false;
            YamlNode node;
            node.kind = type == YAML_MAPPING_START_EVENT ? YamlNode::Map : YamlNode::List;
            open.push_back(YamlFrame{AddYamlNode(open, root, std::move(node)), true});
        } else if (type == YAML_MAPPING_END_EVENT || type == YAML_SEQUENCE_END_EVENT) {
            open.pop_back();
        } else if (type == YAML_DOCUMENT_END_EVENT || type == YAML_STREAM_END_EVENT) {
            return true;
        }
    }
}

// The value of `key` in the map `node`; null when `node` is no map or lacks it.
const YamlNode* YamlGet(const YamlNode* node, const char* key)
{
    if (!node || node->kind != YamlNode::Map) return nullptr;
    for (size_t i = 0; i < node->keys.size() && i < node->items.size(); ++i)
        if (node->keys[i] == key) return &node->items[i];
    return nullptr;
}

// The text of `key` in `node` when it is plain text; empty otherwise.
std::string YamlText(const YamlNode* node, const char* key)
{
    const YamlNode* value = YamlGet(node, key);
    return value && value->kind == YamlNode::Scalar ? value->text : std::string();
}

// `root` read and a map; false with `why` otherwise.
bool ReadYamlMap(const char* text, size_t size, YamlNode& root, std::string& why)
{
    if (!ReadYaml(text, size, root, why)) return false;
    if (root.kind != YamlNode::Map) return (why = "its top level is no mapping"), false;
    return true;
}

// A version or runner name: plain, or `why` says what it names.
bool CheckFolderName(const std::string& name, const char* what, std::string& why)
{
    if (name.empty() || IsPlainFolderName(name)) return true;
    why = std::string(what) + " '" + name + "' names no folder";
    return false;
}

}  // namespace

bool IsPlainFolderName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool ReadLutrisGame(const char* text, size_t size, std::string& prefix, std::string& version, std::string& why)
{
    YamlNode root;
    if (!ReadYamlMap(text, size, root, why)) return false;
    prefix = YamlText(YamlGet(&root, "game"), "prefix");
    version = YamlText(YamlGet(&root, "wine"), "version");
    if (prefix.empty()) return (why = "it names no game: prefix (not a Wine game)"), false;
    return CheckFolderName(version, "wine: version", why);
}

bool ReadLutrisDefault(const char* text, size_t size, std::string& version, std::string& why)
{
    YamlNode root;
    if (!ReadYamlMap(text, size, root, why)) return false;
    version = YamlText(YamlGet(&root, "wine"), "version");
    return CheckFolderName(version, "wine: version", why);
}

bool ReadBottle(const char* text, size_t size, std::string& runner, std::string& why)
{
    YamlNode root;
    if (!ReadYamlMap(text, size, root, why)) return false;
    runner = YamlText(&root, "Runner");
    if (runner.empty()) return (why = "it names no Runner"), false;
    return CheckFolderName(runner, "Runner", why);
}

namespace {

// The string member `key` of the JSON object `object`; empty when it is missing or no string.
std::string JsonText(const nlohmann::json& object, const char* key)
{
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

bool ReadHeroicGame(const char* text, size_t size, const std::string& key, HeroicGame& game, std::string& why)
{
    game = HeroicGame();
    const nlohmann::json file = nlohmann::json::parse(text, text + size, nullptr, false);
    if (file.is_discarded()) return (why = "not JSON"), false;
    if (!file.is_object()) return (why = "its top level is no object"), false;
    const nlohmann::json* entry = nullptr;
    auto named = file.find(key);
    if (named != file.end() && named->is_object()) entry = &*named;
    for (auto it = file.begin(); !entry && it != file.end(); ++it)  // a file renamed by hand
        if (it->is_object() && it->contains("winePrefix")) entry = &*it;
    if (!entry) return (why = "it has no game entry with a winePrefix"), false;
    game.winePrefix = JsonText(*entry, "winePrefix");
    if (game.winePrefix.empty()) return (why = "its winePrefix is no text"), false;
    auto version = entry->find("wineVersion");
    if (version != entry->end() && version->is_object()) {
        game.wineBin = JsonText(*version, "bin");
        game.wineType = JsonText(*version, "type");
    }
    return true;
}

bool ReadPlayOnLinuxConfig(const char* text, size_t size, std::string& version, std::string& arch, std::string& why)
{
    version.clear();
    arch = "x86";  // PlayOnLinux's prefixes were 32-bit before ARCH was written
    std::string content(text, size);
    if (content.find('\0') != std::string::npos) return (why = "it holds a zero byte"), false;
    size_t start = 0;
    for (int line = 1; start < content.size(); ++line) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string row = content.substr(start, end - start);
        start = end + 1;
        if (!row.empty() && row.back() == '\r') row.pop_back();
        if (row.empty()) continue;
        size_t equals = row.find('=');
        if (equals == std::string::npos || equals == 0)
            return (why = "line " + std::to_string(line) + " is no KEY=VALUE"), false;
        const std::string key = row.substr(0, equals), value = row.substr(equals + 1);
        if (key == "VERSION") version = value;
        if (key == "ARCH") arch = value;
    }
    if (arch != "x86" && arch != "amd64") return (why = "ARCH '" + arch + "' is neither x86 nor amd64"), false;
    return CheckFolderName(version, "VERSION", why);
}
