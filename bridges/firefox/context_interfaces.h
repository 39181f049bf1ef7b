#pragma once
// Between a site and its adapter: the add-in object's reflection and calls (IContextDefBase,
// IContext_, IContextExt) and the adapter's control interface (IComponentDef). Operations
// returning nsresult can be called by the page; the others are the component's own.

#include "addinlib.h"
#include "component_iids.h"
#include "nsISupports.h"
#include "nsIVariant.h"
#include "nsStringAPI.h"

class IInnerListener;

class IContextDefBase : public nsISupports {
public:
    NS_IMETHOD GetNProps(int32_t* _retval) = 0;                                  // 3
    NS_IMETHOD GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) = 0;
    NS_IMETHOD IsPropReadable(int32_t propPos, bool* _retval) = 0;
    NS_IMETHOD IsPropWritable(int32_t propPos, bool* _retval) = 0;
    NS_IMETHOD_(int32_t) FindProp(const char16_t* pszPropName) = 0;                         // 7
    NS_IMETHOD GetNMethods(int32_t* _retval) = 0;
    NS_IMETHOD GetMethodName(int32_t nMethodPos, int32_t alias, char16_t** _retval) = 0;
    NS_IMETHOD GetNParams(int32_t nMethodPos, int32_t* _retval) = 0;             // 10
    NS_IMETHOD_(bool) IsParamIn(int32_t nMethodPos, int32_t nParamPos) = 0;
    NS_IMETHOD_(bool) IsParamOut(int32_t nMethodPos, int32_t nParamPos) = 0;
    NS_IMETHOD_(bool) GetParamDefValue(int32_t nMethodPos, int32_t nParamPos,
                                  nsIVariant** pDefVal) = 0;
    NS_IMETHOD_(bool) HasRetVal(int32_t nMethodPos) = 0;
    NS_IMETHOD_(int32_t) FindMethod(const char16_t* pszMethodName) = 0;                     // 15

protected:
    ~IContextDefBase() {}
};

class IContext_ : public IContextDefBase {
public:
    NS_IMETHOD_(nsIVariant*) GetIContextDef() = 0;                                          // 16
    NS_IMETHOD GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) = 0;
    NS_IMETHOD SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) = 0;
    NS_IMETHOD Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) = 0;

protected:
    ~IContext_() {}
};

class IContextExt : public IContext_ {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(ICONTEXTEXT_IID)
    // retParams: the parameters as the call left them, for by-reference parameters.
    NS_IMETHOD CallExt(const char16_t* name, nsIVariant* params, nsIVariant** retParams,
                             nsIVariant** _retval) = 0;                                // 20

protected:
    ~IContextExt() {}
};

class IComponentDef : public IContext_ {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(ICOMPONENTDEF_IID)
    NS_IMETHOD_(bool) Initialize(IInnerListener* listener) = 0;                             // 20
    NS_IMETHOD_(int32_t) GetInfo() = 0;
    NS_IMETHOD_(void) RegisterExtensionAs(nsAString& extensionName) = 0;
    NS_IMETHOD_(bool) IsComponentLoaded() = 0;
    NS_IMETHOD_(bool) Connect(const char16_t* className, const char16_t* libraryPath) = 0;
    NS_IMETHOD_(void) Disconnect() = 0;                                                     // 25
    NS_IMETHOD_(void) GetPropPage(void* page) = 0;
    NS_IMETHOD_(nsID) GetCLSID() = 0;
    NS_IMETHOD_(void) SetLocale(const char16_t* locale) = 0;                                // 28

protected:
    ~IComponentDef() {}
};
