// The tool's own account of its command line, for the shell completions made from it: one
// source for the commands, their options and arguments, whatever adds them.
#include "cli/completion_table.h"

#include <stdio.h>

#include <string>

#include <CLI/CLI.hpp>

namespace {

// Tabs and line breaks would end a field or a line of the table.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

void PrintOption(const std::string& command, const CLI::Option& option)
{
    if (option.get_group().empty()) return;  // hidden
    std::string value = option.get_items_expected_max() == 0 ? "-" : option.get_type_name();
    if (option.get_positional()) {
        printf("%s\t%s\tpositional\t%s\n", command.c_str(), option.get_name(true).c_str(),
               OneLine(option.get_description()).c_str());
        return;
    }
    for (const std::string& name : option.get_snames())
        printf("%s\t-%s\t%s\t%s\n", command.c_str(), name.c_str(), value.empty() ? "VALUE" : value.c_str(),
               OneLine(option.get_description()).c_str());
    for (const std::string& name : option.get_lnames())
        printf("%s\t--%s\t%s\t%s\n", command.c_str(), name.c_str(), value.empty() ? "VALUE" : value.c_str(),
               OneLine(option.get_description()).c_str());
}

// The options of `app` and of its option groups (subcommands without a name), whose own help
// flags are the command's.
void PrintOptions(const std::string& command, CLI::App& app, bool group = false)
{
    for (const CLI::Option* option : app.get_options())
        if (!group || (option != app.get_help_ptr() && option != app.get_help_all_ptr())) PrintOption(command, *option);
    for (CLI::App* sub : app.get_subcommands([](CLI::App* s) { return s->get_name().empty(); }))
        PrintOptions(command, *sub, true);
}

}  // namespace

void PrintCompletionTable(CLI::App& app)
{
    PrintOptions("", app);
    for (CLI::App* command : app.get_subcommands([](CLI::App* sub) { return !sub->get_name().empty(); })) {
        printf("%s\t\tcommand\t%s\n", command->get_name().c_str(), OneLine(command->get_description()).c_str());
        PrintOptions(command->get_name(), *command);
    }
}
