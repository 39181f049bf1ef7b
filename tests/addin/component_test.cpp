// The component's name tables, its properties and methods, driven through the interface
// with a fake host, as a bridge drives it. Nothing here opens a device.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "component_fixture.h"

namespace velmor_test {
namespace {

std::vector<uint16_t> text(const std::u16string& s) { return to_interface(s); }

class ComponentTest : public ComponentFixture {
protected:
    IComponentBase* c() { return m_component->get(); }

    std::u16string takeName(const uint16_t* name) {
        std::u16string out = from_interface(name);
        void* block = const_cast<uint16_t*>(name);
        if (block != nullptr) m_memory.FreeMemory(&block);
        return out;
    }
};

struct Name {
    long index;
    const char16_t* english;
    const char16_t* russian;
};

const Name kProps[] = {
    {0, u"Claimed", u"УстройствоЗанято"}, {1, u"DataBits", u"БитДанных"},
    {2, u"EventDescription", u"ОписаниеСобытия"}, {3, u"EventName", u"ИмяСобытия"},
    {4, u"Parity", u"Четность"}, {5, u"Port", u"Порт"}, {6, u"Speed", u"Скорость"},
    {7, u"StopBits", u"СтопБит"}, {8, u"StopChar", u"СтопСимвол"}};
const Name kMethods[] = {{0, u"Claim", u"Занять"}, {1, u"Close", u"Отсоединить"}};

TEST_F(ComponentTest, PropertyNamesInBothLanguages) {
    ASSERT_EQ(c()->GetNProps(), 9);
    for (const Name& p : kProps) {
        SCOPED_TRACE(std::string(p.english, p.english + std::char_traits<char16_t>::length(p.english)));
        EXPECT_EQ(c()->FindProp(text(p.english).data()), p.index);
        EXPECT_EQ(c()->FindProp(text(p.russian).data()), p.index);
        EXPECT_EQ(takeName(c()->GetPropName(p.index, 0)), p.english);
        EXPECT_EQ(takeName(c()->GetPropName(p.index, 1)), p.russian);
        EXPECT_TRUE(c()->IsPropReadable(p.index));
        EXPECT_TRUE(c()->IsPropWritable(p.index));
    }
}

TEST_F(ComponentTest, MethodNamesInBothLanguages) {
    ASSERT_EQ(c()->GetNMethods(), 2);
    for (const Name& m : kMethods) {
        EXPECT_EQ(c()->FindMethod(text(m.english).data()), m.index);
        EXPECT_EQ(c()->FindMethod(text(m.russian).data()), m.index);
        EXPECT_EQ(takeName(c()->GetMethodName(m.index, 0)), m.english);
        EXPECT_EQ(takeName(c()->GetMethodName(m.index, 1)), m.russian);
        EXPECT_EQ(c()->GetNParams(m.index), 0);
        EXPECT_FALSE(c()->HasRetVal(m.index));
    }
}

TEST_F(ComponentTest, LookupsAreExact) {
    for (const char16_t* name : {u"port", u"PORT", u"Port ", u"", u"порт", u"claim", u"Claimed2"}) {
        EXPECT_EQ(c()->FindProp(text(name).data()), -1);
        EXPECT_EQ(c()->FindMethod(text(name).data()), -1);
    }
}

TEST_F(ComponentTest, NamesOutsideTheTablesAreNull) {
    const long bad[][2] = {{9, 0}, {-1, 0}, {0, 2}, {0, -1}};
    for (const auto& b : bad) {
        EXPECT_EQ(c()->GetPropName(b[0], b[1]), nullptr);
    }
    EXPECT_EQ(c()->GetMethodName(2, 0), nullptr);
    EXPECT_EQ(c()->GetMethodName(0, 2), nullptr);
    EXPECT_FALSE(c()->IsPropReadable(9));
    EXPECT_FALSE(c()->IsPropWritable(-1));
    EXPECT_EQ(m_memory.liveBlocks(), 0);
}

TEST_F(ComponentTest, RefusedAllocationsGiveNullOrFalse) {
    m_memory.refuse(true);
    uint16_t* name = nullptr;
    EXPECT_FALSE(c()->RegisterExtensionAs(&name));
    EXPECT_EQ(c()->GetPropName(0, 0), nullptr);
    EXPECT_EQ(c()->GetMethodName(0, 1), nullptr);
    tVariant var{};
    EXPECT_FALSE(c()->GetPropVal(5, &var));  // Port is a text
    EXPECT_EQ(var.vt, VTYPE_EMPTY);
}

TEST_F(ComponentTest, RegistersAsScandor) {
    uint16_t* name = nullptr;
    ASSERT_TRUE(c()->RegisterExtensionAs(&name));
    EXPECT_EQ(m_memory.lastRequest(), 8u * sizeof(uint16_t));
    EXPECT_EQ(takeName(name), u"Scandor");
}

TEST_F(ComponentTest, DefaultSettings) {
    EXPECT_EQ(m_component->readText(u"Port"), VELMOR_DEFAULT_PORT);
    EXPECT_EQ(m_component->readText(u"EventName"), u"Scandor");
    EXPECT_EQ(m_component->readText(u"EventDescription"), u"Barcode");
    EXPECT_EQ(m_component->readInt(u"Speed"), 9600);
    EXPECT_EQ(m_component->readInt(u"DataBits"), 8);
    EXPECT_EQ(m_component->readInt(u"Parity"), 0);
    EXPECT_EQ(m_component->readInt(u"StopBits"), 0);
    EXPECT_EQ(m_component->readInt(u"StopChar"), 0);
    EXPECT_EQ(m_memory.liveBlocks(), 0);
}

tVariant i4(int32_t v) {
    tVariant var{};
    var.vt = VTYPE_I4;
    var.lVal = v;
    return var;
}
tVariant r8(double v) {
    tVariant var{};
    var.vt = VTYPE_R8;
    var.dblVal = v;
    return var;
}
tVariant of_type(TYPEVAR vt) {
    tVariant var{};
    var.vt = vt;
    return var;
}

struct NumberWrite {
    const char16_t* prop;
    tVariant value;
    bool accepted;
    int32_t readBack;
};

TEST_F(ComponentTest, NumericSettingsTakeIntegersAndTruncatedReals) {
    uint16_t speedText[] = {'1', '2', 0};
    tVariant textValue{};
    textValue.vt = VTYPE_PWSTR;
    textValue.pwstrVal = speedText;
    textValue.wstrLen = 2;
    const NumberWrite cases[] = {
        {u"DataBits", r8(7.9), true, 7},
        {u"DataBits", r8(-7.9), true, -7},
        {u"Speed", i4(115200), true, 115200},  // kept as written until the port opens
        {u"Speed", textValue, false, 9600},
        {u"Speed", of_type(VTYPE_BOOL), false, 9600},
        {u"Speed", of_type(VTYPE_I2), false, 9600},
        {u"Parity", i4(-5), true, -5},
        {u"StopBits", r8(2.0), true, 2},
        {u"StopChar", i4(0x141), true, 0x41},
        {u"StopChar", i4(0xE9), true, -23},  // a signed character, read back with its sign
        {u"StopChar", r8(4.5), true, 4},
        // Reals that no int can hold are refused rather than converted undefinedly.
        {u"Speed", r8(1e12), false, 9600},
        {u"Speed", r8(std::numeric_limits<double>::quiet_NaN()), false, 9600},
        {u"Speed", r8(-std::numeric_limits<double>::infinity()), false, 9600},
    };
    for (const NumberWrite& w : cases) {
        Component fresh(m_library, m_host, m_memory);
        tVariant value = w.value;
        SCOPED_TRACE(testing::Message() << "value " << value.dblVal << " type " << value.vt);
        EXPECT_EQ(fresh->SetPropVal(fresh.prop(w.prop), &value), w.accepted);
        EXPECT_EQ(fresh.readInt(w.prop), w.readBack);
    }
}

TEST_F(ComponentTest, TextSettingsTakeOnlyTexts) {
    for (const char16_t* prop : {u"Port", u"EventName", u"EventDescription"}) {
        const std::u16string before = m_component->readText(prop);
        tVariant nullText = of_type(VTYPE_PWSTR);
        EXPECT_FALSE((*m_component)->SetPropVal(m_component->prop(prop), &nullText));
        tVariant number = i4(5);
        EXPECT_FALSE((*m_component)->SetPropVal(m_component->prop(prop), &number));
        EXPECT_EQ(m_component->readText(prop), before);

        const std::u16string value = u"Сканер \U0001F600 1";  // kept unit for unit
        EXPECT_TRUE(m_component->setText(prop, value));
        EXPECT_EQ(m_component->readText(prop), value);
    }
}

TEST_F(ComponentTest, TextIsTakenUpToItsTerminator) {
    uint16_t value[] = {'a', 'b', 0, 'c'};
    tVariant var{};
    var.vt = VTYPE_PWSTR;
    var.pwstrVal = value;
    var.wstrLen = 4;  // not consulted
    ASSERT_TRUE(c()->SetPropVal(m_component->prop(u"EventName"), &var));
    EXPECT_EQ(m_component->readText(u"EventName"), u"ab");
}

TEST_F(ComponentTest, ClaimedTakesOnlyBooleans) {
    tVariant var = i4(1);
    EXPECT_FALSE(c()->SetPropVal(0, &var));
    EXPECT_TRUE(m_component->setBool(u"Claimed", false));
}

TEST_F(ComponentTest, NullRecordsAndUnknownIndexesFail) {
    for (long i = 0; i < 9; ++i) {
        EXPECT_FALSE(c()->SetPropVal(i, nullptr)) << i;
        EXPECT_FALSE(c()->GetPropVal(i, nullptr)) << i;
    }
    tVariant var{};
    EXPECT_FALSE(c()->GetPropVal(9, &var));
    EXPECT_FALSE(c()->SetPropVal(-1, &var));
    EXPECT_FALSE(c()->CallAsProc(2, nullptr, 0));
    EXPECT_FALSE(c()->CallAsFunc(0, &var, nullptr, 0));
    var.vt = VTYPE_I4;
    EXPECT_FALSE(c()->GetParamDefValue(0, 0, &var));
    EXPECT_EQ(var.vt, VTYPE_EMPTY);
}

TEST_F(ComponentTest, WithoutAHostOrAllocatorTheConnectionFails) {
    IComponentBase* object = nullptr;
    m_library.getClassObject(nullptr, &object);
    EXPECT_FALSE(object->Init(nullptr));
    EXPECT_FALSE(object->setMemManager(nullptr));
    uint16_t* name = nullptr;
    EXPECT_FALSE(object->RegisterExtensionAs(&name));
    EXPECT_EQ(object->GetPropName(0, 0), nullptr);
    tVariant var{};
    EXPECT_FALSE(object->GetPropVal(5, &var));
    m_library.destroyObject(&object);
}

TEST_F(ComponentTest, CloseWhenNotClaimedSucceeds) {
    EXPECT_TRUE(m_component->call(u"Close"));
    EXPECT_TRUE(m_component->call(u"Отсоединить"));
}

}  // namespace
}  // namespace velmor_test
