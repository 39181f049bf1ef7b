#pragma once
// The platform's mutable array class (@mozilla.org/array;1): strong references in order.

#include <mutex>
#include <vector>

#include "nsCOMPtr.h"
#include "nsIMutableArray.h"
#include "nsISupportsImpl.h"

namespace xpcom_runtime {

class MutableArray final : public nsIMutableArray {
public:
    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD GetLength(uint32_t* aLength) override;
    NS_IMETHOD QueryElementAt(uint32_t index, const nsIID& uuid, void** result) override;
    NS_IMETHOD IndexOf(uint32_t startIndex, nsISupports* element, uint32_t* _retval) override;
    NS_IMETHOD Enumerate(nsISimpleEnumerator** _retval) override;
    NS_IMETHOD AppendElement(nsISupports* element, bool weak) override;
    NS_IMETHOD RemoveElementAt(uint32_t index) override;
    NS_IMETHOD InsertElementAt(nsISupports* element, uint32_t index, bool weak) override;
    NS_IMETHOD ReplaceElementAt(nsISupports* element, uint32_t index, bool weak) override;
    NS_IMETHOD Clear() override;

private:
    ~MutableArray() = default;

    mutable std::mutex m_lock;
    std::vector<nsCOMPtr<nsISupports>> m_elements;
};

}  // namespace xpcom_runtime
