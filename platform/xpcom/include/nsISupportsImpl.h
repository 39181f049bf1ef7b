#pragma once
// Helpers for implementing nsISupports: reference counters (plain for objects used on one
// thread, atomic for objects that cross threads) and the usual declaration and interface-map
// macros. QueryInterface answers in the order of the map entries.

#include <atomic>

#include "nsISupports.h"

/// A plain reference count, for objects used on one thread only.
class nsAutoRefCnt {
public:
    nsrefcnt operator++() { return ++mValue; }
    nsrefcnt operator--() { return --mValue; }
    operator nsrefcnt() const { return mValue; }

private:
    nsrefcnt mValue = 0;
};

/// An atomic reference count, for objects whose references change on several threads.
class nsThreadSafeAutoRefCnt {
public:
    nsrefcnt operator++() { return mValue.fetch_add(1, std::memory_order_relaxed) + 1; }
    nsrefcnt operator--() { return mValue.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    operator nsrefcnt() const { return mValue.load(std::memory_order_acquire); }

private:
    std::atomic<nsrefcnt> mValue{0};
};

/// Declares the three nsISupports methods and a plain count in a class.
#define NS_DECL_ISUPPORTS                                                   \
public:                                                                     \
    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override; \
    NS_IMETHOD_(nsrefcnt) AddRef() override;                                \
    NS_IMETHOD_(nsrefcnt) Release() override;                               \
                                                                            \
protected:                                                                  \
    nsAutoRefCnt mRefCnt;                                                   \
                                                                            \
public:

/// The same with an atomic count.
#define NS_DECL_THREADSAFE_ISUPPORTS                                        \
public:                                                                     \
    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override; \
    NS_IMETHOD_(nsrefcnt) AddRef() override;                                \
    NS_IMETHOD_(nsrefcnt) Release() override;                               \
                                                                            \
protected:                                                                  \
    nsThreadSafeAutoRefCnt mRefCnt;                                         \
                                                                            \
public:

#define NS_IMPL_ADDREF(_class) \
    NS_IMETHODIMP_(nsrefcnt) _class::AddRef() { return ++mRefCnt; }

/// Release that deletes the object when the count reaches zero.
#define NS_IMPL_RELEASE(_class)                   \
    NS_IMETHODIMP_(nsrefcnt) _class::Release() {  \
        nsrefcnt count = --mRefCnt;               \
        if (count == 0) {                         \
            delete this;                          \
        }                                         \
        return count;                             \
    }

/// Opens a QueryInterface definition; entries follow, NS_INTERFACE_MAP_END closes it.
#define NS_INTERFACE_MAP_BEGIN(_class)                                    \
    NS_IMETHODIMP _class::QueryInterface(REFNSIID aIID, void** aInstancePtr) { \
        if (!aInstancePtr) {                                              \
            return NS_ERROR_NULL_POINTER;                                 \
        }                                                                 \
        nsISupports* foundInterface = nullptr;

/// Answers aIID == NS_GET_IID(_interface) with this object's _interface part.
#define NS_INTERFACE_MAP_ENTRY(_interface)                           \
    if (!foundInterface && aIID.Equals(NS_GET_IID(_interface))) {    \
        foundInterface = static_cast<_interface*>(this);             \
    }

/// Answers _interface with the part reached through _implClass (for an interface that
/// several bases of the class share, nsISupports above all).
#define NS_INTERFACE_MAP_ENTRY_AMBIGUOUS(_interface, _implClass)                        \
    if (!foundInterface && aIID.Equals(NS_GET_IID(_interface))) {                       \
        foundInterface = static_cast<_interface*>(static_cast<_implClass*>(this));      \
    }

#define NS_INTERFACE_MAP_END                     \
    if (!foundInterface) {                       \
        *aInstancePtr = nullptr;                 \
        return NS_ERROR_NO_INTERFACE;            \
    }                                            \
    foundInterface->AddRef();                    \
    *aInstancePtr = foundInterface;              \
    return NS_OK;                                \
    }
