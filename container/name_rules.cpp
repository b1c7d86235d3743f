// Which names a patch may use for files under the target. A name that left the target, or that
// Windows would take for a device or a stream, could make a patch read or write elsewhere.
#include "container/name_rules.h"

#include <cstring>
#include <vector>

static std::vector<std::string> SplitParts(const std::string& Name)
{
    std::vector<std::string> Parts(1);
    for (char C : Name) {
        if (C == '\\' || C == '/')
            Parts.emplace_back();
        else
            Parts.back() += C;
    }
    return Parts;
}

static std::string UpperBase(const std::string& Part)
{
    std::string Base = Part.substr(0, Part.find('.'));
    for (char& C : Base)
        if (C >= 'a' && C <= 'z')
            C = (char)(C - 'a' + 'A');
    return Base;
}

static bool IsDeviceName(const std::string& Part)
{
    std::string Base = UpperBase(Part);
    while (!Base.empty() && Base.back() == ' ')
        Base.pop_back();
    if (Base == "CON" || Base == "PRN" || Base == "AUX" || Base == "NUL")
        return true;
    bool Numbered = Base.size() == 4 && (Base.compare(0, 3, "COM") == 0 || Base.compare(0, 3, "LPT") == 0);
    return Numbered && Base[3] >= '1' && Base[3] <= '9';
}

static bool IsAcceptablePart(const std::string& Part)
{
    if (Part.empty() || Part == "." || Part == "..")
        return false;
    if (Part.back() == '.' || Part.back() == ' ')
        return false;
    for (unsigned char C : Part)
        if (C < 32 || C == 127 || std::strchr("<>:\"|?*", C))
            return false;
    return !IsDeviceName(Part);
}

bool IsAcceptableName(const std::string& Name)
{
    for (const std::string& Part : SplitParts(Name))
        if (!IsAcceptablePart(Part))
            return false;
    return true;
}

bool IsAcceptableBackupName(const std::string& Name)
{
    if (Name.empty())
        return true;
    if (Name[0] == '\\' || Name[0] == '/' || Name.find(':') != std::string::npos)
        return false;
    for (const std::string& Part : SplitParts(Name))
        if (Part == "..")
            return false;
    return true;
}
