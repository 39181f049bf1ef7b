// The records of a call as the add-in may leave them: whatever it wrote where, every block the
// host lent goes back to the host's memory manager once, every block the add-in wrote goes
// back to the component's once, and nothing else is freed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <tuple>

#include "parameter_records.h"
#include "sized_addin_memory.h"

namespace {

// Hands out C-heap blocks, kept until the end so that a block freed twice is counted, not
// reused, and counts how often each comes back; a release of anything else is noted too.
class Ledger {
public:
    Ledger() = default;
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;
    ~Ledger() {
        for (auto& block : m_frees) std::free(block.first);
    }
    void* allocate(size_t bytes) {
        void* block = std::malloc(bytes);
        m_frees[block] = 0;
        return block;
    }
    void release(void* block) {
        const auto known = m_frees.find(block);
        if (known == m_frees.end()) {
            m_strays += " released a pointer it never gave";
        } else {
            ++known->second;
        }
    }
    // "" when every block came back exactly once and nothing else was released.
    std::string wrong() const {
        std::string wrong = m_strays;
        for (const auto& block : m_frees) {
            if (block.second != 1) wrong += " freed " + std::to_string(block.second) + "x";
        }
        return wrong;
    }

private:
    std::map<void*, int> m_frees;
    std::string m_strays;
};

// The host's own memory manager, one that knows nothing of the blocks it has out.
class CountingMemory : public IMemoryManager {
public:
    bool AllocMemory(void** pMemory, unsigned long ulCountByte) override {
        *pMemory = m_ledger.allocate(ulCountByte);
        return true;
    }
    void FreeMemory(void** pMemory) override { m_ledger.release(*pMemory); }
    std::string wrong() const { return m_ledger.wrong(); }

private:
    Ledger m_ledger;
};

// The component's memory manager, as the bridges give it: a SizedAddInMemory, over a ledger
// (one at a time, the heap functions being plain functions).
Ledger* g_componentLedger = nullptr;

void* component_allocate(size_t bytes) { return g_componentLedger->allocate(bytes); }
void component_release(void* block) { g_componentLedger->release(block); }

class ComponentMemory : public SizedAddInMemory {
public:
    ComponentMemory() : SizedAddInMemory(component_allocate, component_release) {
        g_componentLedger = &m_ledger;
    }
    ~ComponentMemory() override { g_componentLedger = nullptr; }
    void* text() {
        void* block = nullptr;
        AllocMemory(&block, 8);
        return block;
    }
    std::string wrong() const { return m_ledger.wrong(); }

private:
    Ledger m_ledger;
};

void* new_text(IMemoryManager& memory) {
    void* block = nullptr;
    memory.AllocMemory(&block, 8);
    return block;
}

void set_text(tVariant& record, void* block) {
    record.vt = VTYPE_PWSTR;
    record.pwstrVal = static_cast<uint16_t*>(block);
    record.wstrLen = 0;
}

struct Case {
    const char* name;
    size_t count;
    // What the add-in does with the records, the component's memory at hand.
    std::function<void(ParameterRecords&, ComponentMemory&)> call;
};

class WhateverTheAddInWrote : public ::testing::TestWithParam<Case> {};

TEST_P(WhateverTheAddInWrote, EveryBlockGoesBackOnceToWhereItCameFrom) {
    const Case& c = GetParam();
    CountingMemory host;
    ComponentMemory component;
    {
        ParameterRecords records(&host, &component);
        records.reset(c.count);
        for (size_t i = 0; i < c.count; ++i) set_text(records[i], new_text(host));
        records.lend();
        c.call(records, component);
    }
    EXPECT_EQ("", host.wrong()) << "the host's blocks";
    EXPECT_EQ("", component.wrong()) << "the component's blocks";
}

INSTANTIATE_TEST_SUITE_P(
    Table, WhateverTheAddInWrote,
    ::testing::Values(
        Case{"Kept", 3, [](ParameterRecords&, ComponentMemory&) {}},
        Case{"Replaced", 3,
             [](ParameterRecords& r, ComponentMemory& m) { set_text(r[1], m.text()); }},
        Case{"MovedToAnother", 3, [](ParameterRecords& r, ComponentMemory&) { r[0] = r[2]; }},
        Case{"OneBlockInTwoRecordsAndTheResult", 3,
             [](ParameterRecords& r, ComponentMemory& m) {
                 set_text(r.result(), m.text());
                 r[0] = r.result();
                 r[2] = r.result();
             }},
        Case{"AHostBlockAsTheResult", 2,
             [](ParameterRecords& r, ComponentMemory&) { r.result() = r[1]; }},
        Case{"NumbersOverTexts", 2,
             [](ParameterRecords& r, ComponentMemory&) {
                 r[0].vt = VTYPE_I4;
                 r[0].lVal = 1;
             }},
        Case{"ManyRecordsEachReplacedAndShared", 40,
             [](ParameterRecords& r, ComponentMemory& m) {
                 for (size_t i = 0; i < r.size(); i += 2) set_text(r[i], m.text());
                 for (size_t i = 1; i < r.size(); i += 2) r[i] = r[i - 1];
             }},
        Case{"AVariantRecordPointingAtAnother", 2,
             [](ParameterRecords& r, ComponentMemory&) {
                 r[0].vt = VTYPE_VARIANT;
                 r[0].pvarVal = &r[1];
             }}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

// What an add-in may leave in a record that is no block it was given: a pointer into the middle
// of another record's block, a block it already freed through its memory manager, a static
// buffer. None of it is freed; every block still out goes back once. Each case runs with the
// host's texts from a memory manager of its own (as the Chrome host lends them) and from the
// component's (as the Firefox component and the Internet Explorer server do).
uint16_t g_static[] = {'s', 0};

struct Stray {
    const char* name;
    size_t count;  // parameter records
    size_t given;  // of them, those holding a text of the host
    // The defaults the component gave for the others, before the records are lent.
    std::function<void(ParameterRecords&, ComponentMemory&)> fill;
    std::function<void(ParameterRecords&, ComponentMemory&)> call;
};

void no_defaults(ParameterRecords&, ComponentMemory&) {}

void freed(tVariant& record, ComponentMemory& m) {
    void* block = record.pwstrVal;
    m.FreeMemory(&block);  // a copy: the record keeps the pointer
}

class StrayPointers : public ::testing::TestWithParam<std::tuple<Stray, bool>> {};

TEST_P(StrayPointers, AreLeftAloneAndEveryBlockOutGoesBackOnce) {
    const Stray& c = std::get<0>(GetParam());
    const bool shared = std::get<1>(GetParam());
    CountingMemory host;
    ComponentMemory component;
    IMemoryManager& lender = shared ? static_cast<IMemoryManager&>(component) : host;
    {
        ParameterRecords records(&lender, &component);
        records.reset(c.count);
        for (size_t i = 0; i < c.given; ++i) set_text(records[i], new_text(lender));
        c.fill(records, component);
        records.lend();
        c.call(records, component);
    }
    EXPECT_EQ("", host.wrong()) << "the host's blocks";
    EXPECT_EQ("", component.wrong()) << "the component's blocks";
    EXPECT_EQ(0, component.blocksOut());
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrayPointers,
    ::testing::Combine(
        ::testing::Values(
            Stray{"MiddleOfAnotherBlockAsTheResult", 2, 2, no_defaults,
                  [](ParameterRecords& r, ComponentMemory&) {
                      set_text(r.result(), r[1].pwstrVal + 1);
                  }},
            Stray{"MiddleOfAnotherBlockAsAnOutParameter", 2, 2, no_defaults,
                  [](ParameterRecords& r, ComponentMemory&) { set_text(r[0], r[1].pwstrVal + 1); }},
            Stray{"MiddleOfItsOwnBlockAsAProperty", 1, 1, no_defaults,
                  [](ParameterRecords& r, ComponentMemory&) { set_text(r[0], r[0].pwstrVal + 1); }},
            Stray{"FreedLentBlockAsTheResult", 1, 1, no_defaults,
                  [](ParameterRecords& r, ComponentMemory& m) {
                      freed(r[0], m);
                      r.result() = r[0];
                  }},
            Stray{"FreedLentBlockAsAnOutParameter", 2, 2, no_defaults,
                  [](ParameterRecords& r, ComponentMemory& m) {
                      freed(r[1], m);
                      r[0] = r[1];
                  }},
            Stray{"FreedLentBlockAsAProperty", 1, 1, no_defaults,
                  [](ParameterRecords& r, ComponentMemory& m) {
                      m.FreeMemory(reinterpret_cast<void**>(&r[0].pwstrVal));
                  }},
            Stray{"FreedBlockOfItsOwnAsTheResult", 1, 1, no_defaults,
                  [](ParameterRecords& r, ComponentMemory& m) {
                      set_text(r.result(), m.text());
                      freed(r.result(), m);
                  }},
            Stray{"StaticBufferAsTheResult", 1, 1, no_defaults,
                  [](ParameterRecords& r, ComponentMemory&) { set_text(r.result(), g_static); }},
            Stray{"StaticBufferAsAnOutParameter", 2, 2, no_defaults,
                  [](ParameterRecords& r, ComponentMemory&) { set_text(r[1], g_static); }},
            Stray{"StaticBufferAsAProperty", 0, 0, no_defaults,
                  [](ParameterRecords& r, ComponentMemory&) { set_text(r.result(), g_static); }},
            // A default the component gave is lent with the host's texts: written over, it
            // still goes back.
            Stray{"DefaultWrittenOver", 2, 1,
                  [](ParameterRecords& r, ComponentMemory& m) { set_text(r[1], m.text()); },
                  [](ParameterRecords& r, ComponentMemory& m) { set_text(r[1], m.text()); }},
            Stray{"DefaultMovedAndFreed", 2, 1,
                  [](ParameterRecords& r, ComponentMemory& m) { set_text(r[1], m.text()); },
                  [](ParameterRecords& r, ComponentMemory& m) {
                      r.result() = r[1];
                      freed(r[1], m);
                  }}),
        ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<Stray, bool>>& p) {
        return std::string(std::get<0>(p.param).name) +
               (std::get<1>(p.param) ? "_OneManager" : "_TwoManagers");
    });

}  // namespace
