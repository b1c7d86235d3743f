// Entry of tarnwel-build: dispatches to the list and create commands.
#include <cstdio>
#include <cstring>

#include "tools/builder/builder_commands.h"
#include "tools/builder/create_options.h"

// The short form on a usage error; --help adds the full text of create.
static int PrintHelp(FILE* Out)
{
    std::fputs("Usage: tarnwel-build COMMAND ...\n"
               "  list PATCH     print the header, description and records of a patch\n"
               "  create ...     build a patch (see tarnwel-build create --help)\n",
               Out);
    if (Out != stdout)
        return 1;
    std::fputs("\n", Out);
    std::fputs(CreateHelp, Out);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return PrintHelp(stderr);
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))
        return PrintHelp(stdout);
    if (!std::strcmp(argv[1], "list"))
        return ListCommand(argc - 2, argv + 2);
    if (!std::strcmp(argv[1], "create"))
        return CreateCommand(argc - 2, argv + 2);
    std::fprintf(stderr, "tarnwel-build: unknown command '%s'\n", argv[1]);
    return 1;
}
