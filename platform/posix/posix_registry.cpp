// Reads machine-wide registry values from a text file that stands in for the registry: the
// file named by TARNWEL_REGISTRY holds lines KEYPATH<TAB>VALUENAME<TAB>DATA, an empty
// VALUENAME standing for the key's default value.
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/platform.h"

struct RegistryLine {
    std::string KeyPath;
    std::string ValueName;
    std::string Data;
};

// Key and value names ignore ASCII case, as the registry does.
static bool SameName(const std::string& A, const std::string& B)
{
    auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; };
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); I++)
        if (Lower(A[I]) != Lower(B[I]))
            return false;
    return true;
}

// False for a line without its two tabs; the data may hold further tabs.
static bool SplitLine(const std::string& Line, RegistryLine& Out)
{
    size_t First = Line.find('\t');
    size_t Second = First == std::string::npos ? First : Line.find('\t', First + 1);
    if (Second == std::string::npos)
        return false;
    Out.KeyPath = Line.substr(0, First);
    Out.ValueName = Line.substr(First + 1, Second - First - 1);
    Out.Data = Line.substr(Second + 1);
    return true;
}

// The data goes out as a string value does: with its terminating zero, which must fit too.
static bool CopyData(const std::string& Data, uint8_t* Buffer, int32_t Size, int32_t& Length)
{
    if (Size < 0 || Data.size() >= static_cast<size_t>(Size))
        return false;
    std::memcpy(Buffer, Data.c_str(), Data.size() + 1);
    Length = static_cast<int32_t>(Data.size() + 1);
    return true;
}

bool PlatformReadRegistry(const std::string& KeyPath, const std::string& ValueName, uint8_t* Buffer,
                          int32_t Size, int32_t& Length)
{
    Length = 0;
    const char* TablePath = std::getenv("TARNWEL_REGISTRY");
    if (TablePath == nullptr || *TablePath == '\0')
        return false;
    std::ifstream Table(TablePath, std::ios::binary);
    std::string Line;
    while (std::getline(Table, Line)) {
        if (!Line.empty() && Line.back() == '\r')
            Line.pop_back();
        RegistryLine Entry;
        if (SplitLine(Line, Entry) && SameName(Entry.KeyPath, KeyPath) && SameName(Entry.ValueName, ValueName))
            return CopyData(Entry.Data, Buffer, Size, Length);
    }
    return false;
}
