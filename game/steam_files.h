// Natively: Steam's own files, as far as the search for a game's prefix and its Proton reads
// them. Each reader takes the file's bytes and never fails hard: what it cannot read it says.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <initializer_list>
#include <string>
#include <vector>

// One entry of Steam's text KeyValues ("VDF"): a key with a string, or with a block of entries.
struct VdfNode {
    std::string key;
    std::string value;
    std::vector<VdfNode> children;
    bool block = false;
};

// Reads VDF text: quoted keys, each followed by a quoted string or a block in braces; //
// comments; backslash escapes. `root` is a block holding the top-level entries. Tolerant: a
// stray brace is passed over and an unclosed string or block ends the text, keeping what came
// before. Returns false with `why` when the text was not whole and well formed.
bool ReadVdf(const char* text, size_t size, VdfNode& root, std::string& why);

// The first entry of `node` along `keys` (letter case ignored, as Steam does); null when any is
// missing.
const VdfNode* VdfFind(const VdfNode& node, std::initializer_list<const char*> keys);

// The library folders a Steam libraryfolders.vdf lists: every "path" value, and in the older
// form every numbered entry of the top block that is a plain string. Tolerant: what it cannot
// read it leaves out. Only absolute paths without a zero byte.
std::vector<std::string> ReadLibraryFolders(const char* text, size_t size);

// config/config.vdf: the internal name of the compatibility tool Steam maps to `appId`
// (CompatToolMapping), else the one it maps to "0" (Steam Play for all other titles); empty
// when neither names one.
std::string MappedCompatTool(const VdfNode& config, const std::string& appId);

// compatibilitytools.d/*/compatibilitytool.vdf: each tool's internal name and its folder
// relative to the file's own ("install_path", "." when not given).
struct CompatTool {
    std::string name;
    std::string installPath;
};
std::vector<CompatTool> ReadCompatTools(const VdfNode& file);

// The internal name Steam gives one of Valve's own Protons in steamapps/common, from its folder:
// "Proton 8.0" -> proton_8, "Proton 5.13" -> proton_513, "Proton - Experimental" ->
// proton_experimental, "Proton Hotfix" -> proton_hotfix. Empty for a folder that is no Proton.
std::string ValveProtonName(const std::string& folder);

// compatdata/APPID/config_info, written by the Proton that last set the prefix up: its second
// line is that Proton's fonts folder, inside its Wine installation (files/ or dist/). True with
// the installation's folder as the file names it; false with `why`.
bool ReadConfigInfo(const char* text, size_t size, std::string& wine, std::string& why);
#endif
