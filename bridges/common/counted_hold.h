#pragma once
// A reference held for the length of one call, or none: what the call may end stays whole
// until it returns. For COM and XPCOM objects alike (AddRef and Release).

template <class Counted>
class CountedHold {
public:
    // Holds `object` when `hold` (and it is not null).
    CountedHold(Counted* object, bool hold) : m_object(hold ? object : nullptr) {
        if (m_object != nullptr) m_object->AddRef();
    }
    ~CountedHold() {
        if (m_object != nullptr) m_object->Release();
    }
    CountedHold(const CountedHold&) = delete;
    CountedHold& operator=(const CountedHold&) = delete;

private:
    Counted* const m_object;
};
