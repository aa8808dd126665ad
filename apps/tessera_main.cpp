// tessera: the icon tools of the plug-in, for scripts and for people who work outside the host.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/console.h"
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

bool AsksForHelp(const std::string& arg) {
    return arg == "-h" || arg == "--help" || arg == "help";
}

// Each usage text is one or more lines; the first is led by "usage: ", the others line up with it.
void PrintUsageLines(std::FILE* stream, const char* line, const char*& lead) {
    while (*line != '\0') {
        const char* end = std::strchr(line, '\n');
        const size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
        Print(stream, "%s%.*s\n", lead, static_cast<int>(length), line);
        lead = "       ";
        line += length + (end ? 1 : 0);
    }
}

void PrintUsage(std::FILE* stream) {
    const char* lead = "usage: ";
    for (const Command& command : kCommands) {
        PrintUsageLines(stream, *command.usage, lead);
    }
    PrintUsageLines(stream, "tessera --version", lead);
}

// Arguments are UTF-8 whatever the system's code page, so any file name reaches the commands intact.
int Run(const std::vector<std::string>& args) {
    if (!args.empty() && AsksForHelp(args[0])) {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (args.size() == 1 && args[0] == "--version") {
        Print(stdout, "tessera %s\n", TESSERA_VERSION);
        return kExitOk;
    }
    if (!args.empty()) {
        for (const Command& command : kCommands) {
            if (args[0] == command.name && args.size() >= 2 && AsksForHelp(args[1])) {
                const char* lead = "usage: ";
                PrintUsageLines(stdout, *command.usage, lead);
                Print(stdout, "\n%s", *command.help);
                return kExitOk;
            }
            if (args[0] == command.name) {
                StreamAlerts alerts(stderr);
                CommandContext context{PlatformFileSystem(), alerts, stdout, stderr};
                const int code = command.run(std::vector<std::string>(args.begin() + 1, args.end()), context);
                if (code == kExitUsage) {
                    PrintUsage(stderr);
                }
                return code;
            }
        }
        Print(stderr, "tessera: unknown command '%s'\n", args[0].c_str());
    }
    PrintUsage(stderr);
    return kExitUsage;
}

}  // namespace
}  // namespace tessera::cli

int main(int argc, char** argv) {
    std::string error;
    const std::optional<std::vector<std::string>> args = tessera::ProgramArguments(argc, argv, error);
    if (!args) {
        tessera::Print(stderr, "tessera: %s\n", error.c_str());
        return tessera::cli::kExitUsage;
    }
    return tessera::cli::Run(*args);
}
