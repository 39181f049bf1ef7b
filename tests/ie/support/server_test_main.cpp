// The main of the server's compiled-client test programs: the page's thread is a
// single-threaded apartment, and the server under test is registered before any test runs.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "server_setup.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    const HRESULT hr = velmor_test::register_server_for_wine();
    if (FAILED(hr)) {
        std::printf("cannot register the server: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
