// A stand-in browser program for the version probe: it loads the component (whose probe reads
// the "application.ini" beside this program's own file), then registers it in a test browser
// of the version the probe wrote, creates the service and asks the older module entry for its
// module object. Prints "version=V loaded=R service=S module_refs=N".

#include <cstdio>

#include "library_loader.h"
#include "mozilla/Module.h"
#include "nsIModule.h"
#include "xpcom_runtime/test_browser.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <component>\n", argv[0]);
        return 2;
    }
    void* library = velmor_test::load_library(argv[1]);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1],
                     velmor_test::last_library_error().c_str());
        return 1;
    }
    const mozilla::Module* const* record = static_cast<const mozilla::Module* const*>(
        velmor_test::find_symbol(library, "NSModule"));
    nsGetModuleProc getModule =
        reinterpret_cast<nsGetModuleProc>(velmor_test::find_symbol(library, "NSGetModule"));
    if (record == nullptr || *record == nullptr || getModule == nullptr) return 1;
    const unsigned version = (*record)->mVersion;

    unsigned references = 0;
    nsresult serviceResult = NS_ERROR_FAILURE;
    nsresult loaded = NS_ERROR_FAILURE;
    {
        xpcom_runtime::TestBrowser browser(version);
        loaded = browser.load_component(argv[1]);
        browser.create<nsISupports>("@velmor.net/Quillon;1", &serviceResult);
        nsIModule* module = nullptr;
        if (getModule(nullptr, nullptr, &module) == NS_OK && module != nullptr) {
            references = module->AddRef() - 1;
            module->Release();
            module->Release();
        }
    }
    std::printf("version=%u loaded=%08x service=%08x module_refs=%u\n", version, loaded,
                serviceResult, references);
    velmor_test::unload_library(library);
    return 0;
}
