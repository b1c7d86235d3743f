// The temporary directory, the running executable's path and the command line on POSIX.
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"

std::string PlatformTempPath()
{
    const char* Variable = std::getenv("TMPDIR");
    std::string Path = Variable != nullptr && *Variable != '\0' ? Variable : "/tmp";
    if (Path.back() != '/')
        Path += '/';
    return Path;
}

std::string PlatformOwnPath()
{
    std::string Path(256, '\0');
    for (;;) {
        ssize_t Length = readlink("/proc/self/exe", &Path[0], Path.size());
        if (Length < 0)
            return std::string();
        if (static_cast<size_t>(Length) < Path.size())
            return Path.substr(0, static_cast<size_t>(Length));
        Path.resize(Path.size() * 2);
    }
}

// The console front end takes its arguments from main.
std::string PlatformCommandLine()
{
    return std::string();
}
