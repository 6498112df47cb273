#include "linkdefine.h"

namespace {

struct ProcErrPrefix
{
    LINK_PROC_ERR_EN enType;
    const char *pText;
};

const ProcErrPrefix PROC_ERR_PREFIX_TABLE[] = {
    {LINK_ERR_GENERAL, "ERROR: "},
    {LINK_SEND_OK, "Send: "},
    {LINK_RECV_OK, "Recv: "},
    {LINK_SEND_FAILED, "Send[ERROR-FAILED]: "},
    {LINK_RECV_TIMEOUT, "Recv[ERROR-TIMEROUT]: "},
    {LINK_RECV_FRAME_ERR, "Recv[ERROR-FRAME]: "},
    {LINK_RECV_CHECK_ERR, "Recv[ERROR-CHECK]: "},
    {LINK_RECV_SN_ERR, "Recv[ERROR-SN]: "},
    {LINK_RECV_TYPE_ERR, "Recv[ERROR-TYPE]: "},
};

} // namespace

const char *GetLinkProcErrPrefix(LINK_PROC_ERR_EN enType)
{
    for (const ProcErrPrefix &item : PROC_ERR_PREFIX_TABLE) {
        if (item.enType == enType)
            return item.pText;
    }
    return nullptr;
}

QString GetTransModeName(unsigned short nTransMode)
{
    switch (nTransMode) {
    case TRANS_MODE_RTU: return QStringLiteral("MODBUS-RTU");
    case TRANS_MODE_ASCII: return QStringLiteral("MODBUS-ASCII");
    case TRANS_MODE_TCP_SYNC: return QString::fromUtf8("MODBUS-TCP(同步)");
    case TRANS_MODE_TCP_ASYNC: return QString::fromUtf8("MODBUS-TCP(异步)");
    default: return QString();
    }
}

QString GetLinkModeName(unsigned short nLinkMode)
{
    switch (nLinkMode) {
    case LINK_MODE_TCP_CLIENT: return QString::fromUtf8("  TCP客户端");
    case LINK_MODE_TCP_SERVER: return QString::fromUtf8("  TCP服务器");
    case LINK_MODE_UDP_UNICAST: return QString::fromUtf8("  UDP单播");
    default: return QString();
    }
}

bool IsNetPortName(const QString &strPortName)
{
    return strPortName.contains(QLatin1String("NET"), Qt::CaseSensitive);
}

void RegisterLinkMetaTypes()
{
    qRegisterMetaType<LINK_SEND_DATA_S>("LINK_SEND_DATA_S");
    qRegisterMetaType<LINK_RECV_DATA_S>("LINK_RECV_DATA_S");
    qRegisterMetaType<LINK_PROC_ERR_EN>("LINK_PROC_ERR_EN");
}
