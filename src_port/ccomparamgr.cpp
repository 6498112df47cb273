#include "ccomparamgr.h"

#include <QSet>
#include <QStringList>
#include <mutex>

#include "applog.h"
#include "ccfgfilemgr.h"
#include "serialportlist.h"

namespace {

// A link's worker thread reads the list while it opens its port; the GUI
// thread may refresh it at the same moment, and an append can move the list.
// A std::mutex, whose ordering ThreadSanitizer sees.
std::mutex &ListLock()
{
    static std::mutex s_objLock;
    return s_objLock;
}

// Marks the port's record present, or appends one with defaults. Under the lock.
void MarkPresent(QList<COM_PARA_DATA_S> &objList, const QString &strName)
{
    for (COM_PARA_DATA_S &stPara : objList) {
        if (stPara.strPortName == strName) {
            stPara.nPresent = 1;
            return;
        }
    }
    COM_PARA_DATA_S stNew;
    stNew.nPresent = 1;
    stNew.strPortName = strName;
    objList.append(stNew);
}

} // namespace

CComParaMgr *CComParaMgr::GetInstance()
{
    static CComParaMgr *s_pInstance = new CComParaMgr();
    return s_pInstance;
}

QList<COM_PARA_DATA_S> &CComParaMgr::GetComParaList()
{
    return CCfgFileMgr::GetInstance()->GetComParaList();
}

void CComParaMgr::RefreshComList()
{
    // Enumerate and probe outside the lock: both ask the system.
    const QStringList objEnumerated = EnumSerialPortNames();
    QList<COM_PARA_DATA_S> &objList = GetComParaList();
    QStringList objKnown;
    {
        std::unique_lock<std::mutex> objLocker(ListLock());
        for (const COM_PARA_DATA_S &stPara : objList)
            objKnown.append(stPara.strPortName);
    }
    // Terminal device paths (virtual pairs) are ports of this machine too,
    // but no enumeration lists them: their records count while they exist.
    QSet<QString> objTerminals;
    for (const QString &strName : objKnown) {
        if (IsTerminalDevicePath(strName))
            objTerminals.insert(strName);
    }

    std::unique_lock<std::mutex> objLocker(ListLock());
    for (COM_PARA_DATA_S &stPara : objList)
        stPara.nPresent = objTerminals.contains(stPara.strPortName) ? 1 : 0;
    for (const QString &strName : objEnumerated)
        MarkPresent(objList, strName);
}

bool CComParaMgr::GetComPara(const QString &strName, COM_PARA_DATA_S &stOut)
{
    std::unique_lock<std::mutex> objLocker(ListLock());
    for (const COM_PARA_DATA_S &stPara : GetComParaList()) {
        if (stPara.strPortName == strName) {
            stOut = stPara;
            return true;
        }
    }
    return false;
}

bool CComParaMgr::SetComPara(const COM_PARA_DATA_S &stPara)
{
    {
        std::unique_lock<std::mutex> objLocker(ListLock());
        bool bFound = false;
        for (COM_PARA_DATA_S &stOld : GetComParaList()) {
            if (stOld.strPortName == stPara.strPortName) {
                stOld = stPara;
                bFound = true;
                break;
            }
        }
        if (!bFound) {
            objLocker.unlock();
            LOG_DEBUG() << "Invalid COM Port:" << stPara.strPortName;
            return false;
        }
    }
    // Outside the lock: the link manager rebuilds the link right here, and the
    // new link's thread reads the list while opening.
    emit GetInstance()->siCOMParaChanged(stPara.strPortName);
    return true;
}

bool CComParaMgr::AddComPort(const QString &strName)
{
    if (!IsMachineSerialPort(strName))
        return false;
    std::unique_lock<std::mutex> objLocker(ListLock());
    MarkPresent(GetComParaList(), strName);
    return true;
}
