#pragma once
// One two-digit field of a CIPAddrCtl. Its control id is its field number, 1 to 6.

#include "framework/CEdit.h"

class CIPAddrCtl;

class CHexFieldEdit : public CEdit {
public:
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();

    void SetAddrCtl(CIPAddrCtl* pAddrCtl) { m_pAddrCtl = pAddrCtl; }

    CIPAddrCtl* m_pAddrCtl = nullptr;
};
