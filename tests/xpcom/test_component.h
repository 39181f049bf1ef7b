#pragma once
// What the loader tests know of the tiny test component.

#define TEST_MODULE_VERSION 31
#define TEST_PROBE_CONTRACTID "@velmor.test/main-thread-probe;1"
#define TEST_CONTENT_ONLY_CONTRACTID "@velmor.test/content-only;1"
#define TEST_PROBE_CID \
    { 0x5e0f7a51, 0x0d2c, 0x4c4e, { 0x9b, 0x61, 0x2f, 0x31, 0x8a, 0x40, 0x11, 0x01 } }
#define TEST_CONTENT_ONLY_CID \
    { 0x5e0f7a51, 0x0d2c, 0x4c4e, { 0x9b, 0x61, 0x2f, 0x31, 0x8a, 0x40, 0x11, 0x02 } }

/// What the test component counted: its load and unload hooks, and where its probe ran.
struct TestComponentCounts {
    int loads;
    int unloads;
    int runs_on_main;
    int runs_elsewhere;
};

/// The test component's export "test_component_counts".
typedef void (*TestComponentCountsFunction)(TestComponentCounts* counts);
