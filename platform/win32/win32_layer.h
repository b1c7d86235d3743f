// What the Win32 platform files share: failure reporting and the checks that open every file
// operation.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "core/file_object.h"

// Leave a code pending and return false, so a failing branch can end with one statement.
bool FailWith(DWORD Code);
bool FailWithLastError(); // GetLastError, or ERROR_GEN_FAILURE when it holds nothing

// Checks made first by file operations. MayOperate counts the operation for the test hook
// and is false when the hook refuses it; IsUsable is false (code pending) for a closed file.
bool MayOperate();
bool IsUsable(const FileObject& File);
bool MayOperateOn(const FileObject& File); // both of the above

HANDLE NativeHandle(const FileObject& File);
