// Lists a directory's entries sorted by name, "." and ".." included.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/platform.h"
#include "platform/posix/posix_layer.h"

// readdir's own order depends on the file system; sorting gives every run the same order.
bool PlatformListDirectory(const std::string& Directory, std::vector<DirectoryEntry>& Entries)
{
    Entries.clear();
    std::string Native = NativePath(Directory.empty() ? "." : Directory);
    DIR* Listing = opendir(Native.c_str());
    if (Listing == nullptr)
        return false;
    if (Native.back() != '/')
        Native += '/';
    while (const dirent* Found = readdir(Listing)) {
        DirectoryEntry Entry;
        Entry.Name = Found->d_name;
        struct stat Info;
        Entry.IsDirectory = stat((Native + Entry.Name).c_str(), &Info) == 0 && S_ISDIR(Info.st_mode);
        Entries.push_back(Entry);
    }
    closedir(Listing);
    std::sort(Entries.begin(), Entries.end(),
              [](const DirectoryEntry& A, const DirectoryEntry& B) { return A.Name < B.Name; });
    return true;
}
