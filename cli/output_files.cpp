// The folders a write makes and the reasons a write fails, as the commands tell them.
#include "cli/output_files.h"

#include <stdio.h>
#include <string.h>

#include "platform/file_facts.h"
#include "platform/native_path.h"
#include "platform/win32.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// What the typed path names, in core form; absent when it cannot be put in that form.
FileKind KindOfTyped(const std::string& typed)
{
    char core[MAX_PATH];
    if (!PathToCoreForm(typed.c_str(), core, sizeof core)) return FileAbsent;
    return KindOfFile(core);
}

}  // namespace

FolderWatch::FolderWatch(const std::string& typedPath)
{
    // From the second character: a leading separator alone is the root.
    for (size_t i = 1; i < typedPath.size(); ++i) {
        if (!IsSeparator(typedPath[i]) || IsSeparator(typedPath[i - 1])) continue;
        if (KindOfTyped(typedPath.substr(0, i)) == FileAbsent) missing.push_back(typedPath.substr(0, i + 1));
    }
}

void FolderWatch::tell()
{
    if (told) return;
    told = true;
    // Made outermost first: the deepest one there holds the others.
    for (size_t i = missing.size(); i-- > 0;) {
        if (KindOfTyped(missing[i].substr(0, missing[i].size() - 1)) != FileDirectory) continue;
        fflush(stdout);  // after the lines of the write itself
        fprintf(stderr, "made folder %s\n", missing[i].c_str());
        return;
    }
}

std::string WhyNotWritten(const char* path, const std::string& typed, const ImageError& error)
{
    switch (KindOfFile(path)) {
    case FileDirectory: return "a folder is there, not a file";
    case FileSpecial: return "a device, FIFO or socket is there; only a regular file is replaced";
    case FileRegular: {
        DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return "the file is read-only";
        break;
    }
    case FileAbsent:
        // A file where the path needs a folder: the folder cannot be made.
        for (size_t i = 1; i < typed.size(); ++i) {
            if (!IsSeparator(typed[i]) || IsSeparator(typed[i - 1])) continue;
            FileKind kind = KindOfTyped(typed.substr(0, i));
            if (kind == FileRegular || kind == FileSpecial) return typed.substr(0, i) + " is a file, not a folder";
        }
        break;
    }
    return error.reason[0] ? error.reason : error.text;
}

std::string NameBeside(const std::string& picture, const char* ending)
{
    size_t name = picture.find_last_of("/\\");
    name = name == std::string::npos ? 0 : name + 1;
    size_t dot = picture.rfind('.');
    return picture.substr(0, dot != std::string::npos && dot > name ? dot : picture.size()) + ending;
}

std::string ShellWord(const std::string& argument)
{
#ifdef _WIN32
    const char* plainMarks = "_-+.,/:=@\\";  // a backslash is a separator there
#else
    const char* plainMarks = "_-+.,/:=@";
#endif
    bool plain = !argument.empty();
    for (char c : argument)
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          (c && strchr(plainMarks, c)));
    if (plain) return argument;
#ifdef _WIN32
    std::string quoted = "\"";
    for (char c : argument) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    return quoted + "\"";
#else
    std::string quoted = "'";
    for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}
