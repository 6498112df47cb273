#include "cnetparamgr.h"

#include <QMutex>
#include <QMutexLocker>

#include "ccfgfilemgr.h"
#include "linkdefine.h"

namespace {

// Link worker threads read records while the GUI thread may change the list;
// every access made through this store is serialised here.
QMutex &ListLock()
{
    static QMutex s_objLock;
    return s_objLock;
}

// Two links that would own the same local port cannot both be opened. A TCP
// client uses no fixed local port, so it never conflicts.
bool IsConflicting(const NET_PARA_DATA_S &stNew, const NET_PARA_DATA_S &stOld)
{
    if (stOld.strNetName == stNew.strNetName || stOld.nLinkMode != stNew.nLinkMode)
        return false;
    switch (stNew.nLinkMode) {
    case LINK_MODE_TCP_CLIENT:
        return false;
    case LINK_MODE_TCP_SERVER:
    case LINK_MODE_UDP_UNICAST:
        return stOld.nPortID == stNew.nPortID;
    default:
        return true;
    }
}

} // namespace

CNetParaMgr::CNetParaMgr(QObject *parent) : QObject(parent)
{
}

CNetParaMgr *CNetParaMgr::GetInstance()
{
    static CNetParaMgr *s_pInstance = new CNetParaMgr();
    return s_pInstance;
}

QList<NET_PARA_DATA_S> &CNetParaMgr::GetNetParaList()
{
    return CCfgFileMgr::GetInstance()->GetNetParaList();
}

bool CNetParaMgr::GetNetPara(const QString &strNetName, NET_PARA_DATA_S &stPara)
{
    QMutexLocker objLocker(&ListLock());
    for (const NET_PARA_DATA_S &stRec : GetNetParaList()) {
        if (stRec.strNetName == strNetName) {
            stPara = stRec;
            return true;
        }
    }
    stPara = NET_PARA_DATA_S();
    stPara.strNetName = strNetName;
    return true;
}

bool CNetParaMgr::SetNetPara(const NET_PARA_DATA_S &stPara)
{
    bool bExisted = false;
    {
        QMutexLocker objLocker(&ListLock());
        QList<NET_PARA_DATA_S> &lstPara = GetNetParaList();
        for (const NET_PARA_DATA_S &stRec : lstPara) {
            if (IsConflicting(stPara, stRec))
                return false;
        }
        for (NET_PARA_DATA_S &stRec : lstPara) {
            if (stRec.strNetName == stPara.strNetName) {
                stRec = stPara;
                bExisted = true;
                break;
            }
        }
        if (!bExisted)
            lstPara.append(stPara);
    }
    // Outside the lock: the rebuild this triggers opens the new link, whose
    // thread reads the record again.
    if (bExisted)
        emit GetInstance()->siNETParaChanged(stPara.strNetName);
    return true;
}

bool CNetParaMgr::DelNetPara(const QString &strNetName)
{
    QMutexLocker objLocker(&ListLock());
    QList<NET_PARA_DATA_S> &lstPara = GetNetParaList();
    for (int i = 0; i < lstPara.size(); ++i) {
        if (lstPara.at(i).strNetName == strNetName) {
            lstPara.removeAt(i);
            return true;
        }
    }
    return false;
}
