#pragma once
// The classes of a COM add-in library, as the loader finds them: the library registers itself
// per user and lists its classes; each becomes the ProgID "AddIn." + its name. One source per
// platform: only the Windows build knows COM add-ins.

#include <vector>

#include "utf16_text.h"

// False when this build has no COM add-ins or `path` is empty.
bool com_addin_classes(const wcstring& path, std::vector<wcstring>& progIds);
