#pragma once
// The program's own "--" options, read before anything starts: "--help" and "--version" answer
// and end, an unknown one ends with exit code 2. Every other argument is left to the engine's
// "-NAME value" switches, joined into one command line as Windows hands it over.
#include <string>

enum class StartAction { Run, Help, Version, Unknown };

struct StartOptions {
    StartAction action = StartAction::Run;
    // The engine's command line: every argument, blank-separated.
    std::string commandLine;
    // The option not understood (action Unknown).
    std::string unknown;
};

StartOptions readStartOptions(int argc, const char* const* argv);

// The usage text: the options above and the engine's switches.
std::string usageText(const std::string& program);
// "<program> <product> <version>" from the version block.
std::string versionText(const std::string& program);

// Answers a Help, Version or Unknown action on stdout or stderr and gives the exit code;
// -1 for Run (nothing printed).
int answerStartOptions(const StartOptions& options, const std::string& program);
