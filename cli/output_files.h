// What every command that writes says about it: the folders the write made, and why a file
// could not be written, in the words of what is there and of the system.
#pragma once

#include <string>
#include <vector>

#include "image/image_error.h"

// The folders of an output path (as the user typed it) that are missing before a command
// writes; the file stream makes them as it opens the file. Tell, after the write whether it
// worked or not, names the deepest of them that is there now: "made folder nope/dir/" on
// standard error, in the user's spelling, at most once.
class FolderWatch {
public:
    explicit FolderWatch(const std::string& typedPath);
    void tell();

private:
    std::vector<std::string> missing;  // typed, each ending in its separator, outermost first
    bool told = false;
};

// Why the file at `path` (core form; `typed` as the user gave it) was not written, from what
// is there and the system's reason in `error`: "a folder is there, not a file", "plain is a
// file, not a folder", "the file is read-only", or the system's words.
std::string WhyNotWritten(const char* path, const std::string& typed, const ImageError& error);

// The file beside `picture` (as typed) named by its stem and `ending`: "photo-banner.bmp" for
// "photo.jpg" and "-banner.bmp"; a name without an extension keeps all of it.
std::string NameBeside(const std::string& picture, const char* ending);

// The text of `argument` as a shell takes it back whole: as it is when it holds only plain
// characters, else quoted (single quotes natively, double quotes on Windows).
std::string ShellWord(const std::string& argument);
