// Placeholder until the codec lands on main.
#include "dialog/ProtectCodec.h"

#include <cstdlib>

void ProtectTextToBytes(ProtectBytes& bytes, CString text)
{
    while (text.GetLength() < 12)
        text += "0";
    for (BYTE& byte : bytes) {
        HexPairToByte(byte, text);
        text.Delete(0, 2);
    }
}

void HexPairToByte(BYTE& byte, CString text)
{
    byte = static_cast<BYTE>(std::strtol(text.Left(2), nullptr, 16));
}

void ProtectBytesToText(const ProtectBytes& bytes, CString& text)
{
    text.Empty();
    for (BYTE byte : bytes) {
        CString pair;
        pair.Format("%02x", byte);
        text += pair;
    }
}
