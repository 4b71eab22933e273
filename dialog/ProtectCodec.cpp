#include "dialog/ProtectCodec.h"

#include "platform/HexNumber.h"

constexpr int kTextLength = 2 * static_cast<int>(sizeof(ProtectBytes));

void ProtectTextToBytes(ProtectBytes& bytes, CString text)
{
    while (text.GetLength() < kTextLength)
        text += '0';
    for (BYTE& byte : bytes) {
        HexPairToByte(byte, text);
        text.Delete(0, 2);
    }
}

void HexPairToByte(BYTE& byte, CString text)
{
    byte = static_cast<BYTE>(ParseHexNumber(text.Left(2)) & 0xFF);
}

void ProtectBytesToText(const ProtectBytes& bytes, CString& text)
{
    text.Format("%02x%02x%02x%02x%02x%02x",
                bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]);
}
