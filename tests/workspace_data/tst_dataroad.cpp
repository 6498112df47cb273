// The data pages on real links over loopback against libmodbus: a slave page
// read by an independent client, and a master page polling and writing an
// independent server.

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include <modbus/modbus.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatabase.h"
#include "cdlgdevicedatamgr.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "commonfunc.h"
#include "freeport.h"
#include "linkdefine.h"
#include "modbuspeer.h"
#include "workspace_data/pagedriver.h"

using Page = CDlgDeviceDataBase;

namespace {

QString T(const char *pText)
{
    return QString::fromUtf8(pText);
}

// Reads holding registers with libmodbus in a thread of its own while this
// thread keeps the slave answering; empty when the read failed.
QVector<quint16> ReadByLibmodbus(int nPort, int nStart, int nCount)
{
    QVector<quint16> vecRegs(nCount);
    std::atomic<int> nResult{-2};
    std::thread objClient([&] {
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
        modbus_set_response_timeout(pCtx, 3, 0);
        modbus_set_slave(pCtx, 1);
        int nRead = -1;
        if (modbus_connect(pCtx) == 0)
            nRead = modbus_read_registers(pCtx, nStart, nCount, vecRegs.data());
        modbus_close(pCtx);
        modbus_free(pCtx);
        nResult = nRead;
    });
    for (int nWaited = 0; nResult == -2 && nWaited < 10000; nWaited += 5)
        QTest::qWait(5);
    objClient.join();
    return nResult == nCount ? vecRegs : QVector<quint16>();
}

// The two registers a 32-bit pattern occupies on the wire.
QVector<quint16> WireWords(quint32 nBits, quint16 nByteOder, quint16 nWordOder)
{
    auto fnWord = [nByteOder](quint16 nWord) { return nByteOder == 1 ? quint16((nWord >> 8) | (nWord << 8)) : nWord; };
    const quint16 nHigh = fnWord(quint16(nBits >> 16));
    const quint16 nLow = fnWord(quint16(nBits));
    return nWordOder == 1 ? QVector<quint16>{nLow, nHigh} : QVector<quint16>{nHigh, nLow};
}

DEVICE_DATA_CFG_S Point(quint16 nAddr, quint16 nSize, quint16 nPrtc, quint16 nShow, const QString &strName)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nBlock = BLOCK_HOLDING_REG;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.nPrtcType = nPrtc;
    objCfg.nShowType = nShow;
    objCfg.strName = strName;
    return objCfg;
}

bool SetNetLink(const QString &strName, quint16 nLinkMode, int nPort)
{
    NET_PARA_DATA_S stPara;
    stPara.strNetName = strName;
    stPara.nLinkMode = nLinkMode;
    stPara.nTransMode = TRANS_MODE_TCP_SYNC;
    stPara.nPortID = quint16(nPort);
    return CNetParaMgr::SetNetPara(stPara);
}

} // namespace

class TstDataRoad : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_objDir;
    CDlgDeviceDataMgr *m_pMgr = nullptr;

    // A launched device on the link with the points, its page current.
    Page *AddDevice(const QString &strLink, quint16 nType, const QList<DEVICE_DATA_CFG_S> &lstPoints)
    {
        if (CDeviceMgr::AddDevice(QString(), strLink, nType, 1, 1) != QLatin1String("OK"))
            return nullptr;
        const QString strName = CDeviceMgr::GetDeviceName(strLink, 1);
        CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strName, lstPoints);
        Page *pPage = m_pMgr->GetPage(strName);
        pPage->LoadDataCfg();
        m_pMgr->slCurrActvDeviceChanged(strName);
        return pPage;
    }

private slots:
    void initTestCase()
    {
        RegisterLinkMetaTypes();
        ApplyAppLook();
        QVERIFY(QDir::setCurrent(m_objDir.path()));
        CCfgFileMgr::GetInstance()->ClearCfg();
        m_pMgr = new CDlgDeviceDataMgr;
        m_pMgr->resize(1800, 600);
        m_pMgr->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pMgr));
    }

    void cleanupTestCase()
    {
        delete m_pMgr;
        CDeviceMgr::DestroyInstance();
    }

    // A libmodbus client reads from the slave exactly what its cells show,
    // for 32-bit points in every byte and word order, and a simulated point
    // shows the value it has just answered.
    void slaveAnswersWhatTheCellsShow()
    {
        const int nPort = PickFreePort();
        QVERIFY(SetNetLink(QStringLiteral("NET101"), LINK_MODE_TCP_SERVER, nPort));
        QList<DEVICE_DATA_CFG_S> lstPoints;
        for (quint16 nOrders = 0; nOrders < 4; ++nOrders) {
            DEVICE_DATA_CFG_S objUint = Point(quint16(nOrders * 4), 2, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, "u");
            DEVICE_DATA_CFG_S objFloat = Point(quint16(nOrders * 4 + 2), 2, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, "f");
            for (DEVICE_DATA_CFG_S *pCfg : {&objUint, &objFloat}) {
                pCfg->nByteOder = nOrders & 1;
                pCfg->nWordOder = nOrders >> 1;
            }
            objUint.objValueCfg.strCoefA = QString::number(305419896 + nOrders); // 0x12345678 + n
            objFloat.objValueCfg.strCoefA = QStringLiteral("-1.5");
            lstPoints << objUint << objFloat;
        }
        DEVICE_DATA_CFG_S objSine = Point(16, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "sine");
        objSine.objValueCfg.nStategy = 3;
        objSine.objValueCfg.strCoefA = QStringLiteral("1000");
        objSine.objValueCfg.strCoefB = QStringLiteral("0.01");
        objSine.objValueCfg.nXInvl = 1;
        lstPoints << objSine;
        Page *pPage = AddDevice(QStringLiteral("NET101"), DEVICE_TYPE_SLAVE, lstPoints);
        QVERIFY(pPage != nullptr);
        // Writing the points back resets their simulated settings; they go in after.
        QList<DEVICE_DATA_CFG_S> &lstStored = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(pPage->GetDeviceName());
        for (int i = 0; i < lstPoints.size(); ++i)
            lstStored[i].objValueCfg = lstPoints.at(i).objValueCfg;
        pPage->LoadDataCfg();
        QTRY_COMPARE(CDeviceMgr::GetDevice(pPage->GetDeviceName())->GetState(), quint16(1));

        const QVector<quint16> vecRegs = ReadByLibmodbus(nPort, 0, 17);
        QCOMPARE(vecRegs.size(), 17);
        QTableWidget *pTable = pPage->GetTable();
        for (int nRow = 0; nRow < 8; ++nRow) {
            const quint16 nOrders = quint16(nRow / 2);
            const QString strCell = CellText(pTable, nRow, Page::COL_VALUE);
            quint32 nBits = strCell.toUInt();
            if (nRow % 2 == 1) {
                const float fValue = strCell.toFloat();
                std::memcpy(&nBits, &fValue, sizeof(nBits));
                QCOMPARE(strCell, QString("-1.5"));
            }
            QCOMPARE(vecRegs.mid(nRow * 2, 2), WireWords(nBits, nOrders & 1, nOrders >> 1));
        }
        QCOMPARE(CellText(pTable, 8, Page::COL_VALUE), QString::number(qint16(vecRegs.at(16))));
        QVERIFY(CellText(pTable, 8, Page::COL_VALUE) != QLatin1String("--"));
    }

    // The master page polls a libmodbus server cyclically; refusing a batch
    // write without values and cancelling the stop leave the read running;
    // a value sent at once lands in the server's register.
    void masterPollsAndWrites()
    {
        CModbusServerPeer objPeer(100);
        const int nPort = PickFreePort();
        QVERIFY(objPeer.StartTcp(QStringLiteral("127.0.0.1"), nPort));
        objPeer.SetHolding(0, 1234);
        objPeer.SetHolding(1, 0x1234);
        objPeer.SetHolding(2, 0x5678);
        objPeer.SetHolding(3, 0xFF);
        QVERIFY(SetNetLink(QStringLiteral("NET102"), LINK_MODE_TCP_CLIENT, nPort));
        DEVICE_DATA_CFG_S objGain = Point(0, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, "temp");
        objGain.fGain = 0.1;
        DEVICE_DATA_CFG_S objHex = Point(3, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, "mode");
        objHex.nIsBWrite = 1;
        Page *pPage = AddDevice(QStringLiteral("NET102"), DEVICE_TYPE_MASTER,
                                {objGain, Point(1, 2, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, "count"), objHex});
        QVERIFY(pPage != nullptr);
        QTRY_VERIFY(FindButton(pPage, T("批量读"))->isEnabled());
        QTableWidget *pTable = pPage->GetTable();
        CUserScript objUser;

        objUser.Then(Press(T("确定")));
        QVERIFY(ClickButton(pPage, T("批量写")));
        QCOMPARE(objUser.m_lstMessages, QStringList{T("请确保设置数据已经预设有效值：(mode)")});
        QVERIFY(!FindButton(pPage, T("批量写"))->isChecked());

        objUser.Then([](QDialog *pDialog) {
            QTest::mouseClick(pDialog->findChild<QCheckBox *>(), Qt::LeftButton);
            ClickButton(pDialog, T("确定"));
        });
        QVERIFY(ClickButton(pPage, T("批量读")));
        QTRY_COMPARE(ColumnTexts(pTable, Page::COL_VALUE), QStringList({"123.4", "305419896", "0X00FF"}));
        QVERIFY(FindButton(pPage, T("批量读"))->isChecked());
        objPeer.SetHolding(0, 1000);
        QTRY_COMPARE(CellText(pTable, 0, Page::COL_VALUE), QString("100.0"));

        objUser.Then(Press(T("取消")));
        QVERIFY(ClickButton(pPage, T("批量读")));
        QVERIFY(FindButton(pPage, T("批量读"))->isChecked());
        objPeer.SetHolding(0, 1001);
        QTRY_COMPARE(CellText(pTable, 0, Page::COL_VALUE), QString("100.1"));

        objUser.Then(TypeAndPress("0X0042", T("立即下发")));
        DoubleClickCell(pTable, 2, Page::COL_VALUE);
        QTRY_COMPARE(objPeer.Holding(3), quint16(0x42));
        QTRY_COMPARE(CellText(pTable, 2, Page::COL_VALUE), QString("0X0042"));

        objUser.Then(Press(T("确定")));
        QVERIFY(ClickButton(pPage, T("批量读")));
        QVERIFY(!FindButton(pPage, T("批量读"))->isChecked());
        QCOMPARE(objUser.m_lstTitles, QStringList({T("启动批量写数据"), T("启动批量读数据"), T("关闭批量读数据"),
                                                   T("请输入设置值(mode)"), T("关闭批量读数据")}));
        CDeviceMgr::DelDevice({pPage->GetDeviceName()});
    }
};

QTEST_MAIN(TstDataRoad)
#include "tst_dataroad.moc"
