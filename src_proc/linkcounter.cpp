#include "linkcounter.h"

bool LINK_COUNT_S::Count(LINK_PROC_ERR_EN enType)
{
    quint32 *pCounter = nullptr;
    switch (enType) {
    case LINK_SEND_OK: pCounter = &nSend; break;
    case LINK_RECV_OK: pCounter = &nRecv; break;
    case LINK_RECV_TIMEOUT: pCounter = &nTimeout; break;
    case LINK_SEND_FAILED: pCounter = &nSendFail; break;
    case LINK_RECV_FRAME_ERR: pCounter = &nFrameErr; break;
    case LINK_RECV_CHECK_ERR: pCounter = &nCheckErr; break;
    default: return false;
    }
    ++*pCounter;
    return true;
}

QString LINK_COUNT_S::LossRateText() const
{
    float fRate = 0.0f;
    if (nSend != 0 && nSend > nRecv)
        fRate = float(nSend - nRecv) / float(nSend) * 100.0f;
    return QString::asprintf("%.2f%%", double(fRate));
}
