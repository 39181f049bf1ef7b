// The page host: registers the server (per user, then mirrored for Wine), and runs one page
// script made of the files given, in order.   ie_page_host DEADLINE_SECONDS FILE.js...

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "page_host.h"
#include "server_setup.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("page: FAIL usage: ie_page_host DEADLINE_SECONDS FILE.js...\n");
        return 2;
    }
    const DWORD deadlineSeconds = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
    std::vector<std::wstring> files;
    for (int i = 2; i < argc; ++i) files.push_back(velmor_test::windows_path(argv[i]));
    // The page's thread is a single-threaded apartment, as in the browser.
    if (FAILED(OleInitialize(nullptr))) {
        std::printf("page: FAIL cannot initialise OLE\n");
        return 1;
    }
    const HRESULT hr = velmor_test::register_server_for_wine();
    int code = 1;
    if (FAILED(hr)) {
        std::printf("page: FAIL cannot register the server (0x%08lx)\n",
                    static_cast<unsigned long>(hr));
    } else {
        code = velmor_test::run_page(files, deadlineSeconds * 1000);
    }
    std::fflush(stdout);
    OleUninitialize();
    return code;
}
