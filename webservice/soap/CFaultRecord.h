#pragma once
// What a SOAP fault said: its code (0 none, 100 VersionMismatch, 200 MustUnderstand, 300 Client,
// 400 Server), the code's local name, the fault string, actor and detail.

#include "com/CBstr.h"

struct CFaultRecord {
    static constexpr int kNone = 0;
    static constexpr int kVersionMismatch = 100;
    static constexpr int kMustUnderstand = 200;
    static constexpr int kClient = 300;
    static constexpr int kServer = 400;

    int code = kNone;
    CBstr codeLocalName;
    CBstr faultString;
    CBstr faultActor;
    CBstr detail;

    void Clear() {
        code = kNone;
        codeLocalName = CBstr();
        faultString = CBstr();
        faultActor = CBstr();
        detail = CBstr();
    }
};
