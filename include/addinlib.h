#pragma once
// The add-in kind that a bridge's build configuration names.

enum AddInComponentType {
    eAddInCom = 1,
    eAddInNative = 2,
    eAddInJava = 3,
    eAddInvalid = -1
};
