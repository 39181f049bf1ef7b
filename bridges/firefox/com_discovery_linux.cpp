#include "com_discovery.h"

bool com_addin_classes(const wcstring&, std::vector<wcstring>&) { return false; }
