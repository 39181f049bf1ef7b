#include "fake_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "library_loader.h"

namespace velmor_test {

std::vector<uint16_t> to_interface(const std::u16string& text) {
    std::vector<uint16_t> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

std::u16string from_interface(const uint16_t* text) {
    std::u16string out;
    if (text == nullptr) return out;
    for (const uint16_t* c = text; *c != 0; ++c) out.push_back(static_cast<char16_t>(*c));
    return out;
}

FakeMemoryManager::~FakeMemoryManager() {
    for (void* block : m_blocks) std::free(block);
}

bool FakeMemoryManager::AllocMemory(void** pMemory, unsigned long ulCountByte) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastRequest = ulCountByte;
    if (m_refuse) return false;
    *pMemory = std::malloc(ulCountByte == 0 ? 1 : ulCountByte);
    if (*pMemory == nullptr) return false;
    m_blocks.push_back(*pMemory);
    return true;
}

void FakeMemoryManager::FreeMemory(void** pMemory) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find(m_blocks.begin(), m_blocks.end(), *pMemory);
    if (it == m_blocks.end()) throw std::logic_error("freeing a block this host never gave");
    m_blocks.erase(it);
    std::free(*pMemory);
    *pMemory = nullptr;
}

int FakeMemoryManager::liveBlocks() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_blocks.size());
}

bool FakeHost::SetEventBufferDepth(long lDepth) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_depth = lDepth;
    ++m_depthChanges;
    return true;
}

long FakeHost::GetEventBufferDepth() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_depth;
}

bool FakeHost::ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) {
    RecordedEvent event{from_interface(wszSource), from_interface(wszMessage),
                        from_interface(wszData), 0};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        event.depthWhenRaised = m_depth;
        m_events.push_back(std::move(event));
    }
    m_arrived.notify_all();
    return true;
}

void FakeHost::setDepth(long depth) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_depth = depth;
}

int FakeHost::depthChanges() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_depthChanges;
}

std::vector<RecordedEvent> FakeHost::events() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

bool FakeHost::waitForEvents(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_events.size() >= count; });
}

AddInLibrary::AddInLibrary(const std::string& path) {
    m_library = load_library(path);
    if (m_library == nullptr) {
        m_error = "cannot load " + path + ": " + last_library_error();
        return;
    }
    getClassObject = reinterpret_cast<GetClassObjectPtr>(symbol("GetClassObject"));
    destroyObject = reinterpret_cast<DestroyObjectPtr>(symbol("DestroyObject"));
    getClassNames = reinterpret_cast<GetClassNamesPtr>(symbol("GetClassNames"));
    if (getClassObject == nullptr || destroyObject == nullptr || getClassNames == nullptr) {
        m_error = "an export is missing from " + path;
    }
}

AddInLibrary::~AddInLibrary() {
    if (m_library != nullptr) unload_library(m_library);
}

void* AddInLibrary::symbol(const char* name) const { return find_symbol(m_library, name); }

Component::Component(AddInLibrary& library, FakeHost& host, FakeMemoryManager& memory)
    : m_library(library), m_memory(memory) {
    if (m_library.getClassObject(nullptr, &m_object) == 0 || m_object == nullptr) {
        throw std::runtime_error("GetClassObject made no component");
    }
    m_object->Init(static_cast<IAddInDefBaseEx*>(&host));
    m_object->setMemManager(static_cast<IMemoryManager*>(&memory));
}

Component::~Component() {
    m_object->Done();
    m_library.destroyObject(&m_object);
}

long Component::prop(const char16_t* name) const {
    std::vector<uint16_t> text = to_interface(name);
    const long index = m_object->FindProp(text.data());
    if (index < 0) throw std::logic_error("no such property");
    return index;
}

bool Component::setText(const char16_t* prop_name, const std::u16string& value) {
    std::vector<uint16_t> text = to_interface(value);
    tVariant var{};
    var.vt = VTYPE_PWSTR;
    var.pwstrVal = text.data();
    var.wstrLen = static_cast<uint32_t>(value.size());
    return m_object->SetPropVal(prop(prop_name), &var);
}

bool Component::setInt(const char16_t* prop_name, int32_t value) {
    tVariant var{};
    var.vt = VTYPE_I4;
    var.lVal = value;
    return m_object->SetPropVal(prop(prop_name), &var);
}

bool Component::setBool(const char16_t* prop_name, bool value) {
    tVariant var{};
    var.vt = VTYPE_BOOL;
    var.bVal = value;
    return m_object->SetPropVal(prop(prop_name), &var);
}

tVariant Component::read(const char16_t* prop_name) {
    tVariant var{};
    if (!m_object->GetPropVal(prop(prop_name), &var)) throw std::runtime_error("GetPropVal failed");
    return var;
}

std::u16string Component::readText(const char16_t* prop_name) {
    tVariant var = read(prop_name);
    if (var.vt != VTYPE_PWSTR) throw std::runtime_error("not a text");
    std::u16string text = from_interface(var.pwstrVal);
    if (text.size() != var.wstrLen) throw std::runtime_error("wstrLen disagrees with the text");
    void* block = var.pwstrVal;
    m_memory.FreeMemory(&block);
    return text;
}

int32_t Component::readInt(const char16_t* prop_name) {
    tVariant var = read(prop_name);
    if (var.vt != VTYPE_I4) throw std::runtime_error("not an integer");
    return var.lVal;
}

bool Component::readBool(const char16_t* prop_name) {
    tVariant var = read(prop_name);
    if (var.vt != VTYPE_BOOL) throw std::runtime_error("not a boolean");
    return var.bVal;
}

bool Component::call(const char16_t* method) {
    std::vector<uint16_t> text = to_interface(method);
    const long index = m_object->FindMethod(text.data());
    if (index < 0) throw std::logic_error("no such method");
    return m_object->CallAsProc(index, nullptr, 0);
}

std::string addin_path() {
    const char* fromEnvironment = std::getenv("VELMOR_ADDIN");
    if (fromEnvironment != nullptr && *fromEnvironment != 0) return fromEnvironment;
    return VELMOR_ADDIN_PATH;
}

}  // namespace velmor_test
