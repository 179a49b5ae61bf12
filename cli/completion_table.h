// The command line described for the shell completions: tools/make_completions.py makes the
// bash, zsh and fish completions from it.
#pragma once

namespace CLI {
class App;
}

// One line per command and per option or argument, fields split by tabs, on standard output:
//   COMMAND  (empty)   command     DESCRIPTION
//   COMMAND  --option  -           DESCRIPTION      a flag
//   COMMAND  -o        TYPE        DESCRIPTION      an option with a value named TYPE
//   COMMAND  NAME      positional  DESCRIPTION      an argument, in order
// COMMAND is empty for the tool's own options. Hidden options are left out.
void PrintCompletionTable(CLI::App& app);
