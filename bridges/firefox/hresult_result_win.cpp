#include "hresult_result.h"

#include "nsError.h"

nsresult hresult_to_nsresult(HRESULT hr) {
    switch (static_cast<unsigned long>(hr)) {
        case 0x00000000UL: return NS_OK;
        case 0x80004001UL:  // E_NOTIMPL
        case 0x80004002UL:  // E_NOINTERFACE
        case 0x80070057UL:  // E_INVALIDARG
        case 0x80004004UL:  // E_ABORT
        case 0x8000FFFFUL:  // E_UNEXPECTED
        case 0x8007000EUL:  // E_OUTOFMEMORY
            return static_cast<nsresult>(hr);
        case 0x80004003UL:  // E_POINTER: the page sees a bad argument
            return static_cast<nsresult>(0x80070057UL);
        default:
            return NS_ERROR_FAILURE;
    }
}
