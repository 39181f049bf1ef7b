// nsISupports of the test runnables.

#include "runnable_helpers.h"

namespace xpcom_test {

NS_IMPL_ADDREF(FunctionRunnable)
NS_IMPL_RELEASE(FunctionRunnable)
NS_INTERFACE_MAP_BEGIN(FunctionRunnable)
    NS_INTERFACE_MAP_ENTRY(nsIRunnable)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

}  // namespace xpcom_test
