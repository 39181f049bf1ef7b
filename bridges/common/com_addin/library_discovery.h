#pragma once
// Discovering the classes of a COM add-in library, as each Windows bridge's loader does: the
// library registers itself per user, its string resource 100 lists its classes ("|" between
// them), and each class becomes the ProgID "AddIn." + its name.

#include <windows.h>

#include <string>
#include <vector>

namespace com_addin {

// How a bridge reads string resource 100.
enum class ClassListRead {
    eWide,       // LoadStringW into 1024 UTF-16 units
    eNarrowUtf8  // LoadStringA into 256 bytes, taken as UTF-8
};

// What becomes of an empty piece between two separators, or after a last one.
enum class EmptyClassNames { eSkip, eKeep };

struct LibraryClasses {
    bool loaded = false;  // the library could be loaded: its names become "AddIn." ProgIDs
    std::wstring text;    // string 100; empty when there is none
};

// True when CLSIDFromProgID knows `location`.
bool is_registered_progid(const std::wstring& location);

// DllInstall(TRUE, "user"), and DllRegisterServer when there is no DllInstall or it does not
// answer 0. The library reports nothing: a failure shows later as a class that cannot be
// created.
void register_library(HMODULE library);

// Loads the library, registers it, reads string 100 and frees it again.
LibraryClasses read_library_classes(const std::wstring& path, ClassListRead read);

// The classes a page's location reaches: a registered ProgID is that one class, read from no
// library (COM creates it by its CLSID), so no text of the page's is ever loaded as a module
// or registered; any other location reaches `ownLibrary`, which is loaded and read. `*source`
// is what the classes came from, the fallback of class_progids.
LibraryClasses location_classes(const std::wstring& location, const std::wstring& ownLibrary,
                                ClassListRead read, std::wstring* source);

// The ProgIDs of the classes: string 100 when it was read, else `fallback` (the library
// path, or the configured add-in file name); "AddIn." before each piece when the library
// was loaded.
std::vector<std::wstring> class_progids(const LibraryClasses& classes,
                                        const std::wstring& fallback, EmptyClassNames empty);

}  // namespace com_addin
