// The platform's mutable array class and the enumerator over a snapshot of it.

#include "mutable_array.h"

#include <utility>

#include "nsISimpleEnumerator.h"

namespace xpcom_runtime {

namespace {

class SnapshotEnumerator final : public nsISimpleEnumerator {
public:
    explicit SnapshotEnumerator(std::vector<nsCOMPtr<nsISupports>> elements)
        : m_elements(std::move(elements)) {}

    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD HasMoreElements(bool* _retval) override {
        if (!_retval) return NS_ERROR_NULL_POINTER;
        *_retval = m_next < m_elements.size();
        return NS_OK;
    }
    NS_IMETHOD GetNext(nsISupports** _retval) override {
        if (!_retval) return NS_ERROR_NULL_POINTER;
        *_retval = nullptr;
        if (m_next >= m_elements.size()) return NS_ERROR_FAILURE;
        *_retval = m_elements[m_next++];
        if (*_retval) (*_retval)->AddRef();
        return NS_OK;
    }

private:
    ~SnapshotEnumerator() = default;

    std::vector<nsCOMPtr<nsISupports>> m_elements;
    size_t m_next = 0;
};

NS_IMPL_ADDREF(SnapshotEnumerator)
NS_IMPL_RELEASE(SnapshotEnumerator)
NS_INTERFACE_MAP_BEGIN(SnapshotEnumerator)
    NS_INTERFACE_MAP_ENTRY(nsISimpleEnumerator)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

}  // namespace

NS_IMPL_ADDREF(MutableArray)
NS_IMPL_RELEASE(MutableArray)
NS_INTERFACE_MAP_BEGIN(MutableArray)
    NS_INTERFACE_MAP_ENTRY(nsIMutableArray)
    NS_INTERFACE_MAP_ENTRY(nsIArray)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

NS_IMETHODIMP MutableArray::GetLength(uint32_t* aLength) {
    if (!aLength) return NS_ERROR_NULL_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    *aLength = uint32_t(m_elements.size());
    return NS_OK;
}

NS_IMETHODIMP MutableArray::QueryElementAt(uint32_t index, const nsIID& uuid, void** result) {
    if (!result) return NS_ERROR_NULL_POINTER;
    *result = nullptr;
    nsCOMPtr<nsISupports> element;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (index >= m_elements.size()) return NS_ERROR_ILLEGAL_VALUE;
        element = m_elements[index];
    }
    if (!element) return NS_ERROR_NULL_POINTER;
    return element->QueryInterface(uuid, result);
}

NS_IMETHODIMP MutableArray::IndexOf(uint32_t startIndex, nsISupports* element, uint32_t* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    for (size_t i = startIndex; i < m_elements.size(); ++i) {
        if (m_elements[i].get() == element) {
            *_retval = uint32_t(i);
            return NS_OK;
        }
    }
    return NS_ERROR_FAILURE;
}

NS_IMETHODIMP MutableArray::Enumerate(nsISimpleEnumerator** _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    std::vector<nsCOMPtr<nsISupports>> snapshot;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        snapshot = m_elements;
    }
    *_retval = new SnapshotEnumerator(std::move(snapshot));
    (*_retval)->AddRef();
    return NS_OK;
}

NS_IMETHODIMP MutableArray::AppendElement(nsISupports* element, bool weak) {
    if (weak) return NS_ERROR_NOT_IMPLEMENTED;
    std::lock_guard<std::mutex> guard(m_lock);
    m_elements.emplace_back(element);
    return NS_OK;
}

NS_IMETHODIMP MutableArray::RemoveElementAt(uint32_t index) {
    nsCOMPtr<nsISupports> removed;  // released after the lock
    std::lock_guard<std::mutex> guard(m_lock);
    if (index >= m_elements.size()) return NS_ERROR_ILLEGAL_VALUE;
    removed = std::move(m_elements[index]);
    m_elements.erase(m_elements.begin() + index);
    return NS_OK;
}

NS_IMETHODIMP MutableArray::InsertElementAt(nsISupports* element, uint32_t index, bool weak) {
    if (weak) return NS_ERROR_NOT_IMPLEMENTED;
    std::lock_guard<std::mutex> guard(m_lock);
    if (index > m_elements.size()) return NS_ERROR_ILLEGAL_VALUE;
    m_elements.emplace(m_elements.begin() + index, element);
    return NS_OK;
}

NS_IMETHODIMP MutableArray::ReplaceElementAt(nsISupports* element, uint32_t index, bool weak) {
    if (weak) return NS_ERROR_NOT_IMPLEMENTED;
    nsCOMPtr<nsISupports> replaced;
    std::lock_guard<std::mutex> guard(m_lock);
    if (index >= m_elements.size()) return NS_ERROR_ILLEGAL_VALUE;
    replaced = std::move(m_elements[index]);
    m_elements[index] = element;
    return NS_OK;
}

NS_IMETHODIMP MutableArray::Clear() {
    std::vector<nsCOMPtr<nsISupports>> cleared;
    std::lock_guard<std::mutex> guard(m_lock);
    cleared.swap(m_elements);
    return NS_OK;
}

}  // namespace xpcom_runtime
