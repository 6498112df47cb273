#include "cport_base.h"

#include <array>

#include "applog.h"

// The frame codec of every link: framing, checksums, reply lengths and the
// cutters that find frames in received bytes. Declared with the link engine
// in cport_base.h, so a link frames and cuts with its own transmission mode.

namespace {

constexpr quint16 RSP_LEN_UNKNOWN = 0xFFFF;
// The longest ASCII frame: ':', the text of the address, a PDU of the longest
// known reply length and the LRC, then CR LF (requests are shorter). A text
// that runs on past it without an end of line is noise; waiting for its end
// would let a peer grow the receive buffer without limit.
constexpr int MAX_ASCII_FRAME_SIZE = 1 + 2 * (1 + (RSP_LEN_UNKNOWN - 1) + 1) + 2;
// RTU: address, function code and CRC at least; 256 bytes at most, except
// that a header may claim a little more (a write announcing 255 data bytes).
constexpr int RTU_MIN_FRAME = 4;
constexpr int RTU_MAX_ADU = 256;
constexpr int RTU_MAX_CLAIM = 255 + 9;

// Byte-wise lookup of the reflected polynomial, split into the high-byte and
// low-byte tables of the usual Modbus formulation.
struct CrcTables
{
    std::array<unsigned char, 256> arrHi{};
    std::array<unsigned char, 256> arrLo{};
};

constexpr CrcTables MakeCrcTables()
{
    CrcTables stTables;
    for (unsigned int i = 0; i < 256; ++i) {
        unsigned int nCrc = i;
        for (int nBit = 0; nBit < 8; ++nBit)
            nCrc = (nCrc & 1U) ? ((nCrc >> 1) ^ 0xA001U) : (nCrc >> 1);
        stTables.arrHi[i] = static_cast<unsigned char>(nCrc >> 8);
        stTables.arrLo[i] = static_cast<unsigned char>(nCrc & 0xFFU);
    }
    return stTables;
}

constexpr CrcTables CRC_TABLES = MakeCrcTables();

quint16 CalcCRC16Table(const char *pData, int nLength)
{
    unsigned char nHi = 0xFF;
    unsigned char nLo = 0xFF;
    for (int i = 0; i < nLength; ++i) {
        const unsigned char nIndex = nLo ^ static_cast<unsigned char>(pData[i]);
        nLo = nHi ^ CRC_TABLES.arrLo[nIndex];
        nHi = CRC_TABLES.arrHi[nIndex];
    }
    return static_cast<quint16>((nHi << 8) | nLo);
}

int HexDigitValue(char cDigit)
{
    if (cDigit >= '0' && cDigit <= '9')
        return cDigit - '0';
    if (cDigit >= 'A' && cDigit <= 'F')
        return cDigit - 'A' + 10;
    if (cDigit >= 'a' && cDigit <= 'f')
        return cDigit - 'a' + 10;
    return -1;
}

// Strict decoding: every character must be a hex digit and their number even.
bool DecodeHexText(const char *pText, int nLength, QByteArray &objOut)
{
    objOut.clear();
    if (nLength % 2 != 0)
        return false;
    objOut.resize(nLength / 2);
    for (int i = 0; i < nLength; i += 2) {
        const int nHigh = HexDigitValue(pText[i]);
        const int nLow = HexDigitValue(pText[i + 1]);
        if (nHigh < 0 || nLow < 0) {
            objOut.clear();
            return false;
        }
        objOut[i / 2] = static_cast<char>((nHigh << 4) | nLow);
    }
    return true;
}

void AppendHexText(const char *pData, int nLength, QByteArray &objOut)
{
    static const char HEX_DIGITS[] = "0123456789ABCDEF";
    const int nStart = objOut.size();
    objOut.resize(nStart + nLength * 2);
    char *pOut = objOut.data() + nStart;
    for (int i = 0; i < nLength; ++i) {
        const unsigned char nByte = static_cast<unsigned char>(pData[i]);
        *pOut++ = HEX_DIGITS[nByte >> 4];
        *pOut++ = HEX_DIGITS[nByte & 0x0F];
    }
}

inline quint16 ReadBE16(const QByteArray &objData, int nPos)
{
    return static_cast<quint16>((static_cast<unsigned char>(objData[nPos]) << 8)
                                | static_cast<unsigned char>(objData[nPos + 1]));
}

inline unsigned char ByteAt(const QByteArray &objData, int nPos)
{
    return static_cast<unsigned char>(objData[nPos]);
}

bool IsServedFuncCode(unsigned char nCode)
{
    return (nCode >= 0x01 && nCode <= 0x06) || nCode == 0x0F || nCode == 0x10;
}

// ASCII: a ':' before the end of line starts a new frame and aborts the one
// in front of it. Returns where the new frame starts, or -1.
int AbortedAsciiEnd(const QByteArray &objBuffer, int nEnd)
{
    const int nNext = objBuffer.indexOf(':', 1);
    return (nNext > 0 && (nEnd < 0 || nNext < nEnd)) ? nNext : -1;
}

bool RtuCrcOk(const unsigned char *pFrame, int nLen)
{
    const quint16 nCrc = CalcCRC16Table(reinterpret_cast<const char *>(pFrame), nLen - 2);
    return pFrame[nLen - 2] == (nCrc & 0xFF) && pFrame[nLen - 1] == (nCrc >> 8);
}

// Length of a request of a served code, or 0 while the bytes that tell it
// have not arrived.
int RtuRqstLen(const unsigned char *pFrame, int nAvail)
{
    if (pFrame[1] == 0x0F || pFrame[1] == 0x10)
        return nAvail >= 7 ? pFrame[6] + 9 : 0;
    return 8;
}

enum class RtuFit { None, Wait, Frame };

// Whether an RTU frame starts at pFrame and where it ends. Length and CRC
// decide, never gaps between bytes: a served code gives the request's length
// or the length of the reply another unit sends on a shared line; an
// exception reply has five bytes; a code we do not serve is delimited by its
// CRC alone, at any length at the head of the buffer (bAnyLength), elsewhere
// only where the received bytes end, which keeps chance matches inside noise
// rare. Wait: the bytes may still become a frame.
RtuFit FitRtuFrame(const unsigned char *pFrame, int nAvail, bool bAnyLength, int &nLen)
{
    if (nAvail < RTU_MIN_FRAME)
        return RtuFit::Wait;
    const unsigned char nCode = pFrame[1];
    if (!IsServedFuncCode(nCode) && (nCode & 0x80) == 0) {
        // One pass: the CRC of the first n bytes is compared with the two after them.
        const int nMax = qMin(nAvail, RTU_MAX_ADU);
        const int nFirst = bAnyLength ? RTU_MIN_FRAME : nAvail;
        unsigned char nHi = 0xFF;
        unsigned char nLo = 0xFF;
        for (int nBody = 0; nBody + 2 <= nMax; ++nBody) {
            if (nBody + 2 >= nFirst && pFrame[nBody] == nLo && pFrame[nBody + 1] == nHi) {
                nLen = nBody + 2;
                return RtuFit::Frame;
            }
            const unsigned char nIndex = nLo ^ pFrame[nBody];
            nLo = nHi ^ CRC_TABLES.arrLo[nIndex];
            nHi = CRC_TABLES.arrHi[nIndex];
        }
        return nAvail < RTU_MAX_ADU ? RtuFit::Wait : RtuFit::None;
    }
    int arrLen[2] = {5, 0}; // 0: the bytes that tell the length are still to come
    int nCount = 1;
    if ((nCode & 0x80) == 0) {
        arrLen[0] = RtuRqstLen(pFrame, nAvail);
        if (nCode <= 0x04) {
            arrLen[1] = pFrame[2] + 5; // reply: byte count, data, CRC
            nCount = 2;
        } else if (nCode >= 0x0F) {
            arrLen[1] = 8; // reply: start address, quantity, CRC
            nCount = 2;
        }
    }
    bool bMayGrow = false;
    for (int i = 0; i < nCount; ++i) {
        if (arrLen[i] == 0 || arrLen[i] > nAvail) {
            bMayGrow = true;
        } else if (RtuCrcOk(pFrame, arrLen[i])) {
            nLen = arrLen[i];
            return RtuFit::Frame;
        }
    }
    return bMayGrow ? RtuFit::Wait : RtuFit::None;
}

} // namespace

quint16 CalcCRC16(const QByteArray &objData)
{
    return CalcCRC16Table(objData.constData(), objData.size());
}

quint16 CalcCRC16(const char *pData, int nLength, quint16 nCrc)
{
    if (pData == nullptr)
        return nCrc;
    for (int i = 0; i < nLength; ++i) {
        nCrc ^= static_cast<unsigned char>(pData[i]);
        for (int nBit = 0; nBit < 8; ++nBit) {
            if (nCrc & 0x0001)
                nCrc = static_cast<quint16>((nCrc >> 1) ^ 0xA001);
            else
                nCrc = static_cast<quint16>(nCrc >> 1);
        }
    }
    return nCrc;
}

unsigned char CalcLRC(const QByteArray &objData)
{
    unsigned char nSum = 0;
    for (const char cByte : objData)
        nSum = static_cast<unsigned char>(nSum + static_cast<unsigned char>(cByte));
    return static_cast<unsigned char>(-nSum);
}

quint16 GetRspPduLen(unsigned char nRqstCode, unsigned char nRspCode, const QByteArray &objRqstData)
{
    if (objRqstData.size() < 4)
        return RSP_LEN_UNKNOWN;
    if (nRspCode == static_cast<unsigned char>(nRqstCode + 0x80))
        return 2;
    const quint32 nQuantity = ReadBE16(objRqstData, 2);
    quint32 nLen = RSP_LEN_UNKNOWN;
    switch (nRqstCode) {
    case 0x01:
    case 0x02:
        nLen = 2 + (nQuantity + 7) / 8;
        break;
    case 0x03:
    case 0x04:
        nLen = 2 + 2 * nQuantity;
        break;
    case 0x05:
    case 0x06:
    case 0x0F:
    case 0x10:
        nLen = 5;
        break;
    default:
        break;
    }
    // A register count from 0x7FFF up does not fit 16 bits: no reply of that
    // length can exist, and a wrapped length would cut a frame at a wrong place.
    if (nLen >= RSP_LEN_UNKNOWN)
        return RSP_LEN_UNKNOWN;
    return static_cast<quint16>(nLen);
}

bool IsRspFuncCode(unsigned char nRqstCode, unsigned char nRspCode)
{
    return nRspCode == nRqstCode || nRspCode == static_cast<unsigned char>(nRqstCode + 0x80);
}

bool IsTcpTransMode(unsigned short nTransMode)
{
    return nTransMode == TRANS_MODE_TCP_SYNC || nTransMode == TRANS_MODE_TCP_ASYNC;
}

int ChecksumSize(unsigned short nTransMode)
{
    switch (nTransMode) {
    case TRANS_MODE_RTU: return 2;
    case TRANS_MODE_ASCII: return 1;
    default: return 0;
    }
}

void CPortBase::MakeFrame(const LINK_SEND_DATA_S &stRqst, QByteArray &objOut)
{
    const char cAddr = static_cast<char>(stRqst.nAddr & 0xFF);
    const char cFunc = static_cast<char>(stRqst.nFuncCode);
    switch (GetTransMode()) {
    case TRANS_MODE_RTU: {
        const int nStart = objOut.size();
        objOut.reserve(nStart + stRqst.objData.size() + 4);
        objOut.append(cAddr);
        objOut.append(cFunc);
        objOut.append(stRqst.objData);
        const quint16 nCrc = CalcCRC16Table(objOut.constData() + nStart, objOut.size() - nStart);
        objOut.append(static_cast<char>(nCrc & 0xFF));
        objOut.append(static_cast<char>(nCrc >> 8));
        break;
    }
    case TRANS_MODE_ASCII: {
        const int nDataSize = stRqst.objData.size();
        unsigned char nSum = static_cast<unsigned char>(cAddr) + static_cast<unsigned char>(cFunc);
        for (const char cByte : stRqst.objData)
            nSum = static_cast<unsigned char>(nSum + static_cast<unsigned char>(cByte));
        const char arrHead[2] = {cAddr, cFunc};
        const char cLrc = static_cast<char>(static_cast<unsigned char>(-nSum));
        objOut.reserve(objOut.size() + 1 + (nDataSize + 3) * 2 + 2);
        objOut.append(':');
        AppendHexText(arrHead, 2, objOut);
        AppendHexText(stRqst.objData.constData(), nDataSize, objOut);
        AppendHexText(&cLrc, 1, objOut);
        objOut.append("\r\n", 2);
        break;
    }
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC: {
        const quint16 nLen = static_cast<quint16>(stRqst.objData.size() + 2);
        const char arrHead[8] = {
            static_cast<char>(stRqst.nSN >> 8), static_cast<char>(stRqst.nSN & 0xFF),
            0, 0,
            static_cast<char>(nLen >> 8), static_cast<char>(nLen & 0xFF),
            cAddr, cFunc};
        objOut.reserve(objOut.size() + 8 + stRqst.objData.size());
        objOut.append(arrHead, 8);
        objOut.append(stRqst.objData);
        break;
    }
    default:
        break;
    }
}

bool CPortBase::CheckFrame(const QByteArray &objFrame)
{
    const int nSize = objFrame.size();
    switch (GetTransMode()) {
    case TRANS_MODE_RTU: {
        if (nSize < 4)
            return false;
        const quint16 nCrc = CalcCRC16Table(objFrame.constData(), nSize - 2);
        return ByteAt(objFrame, nSize - 2) == (nCrc & 0xFF) && ByteAt(objFrame, nSize - 1) == (nCrc >> 8);
    }
    case TRANS_MODE_ASCII: {
        if (nSize < 3)
            return false;
        unsigned char nSum = 0;
        for (int i = 0; i < nSize - 1; ++i)
            nSum = static_cast<unsigned char>(nSum + ByteAt(objFrame, i));
        return ByteAt(objFrame, nSize - 1) == static_cast<unsigned char>(-nSum);
    }
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC:
        return true;
    default:
        return false;
    }
}

LINK_PROC_ERR_EN CPortBase::PreProcRecvRspData(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut)
{
    objOut.clear();
    switch (GetTransMode()) {
    case TRANS_MODE_RTU:
        return PreProcRecvRspDataForRTU(stRqst, objBuffer, objOut);
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC:
        return PreProcRecvRspDataForTCP(stRqst, objBuffer, objOut);
    case TRANS_MODE_ASCII:
        break;
    default:
        // No framing known: nothing in the buffer can ever become a reply.
        if (objBuffer.isEmpty())
            return LINK_ERR_GENERAL;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }

    const int nColon = objBuffer.indexOf(':');
    if (nColon < 0) {
        if (objBuffer.isEmpty())
            return LINK_ERR_GENERAL;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }
    if (nColon > 0) {
        objOut = objBuffer.left(nColon);
        objBuffer.remove(0, nColon);
        return LINK_RECV_FRAME_ERR;
    }
    const int nEnd = objBuffer.indexOf("\r\n");
    const int nAborted = AbortedAsciiEnd(objBuffer, nEnd);
    if (nAborted > 0) {
        objOut = objBuffer.left(nAborted);
        objBuffer.remove(0, nAborted);
        return LINK_RECV_FRAME_ERR;
    }
    if (nEnd < 0) {
        if (objBuffer.size() < MAX_ASCII_FRAME_SIZE)
            return LINK_ERR_GENERAL;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }
    const int nTextLen = nEnd - 1;
    // Another unit's reply is not ours, however well formed.
    if (DecodeHexText(objBuffer.constData() + 1, nTextLen, objOut) && objOut.size() >= 3
        && ByteAt(objOut, 0) == (stRqst.nAddr & 0xFF))
        return LINK_RECV_OK;
    // An empty text still consumed bytes; report them rather than nothing.
    objOut = (nTextLen > 0) ? objBuffer.mid(1, nTextLen) : objBuffer.left(nEnd + 2);
    objBuffer.remove(0, nEnd + 2);
    return LINK_RECV_FRAME_ERR;
}

LINK_PROC_ERR_EN CPortBase::PreProcRecvRspDataForRTU(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut)
{
    objOut.clear();
    const int nSize = objBuffer.size();
    if (nSize < 4)
        return LINK_ERR_GENERAL;
    const unsigned char nAddr = static_cast<unsigned char>(stRqst.nAddr & 0xFF);
    const unsigned char *pData = reinterpret_cast<const unsigned char *>(objBuffer.constData());
    int nFound = -1;
    for (int i = 0; i < nSize - 3; ++i) {
        if (pData[i] == nAddr && IsRspFuncCode(stRqst.nFuncCode, pData[i + 1])) {
            nFound = i;
            break;
        }
    }
    if (nFound > 0) {
        objOut = objBuffer.left(nFound);
        objBuffer.remove(0, nFound);
        return LINK_RECV_FRAME_ERR;
    }
    // Nothing here starts our reply: a reply of another unit to the same
    // kind of request is cut whole, anything else up to where ours could
    // still begin. Either way it is not ours, and we wait on.
    const bool bOtherUnit = nFound < 0 && IsRspFuncCode(stRqst.nFuncCode, pData[1]);
    if (nFound < 0 && !bOtherUnit) {
        const int nGiveUp = nSize - (RTU_MIN_FRAME - 1);
        objOut = objBuffer.left(nGiveUp);
        objBuffer.remove(0, nGiveUp);
        return LINK_RECV_FRAME_ERR;
    }
    const quint16 nPduLen = GetRspPduLen(stRqst.nFuncCode, pData[1], stRqst.objData);
    if (nPduLen == RSP_LEN_UNKNOWN) {
        LOG_DEBUG() << "ERROR: wrong rqst frame:" << stRqst.nAddr << stRqst.nFuncCode << m_strPortName;
        objOut.swap(objBuffer);
        objBuffer.clear();
        return LINK_RECV_FRAME_ERR;
    }
    const int nFrameLen = nPduLen + 3;
    if (nSize < nFrameLen)
        return LINK_ERR_GENERAL;
    objOut = objBuffer.left(nFrameLen);
    if (bOtherUnit) {
        objBuffer.remove(0, nFrameLen);
        return LINK_RECV_FRAME_ERR;
    }
    return LINK_RECV_OK;
}

LINK_PROC_ERR_EN CPortBase::PreProcRecvRspDataForTCP(const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer, QByteArray &objOut)
{
    objOut.clear();
    if (objBuffer.size() < MBAP_HEADER_SIZE)
        return LINK_ERR_GENERAL;
    const int nLen = ReadBE16(objBuffer, 4);
    if (nLen < MBAP_MIN_LEN || nLen > MBAP_MAX_LEN) {
        objOut = objBuffer.left(MBAP_HEADER_SIZE);
        objBuffer.remove(0, MBAP_HEADER_SIZE);
        return LINK_RECV_FRAME_ERR;
    }
    const int nFrameLen = nLen + MBAP_HEADER_SIZE;
    if (objBuffer.size() < nFrameLen)
        return LINK_ERR_GENERAL;
    LINK_PROC_ERR_EN enResult = LINK_RECV_OK;
    if (ReadBE16(objBuffer, 0) != stRqst.nSN)
        enResult = LINK_RECV_SN_ERR;
    else if (ReadBE16(objBuffer, 2) != 0)
        enResult = LINK_RECV_TYPE_ERR;
    else if (ByteAt(objBuffer, MBAP_HEADER_SIZE) != (stRqst.nAddr & 0xFF))
        enResult = LINK_RECV_FRAME_ERR; // another unit's reply
    if (enResult != LINK_RECV_OK) {
        objOut = objBuffer.left(nFrameLen);
        objBuffer.remove(0, nFrameLen);
        return enResult;
    }
    objOut = objBuffer.mid(MBAP_HEADER_SIZE, nLen);
    return LINK_RECV_OK;
}

void CPortBase::PreProcRecvRqstData(QByteArray &objBuffer, LINK_RECV_DATA_S &stRecv, QByteArray &objRaw)
{
    stRecv = LINK_RECV_DATA_S();
    objRaw.clear();
    QByteArray objFrame;
    quint16 nTransId = 0;
    quint16 nProtoId = 0;
    const unsigned short nTransMode = GetTransMode();

    switch (nTransMode) {
    case TRANS_MODE_RTU: {
        const int nSize = objBuffer.size();
        if (nSize < RTU_MIN_FRAME)
            return;
        // The first position where a whole frame lies: everything before it
        // is given up. Nothing whole yet: wait, unless the buffer already
        // holds more than any frame can claim; then give up what cannot
        // start one any more.
        const unsigned char *pData = reinterpret_cast<const unsigned char *>(objBuffer.constData());
        int nFrameAt = -1;
        int nFrameLen = 0;
        int nFirstWait = -1;
        for (int i = 0; i <= nSize - RTU_MIN_FRAME; ++i) {
            const RtuFit enFit = FitRtuFrame(pData + i, nSize - i, i == 0, nFrameLen);
            if (enFit == RtuFit::Frame) {
                nFrameAt = i;
                break;
            }
            if (enFit == RtuFit::Wait && nFirstWait < 0)
                nFirstWait = i;
        }
        if (nFrameAt == 0) {
            objFrame = objBuffer.left(nFrameLen);
            objRaw = objFrame;
            objBuffer.remove(0, nFrameLen);
            break;
        }
        int nGiveUp = nFrameAt;
        if (nGiveUp < 0) {
            if (nSize <= RTU_MAX_CLAIM)
                return;
            nGiveUp = nFirstWait > 0 ? nFirstWait : nSize - (RTU_MIN_FRAME - 1);
        }
        // Exactly the bytes of one request of a served code: its check failed.
        const bool bCheckFailed = nGiveUp >= RTU_MIN_FRAME && IsServedFuncCode(pData[1])
                                  && nGiveUp == RtuRqstLen(pData, nGiveUp);
        objRaw = objBuffer.left(nGiveUp);
        objBuffer.remove(0, nGiveUp);
        if (bCheckFailed) {
            stRecv.nAddr = ByteAt(objRaw, 0);
            stRecv.enType = LINK_RECV_CHECK_ERR;
            return;
        }
        break;
    }
    case TRANS_MODE_ASCII: {
        const int nColon = objBuffer.indexOf(':');
        if (nColon < 0) {
            if (objBuffer.isEmpty())
                return;
            objRaw.swap(objBuffer);
            objBuffer.clear();
        } else if (nColon > 0) {
            objRaw = objBuffer.left(nColon);
            objBuffer.remove(0, nColon);
        } else {
            const int nEnd = objBuffer.indexOf("\r\n");
            const int nAborted = AbortedAsciiEnd(objBuffer, nEnd);
            if (nAborted > 0) {
                objRaw = objBuffer.left(nAborted);
                objBuffer.remove(0, nAborted);
                break;
            }
            if (nEnd < 0) {
                if (objBuffer.size() < MAX_ASCII_FRAME_SIZE)
                    return;
                objRaw.swap(objBuffer);
                objBuffer.clear();
                break;
            }
            const int nTextLen = nEnd - 1;
            // An empty text is reported with its delimiters: the bytes were
            // consumed and the caller stops cutting at an empty result.
            objRaw = (nTextLen > 0) ? objBuffer.mid(1, nTextLen) : objBuffer.left(nEnd + 2);
            if (!DecodeHexText(objBuffer.constData() + 1, nTextLen, objFrame) || objFrame.size() < 3)
                objFrame.clear();
            objBuffer.remove(0, nEnd + 2);
        }
        break;
    }
    case TRANS_MODE_TCP_SYNC:
    case TRANS_MODE_TCP_ASYNC: {
        if (objBuffer.size() < MBAP_HEADER_SIZE)
            return;
        nTransId = ReadBE16(objBuffer, 0);
        nProtoId = ReadBE16(objBuffer, 2);
        const int nLen = ReadBE16(objBuffer, 4);
        if (nLen < MBAP_MIN_LEN || nLen > MBAP_MAX_LEN) {
            // Waiting for what such a header announces would stall the link.
            objRaw = objBuffer.left(MBAP_HEADER_SIZE);
            objBuffer.remove(0, MBAP_HEADER_SIZE);
            break;
        }
        if (objBuffer.size() < nLen + MBAP_HEADER_SIZE)
            return;
        objRaw = objBuffer.left(nLen + MBAP_HEADER_SIZE);
        objFrame = objBuffer.mid(MBAP_HEADER_SIZE, nLen);
        objBuffer.remove(0, nLen + MBAP_HEADER_SIZE);
        break;
    }
    default:
        if (objBuffer.isEmpty())
            return;
        objRaw.swap(objBuffer);
        objBuffer.clear();
        break;
    }

    if (objRaw.isEmpty())
        return;
    // A frame too short for address and function code is a frame error; only
    // the TCP header lets such a frame through.
    if (objFrame.size() < 2) {
        stRecv.nAddr = 0;
        stRecv.enType = LINK_RECV_FRAME_ERR;
        return;
    }
    stRecv.nAddr = ByteAt(objFrame, 0);
    if (!CheckFrame(objFrame)) {
        stRecv.enType = LINK_RECV_CHECK_ERR;
    } else if (IsTcpTransMode(nTransMode) && nProtoId != 0) {
        stRecv.enType = LINK_RECV_TYPE_ERR;
    } else {
        stRecv.nSN = IsTcpTransMode(nTransMode) ? nTransId : NextSN();
        stRecv.nFuncCode = ByteAt(objFrame, 1);
        stRecv.enType = LINK_RECV_OK;
        stRecv.objData = objFrame.mid(2, objFrame.size() - 2 - ChecksumSize(nTransMode));
    }
}
