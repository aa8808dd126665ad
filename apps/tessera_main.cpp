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
    const char* const* help;  // what `tessera NAME --help` prints after the usage
};

const Command kCommands[] = {
    {"ico", RunIcoCommand, &kIcoUsage, &kIcoHelp},
    {"build", RunBuildCommand, &kBuildUsage, &kBuildHelp},
};

bool AsksForHelp(const char* arg) {
    return std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "help") == 0;
}

// Each usage text is one or more lines; the first is led by "usage: ", the others line up with it.
void PrintUsageLines(std::FILE* stream, const char* line, const char*& lead) {
    while (*line != '\0') {
        const char* end = std::strchr(line, '\n');
        const size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
        std::fprintf(stream, "%s%.*s\n", lead, static_cast<int>(length), line);
        lead = "       ";
        line += length + (end ? 1 : 0);
    }
}

void PrintUsage(std::FILE* stream) {
    const char* lead = "usage: ";
    for (const Command& command : kCommands) {
        PrintUsageLines(stream, *command.usage, lead);
    }
}

int Run(int argc, char** argv) {
    if (argc >= 2 && AsksForHelp(argv[1])) {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (argc >= 2) {
        for (const Command& command : kCommands) {
            if (std::strcmp(argv[1], command.name) == 0 && argc >= 3 && AsksForHelp(argv[2])) {
                const char* lead = "usage: ";
                PrintUsageLines(stdout, *command.usage, lead);
                std::fprintf(stdout, "\n%s", *command.help);
                return kExitOk;
            }
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
