// Matches --optional patterns against stored names.
#include "tools/builder/create_glob.h"

namespace {

std::string Slashed(std::string Text)
{
    for (char& C : Text)
        if (C == '\\')
            C = '/';
    return Text;
}

// Classic wildcard matching with one backtracking point for the last "*" seen.
bool MatchFrom(const std::string& Pattern, const std::string& Name)
{
    size_t P = 0, N = 0, StarP = std::string::npos, StarN = 0;
    while (N < Name.size()) {
        if (P < Pattern.size() && Pattern[P] == '*') {
            StarP = P++;
            StarN = N;
        } else if (P < Pattern.size() && (Pattern[P] == Name[N] || (Pattern[P] == '?' && Name[N] != '/'))) {
            P++;
            N++;
        } else if (StarP != std::string::npos && Name[StarN] != '/') {
            P = StarP + 1;
            N = ++StarN;
        } else {
            return false;
        }
    }
    while (P < Pattern.size() && Pattern[P] == '*')
        P++;
    return P == Pattern.size();
}

} // namespace

bool GlobMatches(const std::string& Pattern, const std::string& Name)
{
    std::string P = Slashed(Pattern);
    std::string N = Slashed(Name);
    if (P.find('/') == std::string::npos)
        N = N.substr(N.rfind('/') == std::string::npos ? 0 : N.rfind('/') + 1);
    return MatchFrom(P, N);
}
