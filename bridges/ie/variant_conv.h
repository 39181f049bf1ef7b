#pragma once
// Values between OLE Automation VARIANTs and the add-in's tVariant. Strings that go to the
// add-in are allocated through its host's memory manager; strings and blobs that come from
// it are freed through the same manager once converted.

#include <windows.h>
#include <oaidl.h>

#include "IMemoryManager.h"
#include "tvariant_buffers.h"
#include "types.h"

// Releases and clears `target`, then fills it from `source`.
void variant_to_tvariant(const VARIANT* source, tVariant* target, IMemoryManager* memory);

// Clears `target`, then fills it from `source`; a string or blob source is consumed (its
// buffer freed, its type set to VTYPE_EMPTY). Strings and blobs are read no further than
// `memory` allows (sized_addin_memory.h): within the block it handed out, or up to the
// terminator outside its blocks.
void tvariant_to_variant(tVariant* source, VARIANT* target, IMemoryManager* memory);

