#pragma once
// The build configuration of a bridge deliverable: its own file name, the add-in
// library's file name and the add-in kind. One source per deliverable defines them.

#include "addinlib.h"

extern const char* const nameFilePrj;
extern const char* const nameFileComponent;
extern const AddInComponentType typeComponent;
