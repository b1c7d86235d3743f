// Lists a directory's entries in the order the file system gives them, "." and ".." included.
#include "platform/platform.h"
#include "platform/win32/win32_layer.h"

static DirectoryEntry EntryOf(const WIN32_FIND_DATAA& Found)
{
    DirectoryEntry Entry;
    Entry.Name = Found.cFileName;
    Entry.IsDirectory = (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return Entry;
}

// Every entry of every attribute: the pattern is "*" inside Directory.
bool PlatformListDirectory(const std::string& Directory, std::vector<DirectoryEntry>& Entries)
{
    Entries.clear();
    std::string Pattern = Directory;
    if (!Pattern.empty() && Pattern.back() != '\\' && Pattern.back() != '/' && Pattern.back() != ':')
        Pattern += '\\';
    Pattern += '*';
    WIN32_FIND_DATAA Found;
    HANDLE Search = FindFirstFileA(Pattern.c_str(), &Found);
    if (Search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND; // a drive's root may hold nothing at all
    do
        Entries.push_back(EntryOf(Found));
    while (FindNextFileA(Search, &Found));
    FindClose(Search);
    return true;
}
