// The operating-system seam: plain procedures, implemented once for POSIX and once for Win32.
//
// Every file operation that fails leaves an error code pending. The first pending code is kept
// until PlatformTakeError reads and clears it, so a caller can run several operations and ask
// once whether all of them succeeded. A read or write that moves fewer bytes than asked fails.
// Sizes, positions and counts are signed 32-bit byte counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/file_object.h"

// Files. Opening for reading lets other processes keep read and write access.
bool PlatformOpenRead(FileObject& File, const std::string& Path);
bool PlatformCreate(FileObject& File, const std::string& Path); // truncates; read and write
void PlatformClose(FileObject& File);                           // harmless on a closed file
int32_t PlatformFileSize(FileObject& File);
int32_t PlatformFilePosition(FileObject& File);
void PlatformSeek(FileObject& File, int32_t Position); // a negative position fails
void PlatformRead(FileObject& File, void* Buffer, int32_t Count);
// Count bytes from Position on, in one call instead of a seek and a read; where the file stands
// afterwards differs between systems, so the next plain read or write must seek first.
void PlatformReadAt(FileObject& File, int32_t Position, void* Buffer, int32_t Count);
void PlatformWrite(FileObject& File, const void* Buffer, int32_t Count);
void PlatformFlush(FileObject& File);                      // data reaches the disk
void PlatformSetWriteTime(FileObject& File, uint32_t DosTime); // MS-DOS packed local date and time
int32_t PlatformTakeError();                               // reads and clears the pending code
void PlatformSetError(int32_t Code);                       // leaves Code pending unless one already is

// Names.
bool PlatformFileExists(const std::string& Path); // a file, not a directory
bool PlatformIsDirectory(const std::string& Path);
bool PlatformDeleteFile(const std::string& Path);
bool PlatformMakeDirectory(const std::string& Path);
bool PlatformMoveFile(const std::string& From, const std::string& To);    // fails when To exists
bool PlatformReplaceFile(const std::string& From, const std::string& To); // replaces To at once

// A directory's entries in the platform's listing order, "." and ".." included as listed.
struct DirectoryEntry {
    std::string Name;
    bool IsDirectory = false;
};
bool PlatformListDirectory(const std::string& Directory, std::vector<DirectoryEntry>& Entries);

// The process.
std::string PlatformTempPath();    // the system's temporary directory as reported, maybe without separator
std::string PlatformOwnPath();     // full path of the running executable
std::string PlatformCommandLine(); // the whole command line as one string (Win32 form)

// Reads one value under the machine-wide registry root into Buffer; false when key or value
// cannot be read or the data does not fit. Length receives the bytes returned.
bool PlatformReadRegistry(const std::string& KeyPath, const std::string& ValueName, uint8_t* Buffer,
                          int32_t Size, int32_t& Length);

// Test hook: the N-th file operation from now on (open, create, read, write, seek, flush,
// delete, make-directory, move) fails as if the disk refused it. 0 switches the hook off.
// Returns how many operations the previous setting still had to count: above 0, it never fired.
int32_t PlatformFailAfter(int32_t N);
