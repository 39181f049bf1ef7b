#pragma once
// nsIFile: only named here, for the NSGetModule entry that receives one; no operation of
// the component or the runtime uses it.

#include "nsISupports.h"

class nsIFile : public nsISupports {
protected:
    ~nsIFile() = default;
};
