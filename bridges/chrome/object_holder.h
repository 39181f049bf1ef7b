#pragma once
// The object registry: the only owner of every scriptable object, by cls_id.

#include <map>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "host_types.h"

class ScriptableClassBase;

class ObjectHolder {
public:
    typedef boost::shared_ptr<ScriptableClassBase> ObjectPtr;

    static ObjectHolder& get();
    ~ObjectHolder();
    ObjectHolder(const ObjectHolder&) = delete;
    ObjectHolder& operator=(const ObjectHolder&) = delete;

    // Registers `obj` under its cls_id and takes ownership.
    void append(ScriptableClassBase* obj);
    // Unregisters and thereby destroys the object (unless a caller still holds it through
    // get_shared, see there); an unknown id does nothing. True when an object was removed.
    bool remove(cls_id id);
    ScriptableClassBase* get_object(cls_id id) const;
    // A shared hold on the object, for the length of one request: an object that releases
    // itself (or is released) while it serves a request is destroyed only afterwards.
    ObjectPtr get_shared(cls_id id) const;
    bool has(cls_id id) const;
    size_t size() const { return m_objects.size(); }
    // Releases every object, in descending cls_id order.
    void clear();

private:
    ObjectHolder() {}

    std::map<cls_id, ObjectPtr> m_objects;
    static std::unique_ptr<ObjectHolder> m_holder;
};

void register_object(ScriptableClassBase* cls);
bool remove_object(cls_id id);
ScriptableClassBase* get_object(cls_id id);
