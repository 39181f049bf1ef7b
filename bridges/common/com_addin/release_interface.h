#pragma once
// Gives back a held interface reference, once: the pointer is null afterwards.

namespace com_addin {

template <class T>
void release_interface(T*& pointer) {
    if (pointer == nullptr) return;
    pointer->Release();
    pointer = nullptr;
}

}  // namespace com_addin
