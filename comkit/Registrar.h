// A small interpreter of registry scripts (the text resource type "REGISTRY"):
//   HKCR { Name = s 'default' { val Named = s 'value'  Sub { ... } }  NoRemove Kept { ForceRemove Fresh { } } }
// Register mode writes every key and value, deleting a ForceRemove key's old tree first.
// Unregister mode walks depth first: named values go, and a key goes once it has no subkey
// left; NoRemove keys always stay.
#ifndef COMKIT_REGISTRAR_H
#define COMKIT_REGISTRAR_H

#include <windows.h>

#include <utility>
#include <vector>

#include "CStr.h"

typedef std::vector<std::pair<CStr, CStr>> RegistrarReplacements; // "MODULE" -> path

HRESULT RunRegistryScript(const CStr& script, const RegistrarReplacements& replacements, bool registering);
// Loads resource (type "REGISTRY", number id) from module and runs it.
HRESULT RunRegistryResource(HINSTANCE module, int id, const RegistrarReplacements& replacements, bool registering);

#endif
