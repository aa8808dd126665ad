#pragma once
// The subcommands of the `tessera` command line. Each lives in its own source file and is listed once
// in main.cpp.

#include <cstdio>
#include <string>
#include <vector>

#include "base/files.h"
#include "cli/stream_alerts.h"
#include "icon/resource_grid.h"

namespace tessera::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,  // the work could not be done; the reason has been printed
    kExitUsage = 2,   // the command line was wrong; the usage text has been printed
};

struct CommandContext {
    FileSystem& files;
    StreamAlerts& alerts;
    std::FILE* out;
    std::FILE* err;
};

// `args` are the words after the subcommand's name.
int RunIcoCommand(const std::vector<std::string>& args, CommandContext& context);
extern const char* const kIcoUsage;
extern const char* const kIcoHelp;
int RunBuildCommand(const std::vector<std::string>& args, CommandContext& context);
extern const char* const kBuildUsage;
extern const char* const kBuildHelp;

// Writes the grid as an icon file, saying on `err` why when that failed: kExitOk or kExitFailed.
int SaveGrid(ResourceGrid& grid, const std::string& path, CommandContext& context);

}  // namespace tessera::cli
