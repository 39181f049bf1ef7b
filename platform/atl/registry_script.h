#pragma once
// Registry scripts: a text of nested key blocks under a root key, with %NAME% replacements,
// run to register (create keys and values) or to unregister (remove what the script names).
//
//   HKCR { NoRemove AppID { '%APPID%' = s '%PROG%' { val AppID = s '%APPID%' } } }
//
// A key may carry a default value (= s 'text' or = d number) and a block of subkeys and
// named values (val Name = s 'text'). NoRemove keeps a key when unregistering, ForceRemove
// deletes it with everything below it before registering and when unregistering, Delete
// removes it when registering. Quoted texts double their single quotes. In per-user mode
// every HKCR block goes to HKEY_CURRENT_USER\Software\Classes instead.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace velmor_atl {

// Replacement keys are matched without regard to case; %% stands for one percent sign.
typedef std::vector<std::pair<std::wstring, std::wstring>> Replacements;

enum class ScriptMode { eRegister, eUnregister };

// S_OK, the registry's failure as an HRESULT, or DISP_E_EXCEPTION for a text that does not
// parse or names a replacement that the map lacks.
HRESULT run_registry_script(const std::wstring& script, const Replacements& replacements,
                            ScriptMode mode, bool perUser);

// The text of a resource of type "REGISTRY" (8-bit text) in `module`.
HRESULT load_registry_script(HMODULE module, UINT id, std::wstring* text);

}  // namespace velmor_atl
