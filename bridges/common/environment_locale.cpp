#include "environment_locale.h"

#include <clocale>
#include <cstdlib>

namespace {
const char kLangOpt[] = "LANG";
}

std::string environment_locale() {
    const char* lang = std::getenv(kLangOpt);
    if (lang == nullptr) lang = std::setlocale(LC_ALL, nullptr);
    return lang != nullptr ? std::string(lang) : std::string();
}
