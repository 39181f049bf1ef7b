#pragma once
// Functions the browser exports to components: its managers and its allocator.

#include "nsISupports.h"

class nsIComponentManager;
class nsIServiceManager;
class nsIMemory;

/// The component manager, with a reference added.
XPCOM_API(nsresult) NS_GetComponentManager(nsIComponentManager** aResult);
/// The service manager, with a reference added.
XPCOM_API(nsresult) NS_GetServiceManager(nsIServiceManager** aResult);
/// The memory service, with a reference added.
XPCOM_API(nsresult) NS_GetMemoryManager(nsIMemory** aResult);

/// The browser's allocator: a block of at least size bytes, null when out of memory.
XPCOM_API(void*) NS_Alloc(size_t size);
/// Resizes a block of NS_Alloc; null when out of memory (the old block stays valid).
XPCOM_API(void*) NS_Realloc(void* ptr, size_t size);
/// Frees a block of NS_Alloc; null does nothing.
XPCOM_API(void) NS_Free(void* ptr);
