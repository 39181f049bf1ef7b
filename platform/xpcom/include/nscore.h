#pragma once
// Basic types and calling conventions of the XPCOM layer.
//
// Interface methods use the browser's calling convention: the C++ default on Linux,
// __stdcall on Windows. Functions that the browser itself exports to components are marked
// XPCOM_API so that they keep default visibility even in components built with hidden
// visibility (they are resolved from the browser when the component is loaded).

#include <cstddef>
#include <cstdint>

#include "nsxpcom_abi.h"

/// An XPCOM result code: 0 is success, the high bit marks a failure.
typedef uint32_t nsresult;

#define NS_FAILED(rv) (((rv) & 0x80000000u) != 0)
#define NS_SUCCEEDED(rv) (((rv) & 0x80000000u) == 0)

/// A method of an XPCOM interface returning nsresult.
#define NS_IMETHOD virtual nsresult NS_STDCALL
/// A method of an XPCOM interface returning another type.
#define NS_IMETHOD_(type) virtual type NS_STDCALL
/// The out-of-class definition of an NS_IMETHOD.
#define NS_IMETHODIMP nsresult NS_STDCALL
#define NS_IMETHODIMP_(type) type NS_STDCALL

/// A function exported by the browser (the runtime) to components.
#define XPCOM_API(type) extern "C" NS_IMPORT_ABI type
