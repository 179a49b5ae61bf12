// The commands of vexillor-cli: each file adds its own subcommand, with its options, checks and
// run function. main.cpp adds them and parses.
#pragma once

namespace CLI {
class App;
}

void AddCheckCommand(CLI::App& app);
void AddConvertCommand(CLI::App& app);
void AddFitCommand(CLI::App& app);
void AddPreviewCommand(CLI::App& app);
void AddInspectCommand(CLI::App& app);
void AddPlayersCommand(CLI::App& app);
void AddInstallCommand(CLI::App& app);
#ifndef _WIN32
void AddPrefixCommand(CLI::App& app);  // Wine prefixes: Linux only
#endif
