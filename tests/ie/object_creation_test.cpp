// The server's object creation (platform/atl): a class whose construction throws, as the
// server's classes may when memory runs out, fails the creation with an HRESULT; nothing
// thrown leaves the factory, and no module lock is left behind.

#include <windows.h>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "com_object.h"
#include "module_state.h"

namespace {

enum class Thrown { eOutOfMemory, eOther };
Thrown g_thrown = Thrown::eOutOfMemory;

class ThrowingObject : public IUnknown, public velmor_atl::ComObjectRoot {
public:
    explicit ThrowingObject(IUnknown* outer) : velmor_atl::ComObjectRoot(outer) {
        if (g_thrown == Thrown::eOutOfMemory) throw std::bad_alloc();
        throw std::runtime_error("construction failed");
    }
    VELMOR_COM_UNKNOWN

protected:
    void* findInterface(REFIID) override { return nullptr; }
};

TEST(ObjectCreation, AConstructionThatThrowsFailsWithAnHresult) {
    const struct {
        Thrown thrown;
        HRESULT expected;
    } cases[] = {{Thrown::eOutOfMemory, E_OUTOFMEMORY}, {Thrown::eOther, E_FAIL}};
    for (const auto& c : cases) {
        g_thrown = c.thrown;
        const long locks = velmor_atl::module_lock_count();
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(velmor_atl::create_object<ThrowingObject>(nullptr, IID_IUnknown, &out),
                  c.expected);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(velmor_atl::module_lock_count(), locks) << "a lock outlived the object";
    }
}

}  // namespace
