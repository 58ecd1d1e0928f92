#pragma once
// The command-line switches: a dash, the name, a blank and an integer value.
#include <string>

// The global instancing switch, read by the mesh objects (scene/objects/mesh/MeshObjekt.h); set
// by "INSTANCING".
extern bool INSTANCING;

namespace Ulvo {

class UlvoEngine;

// Sets the defaults, then applies every switch of commandLine (the text after
// the program name). False, and nothing done, once the engine is initialised.
bool parseCommandLine(UlvoEngine* engine, const std::string& commandLine);

// The switches parseCommandLine knows, one line each ("-NAME value  what it does"), for a usage text.
std::string commandLineSwitchHelp();

// True when parseCommandLine knows the switch NAME (without its dash).
bool isCommandLineSwitch(const std::string& name);

} // namespace Ulvo
