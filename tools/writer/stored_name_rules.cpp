// Checks a stored file name part by part against what the applier and Windows accept.
#include "tools/writer/stored_name_rules.h"

#include <cctype>
#include <cstring>

#include "tools/writer/patch_writer.h"

namespace {

bool IsDeviceName(const std::string& Part)
{
    std::string Stem = Part.substr(0, Part.find('.'));
    for (char& C : Stem)
        C = (char)std::toupper((unsigned char)C);
    if (Stem == "CON" || Stem == "PRN" || Stem == "AUX" || Stem == "NUL")
        return true;
    return Stem.size() == 4 && (Stem.compare(0, 3, "COM") == 0 || Stem.compare(0, 3, "LPT") == 0) && Stem[3] >= '1' &&
           Stem[3] <= '9';
}

bool CheckPart(const std::string& Part, std::string& Reason)
{
    if (Part.empty())
        Reason = "has an empty part";
    else if (Part == "." || Part == "..")
        Reason = "has a \"" + Part + "\" part";
    else if (Part.back() == '.' || Part.back() == ' ')
        Reason = "has a part ending in a dot or a blank";
    else if (IsDeviceName(Part))
        Reason = "names the device " + Part.substr(0, Part.find('.'));
    for (unsigned char C : Part)
        if (Reason.empty() && (C < 0x20 || std::strchr(":<>\"|?*/", C)))
            Reason = C == ':' ? "holds \":\" (a drive or a stream)" : "holds a character Windows does not allow in names";
    return Reason.empty();
}

} // namespace

bool CheckStoredName(const std::string& Name, std::string& Reason)
{
    Reason.clear();
    if (Name.empty())
        Reason = "is empty";
    else if (Name.size() > MaxStoredStringLength)
        Reason = "is longer than 255 bytes";
    else if (Name[0] == '\\')
        Reason = "is absolute";
    if (!Reason.empty())
        return false;
    size_t Start = 0;
    while (true) {
        size_t End = Name.find('\\', Start);
        if (!CheckPart(Name.substr(Start, End == std::string::npos ? std::string::npos : End - Start), Reason))
            return false;
        if (End == std::string::npos)
            return true;
        Start = End + 1;
    }
}
