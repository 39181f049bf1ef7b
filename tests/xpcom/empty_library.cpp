// A shared library that is no component: it exports no NSModule.

extern "C" __attribute__((visibility("default"))) int not_a_component() { return 0; }
