#pragma once

// How deep every bridge follows a value that holds values (a VTYPE_VARIANT chain, a variant
// holding an interface or an array, a JSON array inside an array): a value may hold itself,
// or a page may build one deeper than any stack, so every recursive walk stops here.
const int kMaxValueDepth = 16;
