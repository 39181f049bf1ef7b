#pragma once
// IAdapterContext: the 24 operations between a site and its adapter. Failures are
// lib_exception. The table has no destructor: a site ends its adapter through destroy().

#include "host_types.h"
#include "js_value.h"

class AddInSite;

class IAdapterContext {
public:
    virtual void initialize(const AddInSite* site) = 0;
    virtual void connect(const UnicodeString& wsClass, const UnicodeString& wsLib) = 0;
    virtual bool isComponentLoaded() = 0;
    virtual void setLocale(const UnicodeString& loc) = 0;
    virtual long getInfo() = 0;
    virtual void registerExtensionAs(UnicodeString& wsExt) = 0;
    virtual void disconnect() = 0;
    virtual void destroy() = 0;
    virtual int GetNProps() = 0;
    virtual void GetPropName(int nPropPos, int nAlias, UnicodeString& name) = 0;
    virtual bool IsPropReadable(int nPropPos) = 0;
    virtual bool IsPropWritable(int nPropPos) = 0;
    virtual int FindProp(const UnicodeChar* pszPropName) = 0;
    virtual int GetNMethods() = 0;
    virtual void GetMethodName(int nMethodPos, int nAlias, UnicodeString& name) = 0;
    virtual int GetNParams(int nMethodPos) = 0;
    virtual bool IsParamIn(int nMethodPos, int nParamPos) = 0;
    virtual bool IsParamOut(int nMethodPos, int nParamPos) = 0;
    virtual bool GetParamDefValue(int nMethodPos, int nParamPos, CNPVariant& pDefVal) = 0;
    virtual bool HasRetVal(int nMethodPos) = 0;
    virtual int FindMethod(const UnicodeChar* pszMethodName) = 0;
    virtual void getPropVal(const UnicodeString& name, CNPVariant& value) = 0;
    virtual void setPropVal(const UnicodeString& name, const CNPVariant& value) = 0;
    virtual void call(const UnicodeString& name, CNPVariant& params, CNPVariant& retval) = 0;

protected:
    ~IAdapterContext() {}  // not virtual and not public: see destroy()
};
