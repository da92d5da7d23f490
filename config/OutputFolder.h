// The output folder: whether it exists, and creating it with every missing folder above.
#pragma once

#include <string>

// True when the path names a directory; a trailing backslash or slash is ignored.
bool FolderExists(const std::wstring& path);
// Creates the folder and every missing one above it; true when the folder exists
// afterwards (also when it existed before).
bool CreateFolderTree(const std::wstring& path);
