// tessera: the icon tools of the plug-in, for scripts and for people who work outside the host.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/stream_alerts.h"

namespace tessera::cli {
namespace {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args, CommandContext& context);
    const char* const* usage;
};

const Command kCommands[] = {
    {"ico", RunIcoCommand, &kIcoUsage},
    {"build", RunBuildCommand, &kBuildUsage},
};

void PrintUsage(std::FILE* stream) {
    const char* lead = "usage: ";
    for (const Command& command : kCommands) {
        // Each usage text is one or more lines, "tessera ..." each.
        const char* line = *command.usage;
        while (*line != '\0') {
            const char* end = std::strchr(line, '\n');
            const size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
            std::fprintf(stream, "%s%.*s\n", lead, static_cast<int>(length), line);
            lead = "       ";
            line += length + (end ? 1 : 0);
        }
    }
}

int Run(int argc, char** argv) {
    if (argc >= 2 &&
        (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0)) {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (argc >= 2) {
        for (const Command& command : kCommands) {
            if (std::strcmp(argv[1], command.name) == 0) {
                StreamAlerts alerts(stderr);
                CommandContext context{PlatformFileSystem(), alerts, stdout, stderr};
                const int code = command.run(std::vector<std::string>(argv + 2, argv + argc), context);
                if (code == kExitUsage) {
                    PrintUsage(stderr);
                }
                return code;
            }
        }
        std::fprintf(stderr, "tessera: unknown command '%s'\n", argv[1]);
    }
    PrintUsage(stderr);
    return kExitUsage;
}

}  // namespace
}  // namespace tessera::cli

int main(int argc, char** argv) {
    return tessera::cli::Run(argc, argv);
}
