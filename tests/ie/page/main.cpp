// The page host: registers the server (per user, then mirrored for Wine), runs one page
// script made of the files given, in order, and tears it down; the page passes only when
// all of that went well: "page: PASS" is printed last, and the exit code is 0.
//   ie_page_host [--fault-at-teardown] DEADLINE_SECONDS FILE.js...
// --fault-at-teardown makes the host itself fault once the page's engine is closed, to show
// that a page whose teardown faults does not pass.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "page_host.h"
#include "server_setup.h"

namespace {

const wchar_t kFaultAtTeardown[] = L"--fault-at-teardown";

void fault_deliberately() {
    std::printf("page: log faulting at teardown, as asked\n");
    std::fflush(stdout);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    const bool faultAtTeardown = argc > 1 && std::wcscmp(argv[1], kFaultAtTeardown) == 0;
    if (faultAtTeardown) ++first;
    if (argc - first < 2) {
        std::printf("page: FAIL usage: ie_page_host [%ls] DEADLINE_SECONDS FILE.js...\n",
                    kFaultAtTeardown);
        return 2;
    }
    const DWORD deadlineSeconds = static_cast<DWORD>(std::wcstoul(argv[first], nullptr, 10));
    std::vector<std::wstring> files;
    for (int i = first + 1; i < argc; ++i) files.push_back(velmor_test::windows_path(argv[i]));
    // The page's thread is a single-threaded apartment, as in the browser.
    if (FAILED(OleInitialize(nullptr))) {
        std::printf("page: FAIL cannot initialise OLE\n");
        return 1;
    }
    const HRESULT hr = velmor_test::register_server_for_wine();
    velmor_test::PageResult result;
    if (FAILED(hr)) {
        std::printf("page: FAIL cannot register the server (0x%08lx)\n",
                    static_cast<unsigned long>(hr));
    } else {
        result = velmor_test::run_page(files, deadlineSeconds * 1000);
    }
    if (faultAtTeardown) fault_deliberately();
    // The server and the add-ins are unloaded here.
    OleUninitialize();
    if (!result.passed) return 1;
    std::printf("page: PASS %s\n", result.passText.c_str());
    std::fflush(stdout);
    return 0;
}
