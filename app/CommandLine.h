#pragma once

#include <optional>

// The program's command line, read before the application object exists,
// so that --help, --version and a mistyped option need no display and
// touch neither the lock nor the settings. Qt's own options (-platform,
// -style, -session and the others its application object takes) are
// accepted and left in the arguments for it.
namespace CommandLine {

struct Outcome
{
    // Set when the program ends here, with this exit status: 0 after
    // --help or --version, usageError after a mistake.
    std::optional<int> exitStatus;
    // -platform names the platform to use.
    bool platformChosen = false;
};

inline constexpr int usageError = 2;

// Reads the arguments as main() receives them. --help (and --help-all,
// which adds Qt's options) prints the usage and --version "Ventaro" and
// the version to standard output; an unknown option, a missing value or
// an argument the program does not take prints the mistake and the usage
// to standard error. The application's name, version and description
// must be set before.
Outcome read(int argc, const char* const argv[]);

} // namespace CommandLine
