// The operations through which an apply pass changes the target's files.
#pragma once

#include <cstdint>
#include <string>

#include "core/file_object.h"

void MakeDirectories(const std::string& Path);
void SetWriteTime(FileObject& File, uint32_t DosTime);
void DeleteQuietly(const std::string& Path);
void MoveToBackup(const std::string& Path);
void HandleEmbeddedFile(bool CheckOnly);
void CopyIntoPlace(const std::string& Source, const std::string& Destination);
