#include "object_holder.h"

#include "scriptable_class_base.h"

std::unique_ptr<ObjectHolder> ObjectHolder::m_holder;

namespace {
// CNPVariant::toObject finds objects through this.
ScriptableClassBase* lookup_object(cls_id id, const JsValue* properties) {
    ScriptableClassBase* obj = get_object(id);
    if (obj != nullptr && properties != nullptr) obj->setAllProps(*properties);
    return obj;
}
}  // namespace

ObjectHolder& ObjectHolder::get() {
    if (!m_holder) {
        m_holder.reset(new ObjectHolder);
        set_object_lookup(&lookup_object);
    }
    return *m_holder;
}

ObjectHolder::~ObjectHolder() { clear(); }

void ObjectHolder::append(ScriptableClassBase* obj) {
    m_objects[obj->get_id()] = ObjectPtr(obj);
}

bool ObjectHolder::remove(cls_id id) {
    auto it = m_objects.find(id);
    if (it == m_objects.end()) return false;
    // Take the object out of the map before it is destroyed: its destructor may look at
    // the registry.
    ObjectPtr obj = it->second;
    m_objects.erase(it);
    obj.reset();
    return true;
}

ScriptableClassBase* ObjectHolder::get_object(cls_id id) const {
    auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : it->second.get();
}

ObjectHolder::ObjectPtr ObjectHolder::get_shared(cls_id id) const {
    auto it = m_objects.find(id);
    return it == m_objects.end() ? ObjectPtr() : it->second;
}

bool ObjectHolder::has(cls_id id) const { return m_objects.count(id) != 0; }

void ObjectHolder::clear() {
    while (!m_objects.empty()) remove(std::prev(m_objects.end())->first);
}

void register_object(ScriptableClassBase* cls) { ObjectHolder::get().append(cls); }
bool remove_object(cls_id id) { return ObjectHolder::get().remove(id); }
ScriptableClassBase* get_object(cls_id id) { return ObjectHolder::get().get_object(id); }
