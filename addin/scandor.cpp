#include "scandor.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "component_locale.h"
#include "log_event.h"
#include "scandor_names.h"
#include "string_conv.h"
#include "wchar_wrapper.h"

namespace {

constexpr long kVersion = 2000;  // outside 1000-1999: hosts give every request its own object
constexpr long kEventBufferDepth = 100;
const wchar_t kExtensionName[] = L"Scandor";

std::vector<uint16_t> to_interface_text(const wchar_t* text) {
    std::vector<uint16_t> out;
    for (const wchar_t* c = text; *c != 0; ++c) out.push_back(static_cast<uint16_t>(*c & 0xFFFF));
    out.push_back(0);
    return out;
}

std::vector<uint16_t> copy_interface_text(const uint16_t* text) {
    return std::vector<uint16_t>(text, text + getLenShortWcharStr(text) + 1);
}

bool is_text(const tVariant* var) {
    return var != nullptr && var->vt == VTYPE_PWSTR && var->pwstrVal != nullptr;
}

// An integer setting from VTYPE_I4, or VTYPE_R8 cut toward zero. A real number that no int
// can hold (or NaN) is refused rather than converted, which would be undefined.
bool integer_value(const tVariant* var, int* value) {
    if (var == nullptr) return false;
    if (var->vt == VTYPE_I4) {
        *value = var->lVal;
        return true;
    }
    if (var->vt != VTYPE_R8) return false;
    const double truncated = std::trunc(var->dblVal);
    if (!(truncated >= std::numeric_limits<int>::min() &&
          truncated <= std::numeric_limits<int>::max())) {
        return false;
    }
    *value = static_cast<int>(truncated);
    return true;
}

bool put_integer(tVariant* var, int value) {
    if (var == nullptr) return false;
    var->vt = VTYPE_I4;
    var->lVal = value;
    return true;
}

}  // namespace

Scandor::Scandor()
    : m_portReader(make_serial_port_reader(this)),
      m_eventTexts(std::make_shared<const EventTexts>(
          EventTexts{to_interface_text(L"Scandor"), to_interface_text(L"Barcode")})) {}

Scandor::~Scandor() { doClose(); }

bool Scandor::Init(void* pConnection) {
    m_iConnect.store(static_cast<IAddInDefBase*>(pConnection));
    return pConnection != nullptr;
}

bool Scandor::setMemManager(void* mem) {
    m_iMemory = static_cast<IMemoryManager*>(mem);
    return mem != nullptr;
}

long Scandor::GetInfo() { return kVersion; }

void Scandor::Done() {}

bool Scandor::RegisterExtensionAs(uint16_t** wsExtensionName) {
    if (m_iMemory == nullptr || wsExtensionName == nullptr) return false;
    const size_t units = sizeof kExtensionName / sizeof kExtensionName[0];
    if (!m_iMemory->AllocMemory(reinterpret_cast<void**>(wsExtensionName),
                                static_cast<unsigned long>(units * sizeof(uint16_t)))) {
        return false;
    }
    convToShortWchar(wsExtensionName, kExtensionName, static_cast<uint32_t>(units));
    return true;
}

long Scandor::GetNProps() { return ePropLast; }

long Scandor::FindProp(const uint16_t* wsPropName) {
    if (wsPropName == nullptr) return -1;
    WcharWrapper name(wsPropName);
    const long found = findName(g_PropNames, name, ePropLast);
    return found != -1 ? found : findName(g_PropNamesRu, name, ePropLast);
}

const uint16_t* Scandor::GetPropName(long lPropNum, long lPropAlias) {
    if (lPropNum < 0 || lPropNum >= ePropLast) return nullptr;
    if (lPropAlias == 0) return allocName(g_PropNames[lPropNum]);
    if (lPropAlias == 1) return allocName(g_PropNamesRu[lPropNum]);
    return nullptr;
}

const uint16_t* Scandor::allocName(const wchar_t* name) {
    if (m_iMemory == nullptr) return nullptr;
    const uint32_t units = static_cast<uint32_t>(std::wcslen(name)) + 1;
    uint16_t* block = nullptr;
    if (!m_iMemory->AllocMemory(reinterpret_cast<void**>(&block), units * sizeof(uint16_t))) {
        return nullptr;
    }
    convToShortWchar(&block, name, units);
    return block;
}

bool Scandor::GetPropVal(const long lPropNum, tVariant* pvarPropVal) {
    switch (lPropNum) {
        case ePropClaimed: return getClaimed(pvarPropVal);
        case ePropDataBits: return getDataBits(pvarPropVal);
        case ePropEventDescription: return getEventDescription(pvarPropVal);
        case ePropEventName: return getEventName(pvarPropVal);
        case ePropParity: return getParity(pvarPropVal);
        case ePropPort: return getPort(pvarPropVal);
        case ePropSpeed: return getSpeed(pvarPropVal);
        case ePropStopBits: return getStopBits(pvarPropVal);
        case ePropStopChar: return getStopChar(pvarPropVal);
        default: return false;
    }
}

bool Scandor::SetPropVal(const long lPropNum, tVariant* varPropVal) {
    switch (lPropNum) {
        case ePropClaimed: return setClaimed(varPropVal);
        case ePropDataBits: return setDataBits(varPropVal);
        case ePropEventDescription: return setEventDescription(varPropVal);
        case ePropEventName: return setEventName(varPropVal);
        case ePropParity: return setParity(varPropVal);
        case ePropPort: return setPort(varPropVal);
        case ePropSpeed: return setSpeed(varPropVal);
        case ePropStopBits: return setStopBits(varPropVal);
        case ePropStopChar: return setStopChar(varPropVal);
        default: return false;
    }
}

bool Scandor::IsPropReadable(const long lPropNum) { return lPropNum >= 0 && lPropNum < ePropLast; }

bool Scandor::IsPropWritable(const long lPropNum) { return lPropNum >= 0 && lPropNum < ePropLast; }

long Scandor::GetNMethods() { return eMethLast; }

long Scandor::FindMethod(const uint16_t* wsMethodName) {
    if (wsMethodName == nullptr) return -1;
    WcharWrapper name(wsMethodName);
    const long found = findName(g_MethodNames, name, eMethLast);
    return found != -1 ? found : findName(g_MethodNamesRu, name, eMethLast);
}

const uint16_t* Scandor::GetMethodName(const long lMethodNum, const long lMethodAlias) {
    if (lMethodNum < 0 || lMethodNum >= eMethLast) return nullptr;
    if (lMethodAlias == 0) return allocName(g_MethodNames[lMethodNum]);
    if (lMethodAlias == 1) return allocName(g_MethodNamesRu[lMethodNum]);
    return nullptr;
}

long Scandor::GetNParams(const long) { return 0; }

bool Scandor::GetParamDefValue(const long, const long, tVariant* pvarParamDefValue) {
    if (pvarParamDefValue != nullptr) pvarParamDefValue->vt = VTYPE_EMPTY;
    return false;
}

bool Scandor::HasRetVal(const long) { return false; }

bool Scandor::CallAsProc(const long lMethodNum, tVariant*, const long) {
    switch (lMethodNum) {
        case eMethClaim: return callClaim();
        case eMethClose: return callClose();
        default: return false;
    }
}

bool Scandor::CallAsFunc(const long, tVariant*, tVariant*, const long) { return false; }

void Scandor::SetLocale(const uint16_t* loc) { apply_component_locale(loc); }

void Scandor::OnRead(const uint16_t* code) {
    IAddInDefBase* host = m_iConnect.load();
    if (host == nullptr) return;
    if (host->GetEventBufferDepth() < kEventBufferDepth) host->SetEventBufferDepth(kEventBufferDepth);

    // The host copies the texts before it returns; the record stays alive meanwhile.
    const unsigned version = m_eventTextsVersion.load(std::memory_order_acquire);
    if (m_readerTexts == nullptr || version != m_readerTextsVersion) {
        m_readerTexts = eventTexts();
        m_readerTextsVersion = version;
    }
    host->ExternalEvent(const_cast<uint16_t*>(m_readerTexts->name.data()),
                        const_cast<uint16_t*>(m_readerTexts->description.data()),
                        const_cast<uint16_t*>(code));
}

std::shared_ptr<const Scandor::EventTexts> Scandor::eventTexts() const {
    std::lock_guard<std::mutex> lock(m_eventTextsMutex);
    return m_eventTexts;
}

void Scandor::publishEventTexts(std::shared_ptr<const EventTexts> texts) {
    std::lock_guard<std::mutex> lock(m_eventTextsMutex);
    m_eventTexts = std::move(texts);
    m_eventTextsVersion.fetch_add(1, std::memory_order_release);
}

bool Scandor::getClaimed(tVariant* var) {
    if (var == nullptr) return false;
    bool value = true;
    if (!m_bClaimed) {
        // A probe: a port that opens is free, and is closed again at once.
        const bool opened = doClaim(true);
        if (opened) doClaim(false);
        value = !opened;
    }
    var->vt = VTYPE_BOOL;
    var->bVal = value;
    return true;
}

bool Scandor::setClaimed(tVariant* var) {
    if (var == nullptr || var->vt != VTYPE_BOOL) return false;
    doClaim(var->bVal);
    return true;
}

bool Scandor::getDataBits(tVariant* var) { return put_integer(var, m_portReader->getDataBits()); }
bool Scandor::getParity(tVariant* var) { return put_integer(var, m_portReader->getParity()); }
bool Scandor::getSpeed(tVariant* var) { return put_integer(var, m_portReader->getSpeed()); }
bool Scandor::getStopBits(tVariant* var) { return put_integer(var, m_portReader->getStopBits()); }
bool Scandor::getStopChar(tVariant* var) {
    return put_integer(var, static_cast<signed char>(m_portReader->getStopChar()));
}

bool Scandor::setDataBits(tVariant* var) {
    int value = 0;
    if (!integer_value(var, &value)) return false;
    m_portReader->setDataBits(value);
    return true;
}

bool Scandor::setParity(tVariant* var) {
    int value = 0;
    if (!integer_value(var, &value)) return false;
    m_portReader->setParity(value);
    return true;
}

bool Scandor::setSpeed(tVariant* var) {
    int value = 0;
    if (!integer_value(var, &value)) return false;
    m_portReader->setSpeed(value);
    return true;
}

bool Scandor::setStopBits(tVariant* var) {
    int value = 0;
    if (!integer_value(var, &value)) return false;
    m_portReader->setStopBits(value);
    return true;
}

bool Scandor::setStopChar(tVariant* var) {
    int value = 0;
    if (!integer_value(var, &value)) return false;
    m_portReader->setStopChar(static_cast<char>(static_cast<unsigned char>(value & 0xFF)));
    return true;
}

bool Scandor::getEventName(tVariant* var) {
    if (var == nullptr || m_iMemory == nullptr) return false;
    return fillVtWStr(var, eventTexts()->name.data(), m_iMemory);
}

bool Scandor::getEventDescription(tVariant* var) {
    if (var == nullptr || m_iMemory == nullptr) return false;
    return fillVtWStr(var, eventTexts()->description.data(), m_iMemory);
}

bool Scandor::setEventName(tVariant* var) {
    if (!is_text(var)) return false;
    auto texts = std::make_shared<EventTexts>(*eventTexts());
    texts->name = copy_interface_text(var->pwstrVal);
    publishEventTexts(std::move(texts));
    return true;
}

bool Scandor::setEventDescription(tVariant* var) {
    if (!is_text(var)) return false;
    auto texts = std::make_shared<EventTexts>(*eventTexts());
    texts->description = copy_interface_text(var->pwstrVal);
    publishEventTexts(std::move(texts));
    return true;
}

bool Scandor::getPort(tVariant* var) {
    if (var == nullptr || m_iMemory == nullptr) return false;
    WcharWrapper port(m_portReader->getPort().c_str());
    return fillVtWStr(var, port, m_iMemory);
}

bool Scandor::setPort(tVariant* var) {
    if (!is_text(var)) return false;
    WcharWrapper port(var->pwstrVal);
    m_portReader->setPort(static_cast<const wchar_t*>(port));
    return true;
}

bool Scandor::callClaim() { return doClaim(true); }

bool Scandor::callClose() { return doClose(); }

bool Scandor::doClaim(bool claim) {
    if (!claim) return doClose();
    if (m_bClaimed) return true;
    m_bClaimed = m_portReader->Open();
    log_event("Scandor::doClaim opened=%d", m_bClaimed ? 1 : 0);
    return m_bClaimed;
}

bool Scandor::doClose() {
    if (m_bClaimed) {
        m_portReader->Close();
        m_bClaimed = false;
    }
    return true;
}
