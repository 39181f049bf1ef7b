#pragma once
// AdapterCOM: connects one site to one object of a COM add-in. Towards the site it is
// IComponentDef and IContextExt (values as XPCOM variants, converted to and from OLE
// VARIANTs); towards the add-in it is the connection object handed to Init, whose host side
// (ComConnection) forwards every callback to the site's IInnerListener.

#include <windows.h>

#include <atomic>

#include "addin_connection.h"
#include "com_connection.h"
#include "context_interfaces.h"
#include "main_thread_later.h"
#include "site_interfaces.h"

class AdapterCOM final : public IComponentDef,
                         public IContextExt,
                         private com_addin::AddInConnection::Owner,
                         private com_addin::AddInConnection::FinishListener,
                         private LaterOnMainThread {
public:
    AdapterCOM();

    // nsISupports: the add-in may hold and give back references on threads of its own.
    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override;
    NS_IMETHOD_(nsrefcnt) AddRef() override;
    NS_IMETHOD_(nsrefcnt) Release() override;

    // IContextDefBase, IContext_
    NS_IMETHOD GetNProps(int32_t* _retval) override;
    NS_IMETHOD GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) override;
    NS_IMETHOD IsPropReadable(int32_t propPos, bool* _retval) override;
    NS_IMETHOD IsPropWritable(int32_t propPos, bool* _retval) override;
    NS_IMETHOD_(int32_t) FindProp(const char16_t* pszPropName) override;
    NS_IMETHOD GetNMethods(int32_t* _retval) override;
    NS_IMETHOD GetMethodName(int32_t nMethodPos, int32_t alias, char16_t** _retval) override;
    NS_IMETHOD GetNParams(int32_t nMethodPos, int32_t* _retval) override;
    NS_IMETHOD_(bool) IsParamIn(int32_t nMethodPos, int32_t nParamPos) override;
    NS_IMETHOD_(bool) IsParamOut(int32_t nMethodPos, int32_t nParamPos) override;
    NS_IMETHOD_(bool) GetParamDefValue(int32_t nMethodPos, int32_t nParamPos,
                                       nsIVariant** pDefVal) override;
    NS_IMETHOD_(bool) HasRetVal(int32_t nMethodPos) override;
    NS_IMETHOD_(int32_t) FindMethod(const char16_t* pszMethodName) override;
    NS_IMETHOD_(nsIVariant*) GetIContextDef() override;
    NS_IMETHOD GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) override;
    NS_IMETHOD SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) override;
    NS_IMETHOD Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) override;

    // IComponentDef
    NS_IMETHOD_(bool) Initialize(IInnerListener* listener) override;
    NS_IMETHOD_(int32_t) GetInfo() override;
    NS_IMETHOD_(void) RegisterExtensionAs(nsAString& extensionName) override;
    NS_IMETHOD_(bool) IsComponentLoaded() override;
    NS_IMETHOD_(bool) Connect(const char16_t* className, const char16_t* libraryPath) override;
    NS_IMETHOD_(void) Disconnect() override;
    NS_IMETHOD_(void) GetPropPage(void* page) override;
    NS_IMETHOD_(nsID) GetCLSID() override;
    NS_IMETHOD_(void) SetLocale(const char16_t* locale) override;

    // IContextExt
    NS_IMETHOD CallExt(const char16_t* name, nsIVariant* params, nsIVariant** retParams,
                       nsIVariant** _retval) override;

private:
    ~AdapterCOM();
    AdapterCOM(const AdapterCOM&) = delete;
    AdapterCOM& operator=(const AdapterCOM&) = delete;

    // One call's arguments: the array the add-in gets (null for none) and how many values
    // the page gave.
    struct CallArguments {
        SAFEARRAY* array = nullptr;
        int given = 0;
    };
    // Steps shared by Call and CallExt: the method found, its arguments made, the call made
    // and its value put into `result`; the arguments stay for the caller to read and free.
    // `readsBack`: the caller reads the list back, which must then be a list of VARIANTs.
    HRESULT callMethod(com_addin::ILanguageExtenderCom* extender, const char16_t* name,
                       nsIVariant* params, nsIVariant** result, CallArguments& args,
                       bool readsBack);
    CallArguments argumentsFor(com_addin::ILanguageExtenderCom* extender, long method,
                               long paramCount, nsIVariant* params);
    // CoUninitialize for every CoInitialize a Connect made on this thread.
    void uninitializeCom();
    // The object disconnected, at once or when the page's call into it had returned.
    void connectionFinished() override { uninitializeCom(); }
    // AddInConnection::Owner: the add-in's calls on the main thread keep the adapter, and a
    // disconnection they deferred runs from the main thread's loop.
    void keepOwner() override { AddRef(); }
    bool releaseOwner() override { return Release() != 0; }
    bool endLater() override;
    void runLater() override;

    std::atomic<nsrefcnt> m_refs{0};
    ComConnection m_connection;
    com_addin::AddInConnection m_addIn;
    int m_comInitializations = 0;
};
