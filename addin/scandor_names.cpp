#include "scandor_names.h"

#include <cwchar>

const wchar_t* const g_PropNames[ePropLast] = {
    L"Claimed", L"DataBits", L"EventDescription", L"EventName", L"Parity",
    L"Port",    L"Speed",    L"StopBits",         L"StopChar"};

const wchar_t* const g_PropNamesRu[ePropLast] = {
    L"УстройствоЗанято", L"БитДанных", L"ОписаниеСобытия", L"ИмяСобытия", L"Четность",
    L"Порт",             L"Скорость",  L"СтопБит",         L"СтопСимвол"};

const wchar_t* const g_MethodNames[eMethLast] = {L"Claim", L"Close"};
const wchar_t* const g_MethodNamesRu[eMethLast] = {L"Занять", L"Отсоединить"};

long findName(const wchar_t* const names[], const wchar_t* name, long size) {
    for (long i = 0; i < size; ++i) {
        if (std::wcscmp(names[i], name) == 0) return i;
    }
    return -1;
}
