#pragma once
// AddInServiceEx: loads add-in libraries for the page and creates add-in sites.

#include <map>
#include <set>
#include <vector>

#include "addinlib.h"
#include "scriptable_class.h"

class AddInSite;

class AddInServiceEx : public ScriptableClass<AddInServiceEx> {
public:
    struct AddInObj {
        size_t version;
        UnicodeString clsname;
        UnicodeString file_name;
        AddInComponentType type;
        cls_id site;
    };

    AddInServiceEx();
    ~AddInServiceEx() override;

    bool methodsProc(int callMode, const std::string& name, JsValue& args,
                     CNPVariant& result) override;

    bool addIn(const UnicodeString& name, const UnicodeString& progIDs, AddInComponentType tech);
    AddInSite* createAddInSite();

private:
    static UnicodeString defaultLibraryPath();
    // The library path and its classes for `tech`; false when a native library does not open.
    static bool classesOf(const UnicodeString& location, AddInComponentType tech,
                          UnicodeString& path, std::vector<UnicodeString>& classes);
    void init(JsValue& args, CNPVariant& result);
    void loadAddIn(JsValue& args, CNPVariant& result);
    void createInstance(JsValue& args, CNPVariant& result);
    void releaseObject(JsValue& args, CNPVariant& result);
    void setLocale(JsValue& args, CNPVariant& result);

    std::map<UnicodeString, AddInObj> m_objects;
    std::set<UnicodeString> m_loadedAddIns;
    UnicodeString m_locale;
};
