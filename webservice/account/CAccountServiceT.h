#pragma once
// The proxy of the account web service. Each operation fills its parameter record, has the request
// written and posted, parses the response back into the record and hands the outputs over. Outputs
// are written only when the whole call succeeds; m_status tells which step failed otherwise.

#include "com/Bstr.h"
#include "webservice/account/AccountServiceTables.h"
#include "webservice/soap/CSoapEnvelopeHandler.h"
#include "webservice/soap/CSoapTransportT.h"

#include <string>
#include <string_view>

class CAccountServiceT : public CSoapTransportT, public CSoapEnvelopeHandler {
public:
    // The built-in endpoint, or KELDWICK_ENDPOINT when that is set.
    CAccountServiceT();
    explicit CAccountServiceT(std::string_view endpointUrl);
    ~CAccountServiceT() override;

    [[nodiscard]] HRESULT CreateSession(BSTR strUserID, BSTR strUserPassword,
                                        BSTR* CreateSessionResult, std::int32_t* nErrorCode);
    [[nodiscard]] HRESULT GetErrorMessage(BSTR strSessionID, std::int32_t nErrorCode,
                                          BSTR* GetErrorMessageResult);
    [[nodiscard]] HRESULT EmailUserPassword(BSTR strUserID, std::int32_t* EmailUserPasswordResult);

    [[nodiscard]] HRESULT GetXmlReader(sax::ISAXXMLReader** reader) override;

    [[nodiscard]] const SoapFunctionMap* const* GetOperationTables() const override;
    [[nodiscard]] const SoapFunctionMap* const* GetHeaderTables() const override;
    [[nodiscard]] std::u16string_view GetTargetNamespace() const override;
    [[nodiscard]] const void* GetReserved() const override { return nullptr; }
    [[nodiscard]] std::string_view GetTargetNamespaceA() const override;
    [[nodiscard]] HRESULT DispatchCall(void*, int) override { return E_NOTIMPL; }
    [[nodiscard]] void* GetHeaderRecord() override { return this; }

    // The endpoint a proxy built without one uses.
    [[nodiscard]] static std::string_view DefaultEndpoint();

    // After a failed call: what failed, where and why, in words for a person; empty after a
    // success. The HRESULT and m_status stay the values programs act on.
    [[nodiscard]] std::string FailureReason() const;

    // A trace every proxy made from now on reports its exchanges to (the desktop program's
    // --verbose); null for none. The trace must live as long as those proxies.
    static void SetProcessTrace(IHttpTrace* trace);

protected:
    // Creates the SAX reader; a test may replace it.
    [[nodiscard]] virtual HRESULT CreateXmlReader(sax::ISAXXMLReader** reader);

private:
    [[nodiscard]] HRESULT AttachReader();
    // One whole call over a record that holds the inputs: reader, clearing, Run, reset.
    [[nodiscard]] HRESULT Invoke(void* record, int operation);
    // Steps 3 to 8 of a call; the caller zeroes the record afterwards.
    [[nodiscard]] HRESULT Run(void* record, int operation);
    [[nodiscard]] std::string FaultReason() const;

    std::string m_actionLine;
    // Why the last request envelope could not be written.
    HRESULT m_writeResult = S_OK;
};
