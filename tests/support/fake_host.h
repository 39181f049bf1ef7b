#pragma once
// A host for the add-in that knows only the interface contract: it loads the library through
// its exports, implements the host interfaces, and records what the component hands it.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "IMemoryManager.h"

namespace velmor_test {

std::u16string from_interface(const uint16_t* text);
std::vector<uint16_t> to_interface(const std::u16string& text);  // zero-terminated

// The allocator handed to the component; counts live blocks and can refuse on request.
class FakeMemoryManager : public IMemoryManager {
public:
    ~FakeMemoryManager() override;
    bool AllocMemory(void** pMemory, unsigned long ulCountByte) override;
    void FreeMemory(void** pMemory) override;

    void refuse(bool refuse) { m_refuse = refuse; }
    int liveBlocks() const;
    unsigned long lastRequest() const { return m_lastRequest; }

private:
    mutable std::mutex m_mutex;
    std::vector<void*> m_blocks;
    bool m_refuse = false;
    unsigned long m_lastRequest = 0;
};

struct RecordedEvent {
    std::u16string source;
    std::u16string message;
    std::u16string data;
    long depthWhenRaised;  // the host's event buffer depth when the event arrived
};

class FakeHost : public IAddInDefBaseEx {
public:
    bool AddError(unsigned short, const uint16_t*, const uint16_t*, long) override { return true; }
    bool Read(uint16_t*, tVariant*, long*, uint16_t**) override { return false; }
    bool Write(uint16_t*, tVariant*) override { return false; }
    bool RegisterProfileAs(uint16_t*) override { return false; }
    bool SetEventBufferDepth(long lDepth) override;
    long GetEventBufferDepth() override;
    bool ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) override;
    void CleanEventBuffer() override {}
    bool SetStatusLine(uint16_t*) override { return true; }
    void ResetStatusLine() override {}
    IInterface* GetInterface(Interfaces) override { return nullptr; }

    void setDepth(long depth);
    int depthChanges() const;
    std::vector<RecordedEvent> events() const;
    // Waits until at least `count` events have arrived; false when the deadline passed.
    bool waitForEvents(size_t count, std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<RecordedEvent> m_events;
    long m_depth = 1;
    int m_depthChanges = 0;
};

// The library, loaded once per test program and resolved by name.
class AddInLibrary {
public:
    explicit AddInLibrary(const std::string& path);
    ~AddInLibrary();
    AddInLibrary(const AddInLibrary&) = delete;
    AddInLibrary& operator=(const AddInLibrary&) = delete;

    bool loaded() const { return m_library != nullptr; }
    const std::string& error() const { return m_error; }
    void* symbol(const char* name) const;

    GetClassObjectPtr getClassObject = nullptr;
    DestroyObjectPtr destroyObject = nullptr;
    GetClassNamesPtr getClassNames = nullptr;

private:
    void* m_library = nullptr;
    std::string m_error;
};

// One connected component: created, given the host and its allocator, destroyed at the end.
class Component {
public:
    Component(AddInLibrary& library, FakeHost& host, FakeMemoryManager& memory);
    ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    IComponentBase* operator->() const { return m_object; }
    IComponentBase* get() const { return m_object; }

    long prop(const char16_t* name) const;
    bool setText(const char16_t* prop, const std::u16string& value);
    bool setInt(const char16_t* prop, int32_t value);
    bool setBool(const char16_t* prop, bool value);
    tVariant read(const char16_t* prop);  // the value as the component wrote it
    std::u16string readText(const char16_t* prop);
    int32_t readInt(const char16_t* prop);
    bool readBool(const char16_t* prop);
    bool call(const char16_t* method);

private:
    AddInLibrary& m_library;
    FakeMemoryManager& m_memory;
    IComponentBase* m_object = nullptr;
};

// The path of the add-in under test, from the test program's environment or build.
std::string addin_path();

}  // namespace velmor_test
