// Scenes of the link and device management page, the link parameter dialog
// and the device list, over real links: a listening TCP server, a TCP client
// with nobody to talk to, and a pseudo-terminal held open by the scene.

#include "renderscene.h"

#include "ccfgfilemgr.h"
#include "ccomparamgr.h"
#include "cdevicemgr.h"
#include "cdlgdevicelist.h"
#include "cdlgdevicemgr.h"
#include "cdlglinkparaset.h"
#include "cnetparamgr.h"
#include "commonfunc.h"
#include "linkdefine.h"

#include <QPushButton>
#include <QTabBar>
#include <QTcpServer>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

quint16 FreeLoopbackPort()
{
    QTcpServer objServer;
    objServer.listen(QHostAddress::LocalHost, 0);
    return objServer.serverPort();
}

void StoreNetLink(const char *pName, quint16 nLinkMode, quint16 nTransMode, quint16 nPort)
{
    NET_PARA_DATA_S stPara;
    stPara.strNetName = QString::fromLatin1(pName);
    stPara.nLinkMode = nLinkMode;
    stPara.nTransMode = nTransMode;
    stPara.nPortID = nPort;
    CNetParaMgr::SetNetPara(stPara);
}

// Links in both states and devices on them: slaves on an open TCP server and
// on a pseudo-terminal, masters on a TCP client that never connects, links no
// device uses and a serial port that is missing. Removed by the destructor.
class CSceneLinks
{
public:
    CSceneLinks()
    {
        CCfgFileMgr::GetInstance()->ClearCfg();
        CDeviceMgr::GetInstance();
        m_nPty = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_nPty >= 0 && grantpt(m_nPty) == 0 && unlockpt(m_nPty) == 0)
            m_strPty = QString::fromLocal8Bit(ptsname(m_nPty));
        if (CComParaMgr::AddComPort(m_strPty))
            CDeviceMgr::AddDevice(QString(), m_strPty, DEVICE_TYPE_SLAVE, 1, 1);
        // A port of an earlier project that this machine lacks.
        COM_PARA_DATA_S stAbsent;
        stAbsent.strPortName = QStringLiteral("ttyUSB3");
        stAbsent.nTransMode = TRANS_MODE_ASCII;
        stAbsent.nBaudRate = 115200;
        stAbsent.nParity = 2;
        CComParaMgr::GetComParaList().append(stAbsent);
        StoreNetLink("NET000", LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, FreeLoopbackPort());
        StoreNetLink("NET001", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_ASYNC, FreeLoopbackPort());
        StoreNetLink("NET002", LINK_MODE_UDP_UNICAST, TRANS_MODE_RTU, FreeLoopbackPort());
        StoreNetLink("NET004", LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, 502);
        CDeviceMgr::AddDevice(QString(), QStringLiteral("NET000"), DEVICE_TYPE_SLAVE, 1, 3);
        CDeviceMgr::AddDevice(QString(), QStringLiteral("NET001"), DEVICE_TYPE_MASTER, 7, 7);
        CDeviceMgr::AddDevice(QStringLiteral("Boiler room meter"), QStringLiteral("NET001"), DEVICE_TYPE_MASTER, 9, 9);
        SpinEvents(300);
    }
    ~CSceneLinks()
    {
        CDeviceMgr::DestroyInstance();
        if (m_nPty >= 0)
            close(m_nPty);
    }

private:
    int m_nPty = -1;
    QString m_strPty;
};

RenderSceneRegistrar s_objMgrSerial("devicemgr_page_serial", [](const QString &strOut) {
    CSceneLinks objLinks;
    CDlgDeviceMgr objPage;
    SaveGrab(&objPage, strOut, QStringLiteral("devicemgr_page_serial"), 900, 300);
});

RenderSceneRegistrar s_objMgrNet("devicemgr_page_net", [](const QString &strOut) {
    CSceneLinks objLinks;
    CDlgDeviceMgr objPage;
    objPage.GetTabBar()->setCurrentIndex(1);
    SaveGrab(&objPage, strOut, QStringLiteral("devicemgr_page_net"), 900, 300);
});

RenderSceneRegistrar s_objParaSerial("devicemgr_linkpara_serial", [](const QString &strOut) {
    CSceneLinks objLinks;
    CDlgLinkParaSet objDialog(CDlgLinkParaSet::LINK_KIND_COM, QStringLiteral("ttyUSB3"));
    SaveGrab(&objDialog, strOut, QStringLiteral("devicemgr_linkpara_serial"));
});

RenderSceneRegistrar s_objParaNet("devicemgr_linkpara_net", [](const QString &strOut) {
    CSceneLinks objLinks;
    CDlgLinkParaSet objDialog(CDlgLinkParaSet::LINK_KIND_NET, QStringLiteral("NET001"));
    SaveGrab(&objDialog, strOut, QStringLiteral("devicemgr_linkpara_net"));
});

// The second device active, the third being edited (bold), the masters red.
void RenderDeviceList(const QString &strOut, const QString &strName, bool bPara)
{
    CSceneLinks objLinks;
    CDlgDeviceList objList;
    objList.slActvDevice(1, CDlgDeviceList::COL_NAME);
    objList.slDeviceEditing(QStringLiteral("[S]NET000-003"), true);
    for (QPushButton *pButton : objList.findChildren<QPushButton *>()) {
        if (pButton->text() == QString::fromUtf8("参数"))
            pButton->setChecked(bPara);
    }
    SaveGrab(&objList, strOut, strName, bPara ? 560 : 300, 320);
}

RenderSceneRegistrar s_objList("devicemgr_list", [](const QString &strOut) {
    RenderDeviceList(strOut, QStringLiteral("devicemgr_list"), false);
});

RenderSceneRegistrar s_objListPara("devicemgr_list_para", [](const QString &strOut) {
    RenderDeviceList(strOut, QStringLiteral("devicemgr_list_para"), true);
});

} // namespace
