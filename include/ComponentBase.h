#pragma once
// The component side of the add-in interface and the library's exports. The order of the
// virtual operations and of the three bases is the binary contract with every host.

#include <cstdint>

#include "types.h"

class IInitDoneBase {
public:
    virtual ~IInitDoneBase() {}
    virtual bool Init(void* pConnection) = 0;
    virtual bool setMemManager(void* mem) = 0;
    virtual long GetInfo() = 0;
    virtual void Done() = 0;
};

class ILanguageExtenderBase {
public:
    virtual ~ILanguageExtenderBase() {}
    virtual bool RegisterExtensionAs(uint16_t** wsExtensionName) = 0;
    virtual long GetNProps() = 0;
    virtual long FindProp(const uint16_t* wsPropName) = 0;
    virtual const uint16_t* GetPropName(long lPropNum, long lPropAlias) = 0;
    virtual bool GetPropVal(const long lPropNum, tVariant* pvarPropVal) = 0;
    virtual bool SetPropVal(const long lPropNum, tVariant* varPropVal) = 0;
    virtual bool IsPropReadable(const long lPropNum) = 0;
    virtual bool IsPropWritable(const long lPropNum) = 0;
    virtual long GetNMethods() = 0;
    virtual long FindMethod(const uint16_t* wsMethodName) = 0;
    virtual const uint16_t* GetMethodName(const long lMethodNum, const long lMethodAlias) = 0;
    virtual long GetNParams(const long lMethodNum) = 0;
    virtual bool GetParamDefValue(const long lMethodNum, const long lParamNum,
                                  tVariant* pvarParamDefValue) = 0;
    virtual bool HasRetVal(const long lMethodNum) = 0;
    virtual bool CallAsProc(const long lMethodNum, tVariant* paParams, const long lSizeArray) = 0;
    virtual bool CallAsFunc(const long lMethodNum, tVariant* pvarRetValue, tVariant* paParams,
                            const long lSizeArray) = 0;
};

class LocaleBase {
public:
    virtual ~LocaleBase() {}
    virtual void SetLocale(const uint16_t* loc) = 0;
};

class IComponentBase : public IInitDoneBase, public ILanguageExtenderBase, public LocaleBase {
public:
    virtual ~IComponentBase() {}
};

enum AppCapabilities {
    eAppCapabilitiesInvalid = -1,
    eAppCapabilities1 = 1,
    eAppCapabilitiesLast = eAppCapabilities1
};

typedef long (*GetClassObjectPtr)(const uint16_t* wsName, IComponentBase** pInterface);
typedef long (*DestroyObjectPtr)(IComponentBase** pIntf);
typedef const uint16_t* (*GetClassNamesPtr)();
typedef AppCapabilities (*SetPlatformCapabilitiesPtr)(const AppCapabilities capabilities);
