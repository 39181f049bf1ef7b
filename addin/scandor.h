#pragma once
// The Scandor component: the serial line settings as properties, Claim and Close as methods,
// and every barcode from the port reader sent to the host as an external event.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "IMemoryManager.h"
#include "reader_interfaces.h"

class Scandor : public IComponentBase, public IReader {
public:
    Scandor();
    ~Scandor() override;

    // IInitDoneBase
    bool Init(void* pConnection) override;
    bool setMemManager(void* mem) override;
    long GetInfo() override;
    void Done() override;

    // ILanguageExtenderBase
    bool RegisterExtensionAs(uint16_t** wsExtensionName) override;
    long GetNProps() override;
    long FindProp(const uint16_t* wsPropName) override;
    const uint16_t* GetPropName(long lPropNum, long lPropAlias) override;
    bool GetPropVal(const long lPropNum, tVariant* pvarPropVal) override;
    bool SetPropVal(const long lPropNum, tVariant* varPropVal) override;
    bool IsPropReadable(const long lPropNum) override;
    bool IsPropWritable(const long lPropNum) override;
    long GetNMethods() override;
    long FindMethod(const uint16_t* wsMethodName) override;
    const uint16_t* GetMethodName(const long lMethodNum, const long lMethodAlias) override;
    long GetNParams(const long lMethodNum) override;
    bool GetParamDefValue(const long lMethodNum, const long lParamNum,
                          tVariant* pvarParamDefValue) override;
    bool HasRetVal(const long lMethodNum) override;
    bool CallAsProc(const long lMethodNum, tVariant* paParams, const long lSizeArray) override;
    bool CallAsFunc(const long lMethodNum, tVariant* pvarRetValue, tVariant* paParams,
                    const long lSizeArray) override;

    // LocaleBase
    void SetLocale(const uint16_t* loc) override;

    // IReader: runs on the reader's thread.
    void OnRead(const uint16_t* code) override;

private:
    // The event's source and message in interface form, zero-terminated. A record is never
    // changed once shared: a setter publishes a new one, so the reader thread can use the
    // one it took without a lock held during the host's ExternalEvent.
    struct EventTexts {
        std::vector<uint16_t> name;
        std::vector<uint16_t> description;
    };

    bool getClaimed(tVariant* var);
    bool setClaimed(tVariant* var);
    bool getDataBits(tVariant* var);
    bool setDataBits(tVariant* var);
    bool getEventDescription(tVariant* var);
    bool setEventDescription(tVariant* var);
    bool getEventName(tVariant* var);
    bool setEventName(tVariant* var);
    bool getParity(tVariant* var);
    bool setParity(tVariant* var);
    bool getPort(tVariant* var);
    bool setPort(tVariant* var);
    bool getSpeed(tVariant* var);
    bool setSpeed(tVariant* var);
    bool getStopBits(tVariant* var);
    bool setStopBits(tVariant* var);
    bool getStopChar(tVariant* var);
    bool setStopChar(tVariant* var);

    bool callClaim();
    bool callClose();
    bool doClaim(bool claim);
    bool doClose();

    const uint16_t* allocName(const wchar_t* name);
    std::shared_ptr<const EventTexts> eventTexts() const;
    void publishEventTexts(std::shared_ptr<const EventTexts> texts);

    bool m_bClaimed = false;
    std::atomic<IAddInDefBase*> m_iConnect{nullptr};
    IMemoryManager* m_iMemory = nullptr;
    std::unique_ptr<ISerialPortReader> m_portReader;

    mutable std::mutex m_eventTextsMutex;
    std::shared_ptr<const EventTexts> m_eventTexts;
    std::atomic<unsigned> m_eventTextsVersion{0};  // counts the records published

    // Reader thread only: the record it last took, so that it takes the lock only after a
    // change and not for every code.
    std::shared_ptr<const EventTexts> m_readerTexts;
    unsigned m_readerTextsVersion = 0;
};
