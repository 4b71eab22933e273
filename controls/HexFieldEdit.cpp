#include "controls/HexFieldEdit.h"

#include "controls/IPAddrCtl.h"

const MessageMap* CHexFieldEdit::GetThisMessageMap()
{
    static constexpr MessageMap map{&CEdit::GetThisMessageMap, {}};
    return &map;
}
