// What the POSIX platform files share: path conversion, failure reporting and the checks
// that open every file operation.
#pragma once

#include <cerrno>
#include <string>

#include "core/file_object.h"

// Left pending when a read meets the end of the file or a write finds no room; the system
// reports neither as an error of its own.
constexpr int EndOfFileCode = ENODATA;
constexpr int NoRoomCode = ENOSPC;

// The applier writes "\" between path parts; the system wants "/".
std::string NativePath(const std::string& Path);

// Leave a code pending and return false, so a failing branch can end with one statement.
bool FailWith(int Code);
bool FailWithErrno(); // errno, or EIO when errno holds nothing

// Checks made first by file operations. MayOperate counts the operation for the test hook
// and is false when the hook refuses it; IsUsable is false (code pending) for a closed file.
bool MayOperate();
bool IsUsable(const FileObject& File);
bool MayOperateOn(const FileObject& File); // both of the above

int Descriptor(const FileObject& File);
