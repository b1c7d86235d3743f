// The modification time of a file as the MS-DOS packed local date and time a patch stores.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Call from one thread only: the local-time conversion of the C library is not reentrant.
bool DosTimeOfFile(const std::filesystem::path& Path, uint32_t& DosTime, std::string& Error);
