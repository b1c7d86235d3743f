// Which names a patch may use for files under the target.
#pragma once

#include <string>

// True for a relative name of plain parts that stays under the target and names an ordinary
// file on every platform.
bool IsAcceptableName(const std::string& Name);

// True for a backup folder name that stays under the target; empty and "." are allowed.
bool IsAcceptableBackupName(const std::string& Name);
