// No add-ins are COM objects outside Windows: a build configured for them gets the error of
// any kind it does not serve.
#include "com_addins.h"

#include "host_exceptions.h"

IAdapterContext* create_com_adapter() { throw invalid_args(); }

void com_addin_classes(const UnicodeString&, const UnicodeString&, UnicodeString&,
                       std::vector<UnicodeString>&) {
    throw invalid_args();
}
