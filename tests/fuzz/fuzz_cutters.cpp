// libFuzzer target for the frame cutters. Input layout:
//   byte 0      cutter (bits 0-1) and transmission mode (bits 2-4, 4 and up unknown)
//   bytes 1-7   the outstanding request: address, function code, sequence number
//               (2 bytes), request data (3 bytes, padded with the next data byte)
//   then chunks: one length byte, then that many bytes appended to the buffer.
// After each chunk the cutter runs until it waits, as a link does. Every call
// must either wait with the buffer untouched or consume bytes from its front.

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>

#include "common/codecport.h"

namespace {

void Check(bool bCondition)
{
    if (!bCondition)
        abort();
}

bool IsSuffix(const QByteArray &objWhole, const QByteArray &objPart)
{
    return objPart.size() < objWhole.size() && objWhole.endsWith(objPart);
}

int MinReplySize(unsigned short nMode)
{
    // Address and function code plus checksum, as the engine reads them.
    switch (nMode) {
    case TRANS_MODE_RTU: return 4;
    case TRANS_MODE_ASCII: return 3;
    default: return 2;
    }
}

void SilentHandler(QtMsgType, const QMessageLogContext &, const QString &)
{
}

void RunReplyCutter(CCodecPort &objPort, int nCutter, const LINK_SEND_DATA_S &stRqst, QByteArray &objBuffer)
{
    const unsigned short nMode = objPort.GetTransMode();
    for (int nGuard = 0; nGuard < 100000; ++nGuard) {
        const QByteArray objBefore = objBuffer;
        QByteArray objOut = "junk";
        LINK_PROC_ERR_EN enResult;
        if (nCutter == 0)
            enResult = objPort.PreProcRecvRspData(stRqst, objBuffer, objOut);
        else if (nCutter == 1)
            enResult = objPort.PreProcRecvRspDataForRTU(stRqst, objBuffer, objOut);
        else
            enResult = objPort.PreProcRecvRspDataForTCP(stRqst, objBuffer, objOut);

        switch (enResult) {
        case LINK_ERR_GENERAL:
            Check(objBuffer == objBefore);
            return;
        case LINK_RECV_OK: {
            Check(objBuffer == objBefore);
            const unsigned short nFrameMode = nCutter == 1 ? TRANS_MODE_RTU
                                              : nCutter == 2 ? TRANS_MODE_TCP_SYNC : nMode;
            Check(objOut.size() >= MinReplySize(nFrameMode));
            (void)objPort.CheckFrame(objOut);
            objBuffer.clear(); // the link discards the whole buffer after a reply
            return;
        }
        case LINK_RECV_FRAME_ERR:
        case LINK_RECV_SN_ERR:
        case LINK_RECV_TYPE_ERR:
            Check(!objOut.isEmpty());
            Check(objBuffer.isEmpty() || IsSuffix(objBefore, objBuffer));
            if (objBuffer.isEmpty())
                return;
            break;
        default:
            Check(false);
        }
    }
    Check(false);
}

void RunRequestCutter(CCodecPort &objPort, QByteArray &objBuffer)
{
    for (int nGuard = 0; nGuard < 100000; ++nGuard) {
        const QByteArray objBefore = objBuffer;
        LINK_RECV_DATA_S stRecv;
        QByteArray objRaw = "junk";
        objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
        if (objRaw.isEmpty()) {
            Check(objBuffer == objBefore);
            Check(stRecv.enType == LINK_ERR_GENERAL);
            return;
        }
        Check(objBuffer.isEmpty() || IsSuffix(objBefore, objBuffer));
        Check(objBuffer.size() < objBefore.size());
        Check(stRecv.enType == LINK_RECV_OK || stRecv.enType == LINK_RECV_FRAME_ERR
              || stRecv.enType == LINK_RECV_CHECK_ERR || stRecv.enType == LINK_RECV_TYPE_ERR);
        if (objBuffer.isEmpty())
            return;
    }
    Check(false);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(SilentHandler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    if (nSize < 8)
        return 0;
    const int nCutter = pData[0] & 0x03;
    const unsigned short nMode = static_cast<unsigned short>((pData[0] >> 2) & 0x07);
    static CCodecPort s_objPort(TRANS_MODE_RTU);
    s_objPort.SetTransMode(nMode);

    LINK_SEND_DATA_S stRqst;
    stRqst.nAddr = pData[1];
    stRqst.nFuncCode = pData[2];
    stRqst.nSN = static_cast<quint16>((pData[3] << 8) | pData[4]);
    stRqst.objData = QByteArray(reinterpret_cast<const char *>(pData + 5), 3);
    stRqst.objData.append(static_cast<char>(pData[7]));

    QByteArray objBuffer;
    size_t nPos = 8;
    while (nPos < nSize) {
        const size_t nChunk = qMin<size_t>(pData[nPos], nSize - nPos - 1);
        objBuffer.append(reinterpret_cast<const char *>(pData + nPos + 1), static_cast<int>(nChunk));
        nPos += nChunk + 1;
        if (objBuffer.isEmpty())
            continue;
        if (nCutter == 3)
            RunRequestCutter(s_objPort, objBuffer);
        else
            RunReplyCutter(s_objPort, nCutter, stRqst, objBuffer);
    }
    return 0;
}
