// The records of a call as the add-in may leave them: whatever it wrote where, every block the
// host lent goes back to the host's memory manager once, and every block the add-in wrote goes
// back to the component's once.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "parameter_records.h"

namespace {

// Hands out C-heap blocks and counts how often each comes back.
class CountingMemory : public IMemoryManager {
public:
    ~CountingMemory() override {
        for (auto& block : m_frees) std::free(block.first);
    }
    bool AllocMemory(void** pMemory, unsigned long ulCountByte) override {
        *pMemory = std::malloc(ulCountByte);
        m_frees[*pMemory] = 0;
        return true;
    }
    // Kept until the end, so that a block freed twice is counted, not reused.
    void FreeMemory(void** pMemory) override { ++m_frees[*pMemory]; }

    void* text() {
        void* block = nullptr;
        AllocMemory(&block, 8);
        return block;
    }
    // "" when every block came back exactly once.
    std::string wrong() const {
        std::string wrong;
        for (const auto& block : m_frees) {
            if (block.second != 1) wrong += " freed " + std::to_string(block.second) + "x";
        }
        return wrong;
    }

private:
    std::map<void*, int> m_frees;
};

void set_text(tVariant& record, void* block) {
    record.vt = VTYPE_PWSTR;
    record.pwstrVal = static_cast<uint16_t*>(block);
    record.wstrLen = 0;
}

struct Case {
    const char* name;
    size_t count;
    // What the add-in does with the records, the component's memory at hand.
    std::function<void(ParameterRecords&, CountingMemory&)> call;
};

class WhateverTheAddInWrote : public ::testing::TestWithParam<Case> {};

TEST_P(WhateverTheAddInWrote, EveryBlockGoesBackOnceToWhereItCameFrom) {
    const Case& c = GetParam();
    CountingMemory host, component;
    {
        ParameterRecords records(&host, &component);
        records.reset(c.count);
        for (size_t i = 0; i < c.count; ++i) set_text(records[i], host.text());
        records.lend();
        c.call(records, component);
    }
    EXPECT_EQ("", host.wrong()) << "the host's blocks";
    EXPECT_EQ("", component.wrong()) << "the component's blocks";
}

INSTANTIATE_TEST_SUITE_P(
    Table, WhateverTheAddInWrote,
    ::testing::Values(
        Case{"Kept", 3, [](ParameterRecords&, CountingMemory&) {}},
        Case{"Replaced", 3,
             [](ParameterRecords& r, CountingMemory& m) { set_text(r[1], m.text()); }},
        Case{"MovedToAnother", 3, [](ParameterRecords& r, CountingMemory&) { r[0] = r[2]; }},
        Case{"OneBlockInTwoRecordsAndTheResult", 3,
             [](ParameterRecords& r, CountingMemory& m) {
                 set_text(r.result(), m.text());
                 r[0] = r.result();
                 r[2] = r.result();
             }},
        Case{"AHostBlockAsTheResult", 2,
             [](ParameterRecords& r, CountingMemory&) { r.result() = r[1]; }},
        Case{"NumbersOverTexts", 2,
             [](ParameterRecords& r, CountingMemory&) {
                 r[0].vt = VTYPE_I4;
                 r[0].lVal = 1;
             }},
        Case{"ManyRecordsEachReplacedAndShared", 40,
             [](ParameterRecords& r, CountingMemory& m) {
                 for (size_t i = 0; i < r.size(); i += 2) set_text(r[i], m.text());
                 for (size_t i = 1; i < r.size(); i += 2) r[i] = r[i - 1];
             }},
        Case{"AVariantRecordPointingAtAnother", 2,
             [](ParameterRecords& r, CountingMemory&) {
                 r[0].vt = VTYPE_VARIANT;
                 r[0].pvarVal = &r[1];
             }}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

}  // namespace
