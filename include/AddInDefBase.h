#pragma once
// The host side of the add-in interface: what a component may call on the program that loads it.

#include <cstdint>

#include "types.h"

enum Interfaces { eIMsgBox = 0, eIPlatformInfo };

enum AppType {
    eAppUnknown = -1,
    eAppThinClient = 0,
    eAppThickClient,
    eAppWebClient,
    eAppServer,
    eAppExtConn
};

struct AppInfo {
    const uint16_t* AppVersion;
    const uint16_t* UserAgentInformation;
    AppType Application;
};

// Common base of the optional host interfaces; they have no virtual destructor.
struct IInterface {};

class IMsgBoxN : public IInterface {
public:
    virtual bool Confirm(const uint16_t* queryText, tVariant* retVal) = 0;
    virtual bool Alert(const uint16_t* text) = 0;

protected:
    ~IMsgBoxN() {}  // not virtual: the table holds only the two operations
};

class IPlatformInfoN : public IInterface {
public:
    virtual const AppInfo* GetPlatformInfo() = 0;

protected:
    ~IPlatformInfoN() {}  // not virtual: the table holds only the one operation
};

class IAddInDefBase {
public:
    virtual ~IAddInDefBase() {}
    virtual bool AddError(unsigned short wcode, const uint16_t* source, const uint16_t* descr,
                          long scode) = 0;
    virtual bool Read(uint16_t* wszPropName, tVariant* pVal, long* pErrCode,
                      uint16_t** errDescriptor) = 0;
    virtual bool Write(uint16_t* wszPropName, tVariant* pVar) = 0;
    virtual bool RegisterProfileAs(uint16_t* wszProfileName) = 0;
    virtual bool SetEventBufferDepth(long lDepth) = 0;
    virtual long GetEventBufferDepth() = 0;
    virtual bool ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) = 0;
    virtual void CleanEventBuffer() = 0;
    virtual bool SetStatusLine(uint16_t* wszStatusLine) = 0;
    virtual void ResetStatusLine() = 0;
};

class IAddInDefBaseEx : public IAddInDefBase {
public:
    virtual ~IAddInDefBaseEx() {}
    virtual IInterface* GetInterface(Interfaces iface) = 0;
};
