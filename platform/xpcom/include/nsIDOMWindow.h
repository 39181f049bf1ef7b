#pragma once
// nsIDOMWindow: a browser window, only passed around (the parent of a prompt).

#include "nsISupports.h"

#define NS_IDOMWINDOW_IID \
    { 0x1b4a23a2, 0x2ccf, 0x4690, { 0x9d, 0xa7, 0xf3, 0xa7, 0xa8, 0x30, 0x83, 0x81 } }

class nsIDOMWindow : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IDOMWINDOW_IID)

protected:
    ~nsIDOMWindow() = default;
};
