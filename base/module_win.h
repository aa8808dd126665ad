#pragma once
// The module our code is linked into: the plug-in DLL inside a host, the program itself otherwise.
// Its resources, never the host executable's, are the ones we load.

#include <windows.h>

#include <string>

#include "base/module_resources.h"

namespace tessera {

HINSTANCE ModuleInstance();
// The module's file name without its folder, e.g. "tessera.8bf".
std::string ModuleFileName();
// The folder of the program that runs (the host's, when our module is the plug-in).
std::string ProgramFolder();
// The resources of ModuleInstance().
const ModuleResources& ModuleOwnResources();

}  // namespace tessera
