// Device data pages with 2,000 points (offscreen, the window shown):
//   - table fill in the data-operation state; the configuration state filled
//     one row per tick behind its progress dialog (total, and the lateness of
//     a 10 ms timer meanwhile); leaving the configuration state (checks,
//     write-back, refill); the overlap check alone against comparing every pair;
//   - a master page reading 2,000 points cyclically at interval 0 from a
//     libmodbus server whose registers keep changing: lateness of a 10 ms
//     timer (worst, p99) and values shown per second, per packing way;
//   - a slave page of 2,000 points, 200 of them simulated, read by a
//     libmodbus client 125 registers at a time: reads per second and the
//     page's own work per request.
//   build/bench/bench_workspace [seconds per latency run, default 8]

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include <modbus/modbus.h>

#include "ccfgfilemgr.h"
#include "cdevicebase.h"
#include "cdevicemgr.h"
#include "cdlgdevicedatamaster.h"
#include "cdlgdevicedataslave.h"
#include "cmttablewidget.h"
#include "cnetparamgr.h"
#include "common/netrecords.h"
#include "commonfunc.h"
#include "freeport.h"
#include "linkdefine.h"
#include "modbuspeer.h"
#include "uiutils.h"

namespace {

const int POINTS = 2000;

void SilentHandler(QtMsgType, const QMessageLogContext &, const QString &) {}

double Percentile(std::vector<double> vecValues, double fQuantile)
{
    if (vecValues.empty())
        return 0.0;
    std::sort(vecValues.begin(), vecValues.end());
    return vecValues[std::min(vecValues.size() - 1, size_t(fQuantile * vecValues.size()))];
}

// Records how late a 10 ms timer fires while the event loop does other work.
class CLateness
{
public:
    CLateness()
    {
        m_objTimer.setTimerType(Qt::PreciseTimer);
        m_objTimer.setInterval(10);
        QObject::connect(&m_objTimer, &QTimer::timeout, [this] {
            m_vecLate.push_back(std::max(0.0, m_objClock.nsecsElapsed() / 1e6 - 10.0));
            m_objClock.restart();
        });
    }
    void Start()
    {
        m_vecLate.clear();
        m_objClock.start();
        m_objTimer.start();
    }
    void Stop() { m_objTimer.stop(); }
    double Worst() const { return m_vecLate.empty() ? 0.0 : *std::max_element(m_vecLate.begin(), m_vecLate.end()); }
    double P99() const { return Percentile(m_vecLate, 0.99); }

private:
    QTimer m_objTimer;
    QElapsedTimer m_objClock;
    std::vector<double> m_vecLate;
};

void Spin(int nMs)
{
    QElapsedTimer objClock;
    objClock.start();
    while (objClock.elapsed() < nMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QList<DEVICE_DATA_CFG_S> MakePoints(bool bMixed)
{
    QList<DEVICE_DATA_CFG_S> lstPoints;
    quint16 nAddr = 0;
    for (int i = 0; i < POINTS; ++i) {
        DEVICE_DATA_CFG_S objCfg;
        objCfg.nBlock = BLOCK_HOLDING_REG;
        objCfg.nAddr = nAddr;
        objCfg.nSize = (bMixed && i % 3 == 2) ? 2 : 1;
        objCfg.nPrtcType = objCfg.nSize == 2 ? PRTC_TYPE_FLOAT : PRTC_TYPE_INT;
        objCfg.nShowType = SHOW_TYPE_FLOAT;
        objCfg.fGain = objCfg.nSize == 2 ? 1.0 : 0.1;
        objCfg.strName = QStringLiteral("point %1").arg(i + 1);
        objCfg.strUnit = QStringLiteral("kW");
        nAddr = quint16(nAddr + objCfg.nSize);
        lstPoints << objCfg;
    }
    return lstPoints;
}

QString AddDevice(const QString &strLink, quint16 nType, const QList<DEVICE_DATA_CFG_S> &lstPoints)
{
    const QString strResult = CDeviceMgr::AddDevice(QString(), strLink, nType, 1, 1);
    if (strResult != QLatin1String(RESULT_OK))
        std::printf("cannot add a device on %s: %s\n", qPrintable(strLink), qPrintable(strResult));
    const QString strName = CDeviceMgr::GetDeviceName(strLink, 1);
    CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strName, lstPoints);
    return strName;
}

QPushButton *Button(QWidget *pPage, const QString &strText)
{
    for (QPushButton *pButton : pPage->findChildren<QPushButton *>()) {
        if (pButton->text() == strText)
            return pButton;
    }
    return nullptr;
}

// ---------------------------------------------------------------- table

void BenchTableFill()
{
    const QString strName = AddDevice(QStringLiteral("ttyKXBENCH"), DEVICE_TYPE_MASTER, MakePoints(true));
    CDlgDeviceDataMaster objPage(strName);
    objPage.InitPageItems();
    objPage.resize(1800, 900);
    objPage.show();
    Spin(100);

    std::vector<double> vecFill;
    for (int nRun = 0; nRun < 5; ++nRun) {
        QElapsedTimer objClock;
        objClock.start();
        objPage.LoadDataCfg();
        objPage.repaint();
        vecFill.push_back(objClock.nsecsElapsed() / 1e6);
    }
    std::printf("table  data-operation state, %d points: fill and paint median %.1f ms (worst of 5: %.1f ms)\n",
                POINTS, Percentile(vecFill, 0.5), *std::max_element(vecFill.begin(), vecFill.end()));

    CLateness objLate;
    SetDialogResponder([](QDialog *pDialog) {
        while (pDialog->isVisible())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    });
    QElapsedTimer objClock;
    objClock.start();
    objLate.Start();
    Button(&objPage, QString::fromUtf8("配置"))->click();
    objLate.Stop();
    const double fEnter = objClock.nsecsElapsed() / 1e6;
    std::printf("table  configuration state, %d points one row per tick: total %.0f ms (%.2f ms per row); "
                "10 ms timer meanwhile late by worst %.1f ms, p99 %.1f ms\n",
                POINTS, fEnter, fEnter / POINTS, objLate.Worst(), objLate.P99());

    objClock.restart();
    Button(&objPage, QString::fromUtf8("配置"))->click();
    std::printf("table  leaving the configuration state (checks, write-back, refill): %.1f ms, %s\n",
                objClock.nsecsElapsed() / 1e6, objPage.IsCfgState() ? "REFUSED" : "left");
    SetDialogResponder({});

    const QList<DEVICE_DATA_CFG_S> lstRows = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(strName);
    std::vector<double> vecCheck;
    std::vector<double> vecPairs;
    for (int nRun = 0; nRun < 20; ++nRun) {
        QString strMsg;
        objClock.restart();
        CCfgFileMgr::CheckDataAddrOverlap(lstRows, strMsg);
        vecCheck.push_back(objClock.nsecsElapsed() / 1e6);
        objClock.restart();
        int nFound = -1;
        for (int i = 0; i < lstRows.size() && nFound < 0; ++i) {
            for (int j = i + 1; j < lstRows.size(); ++j) {
                const DEVICE_DATA_CFG_S &a = lstRows.at(i);
                const DEVICE_DATA_CFG_S &b = lstRows.at(j);
                if (a.nBlock == b.nBlock && a.nAddr < b.nAddr + b.nSize && b.nAddr < a.nAddr + a.nSize
                    && a.strName != b.strName) {
                    nFound = i;
                    break;
                }
            }
        }
        vecPairs.push_back(objClock.nsecsElapsed() / 1e6);
        if (nFound >= 0)
            std::printf("unexpected overlap at row %d\n", nFound);
    }
    std::printf("table  overlap check of %d points without overlap: median %.2f ms (every pair compared: %.1f ms)\n",
                POINTS, Percentile(vecCheck, 0.5), Percentile(vecPairs, 0.5));
    CDeviceMgr::DelDevice({strName});
}

// ---------------------------------------------------------------- master

void BenchCyclicRead(quint16 nPackWay, int nSeconds)
{
    CModbusServerPeer objPeer(POINTS + 10);
    const int nPort = PickFreePort();
    if (!objPeer.StartTcp(QStringLiteral("127.0.0.1"), nPort)) {
        std::printf("master cannot listen\n");
        return;
    }
    std::atomic<bool> bStop{false};
    std::thread objChanger([&] {
        for (quint16 nTurn = 0; !bStop; ++nTurn) {
            for (int i = 0; i < POINTS; ++i)
                objPeer.SetHolding(i, quint16(nTurn + i));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const QString strLink = QStringLiteral("NET%1").arg(800 + nPackWay);
    CNetParaMgr::SetNetPara(NetPara(strLink, LINK_MODE_TCP_CLIENT, TRANS_MODE_TCP_SYNC, nPort));
    const QString strName = AddDevice(strLink, DEVICE_TYPE_MASTER, MakePoints(false));
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(strName);
    DEVICE_COMMON_ATTR_S objAttr = pDevice->GetPara();
    objAttr.nPackWay = nPackWay;
    pDevice->SetPara(objAttr);
    CDlgDeviceDataMaster objPage(strName);
    objPage.InitPageItems();
    objPage.LoadDataCfg();
    objPage.resize(1800, 900);
    objPage.show();
    for (int nWait = 0; pDevice->GetState() != 1 && nWait < 5000; nWait += 10)
        Spin(10);

    long long nValues = 0;
    QObject::connect(pDevice, &CDeviceBase::siRefreshDeviceData, [&nValues] { ++nValues; });
    objPage.SetDeviceRunning(true);
    const QString strResult = objPage.StartBatchReadOper(true);
    CLateness objLate;
    objLate.Start();
    Spin(nSeconds * 1000);
    objLate.Stop();
    objPage.SynDeviceOper(0, false, false);
    std::printf("master cyclic read of %d points, interval 0, PackWay %u (%s): %.0f values shown/s; "
                "10 ms timer late by worst %.1f ms, p99 %.1f ms\n",
                POINTS, nPackWay, qPrintable(strResult), nValues / double(nSeconds), objLate.Worst(), objLate.P99());
    bStop = true;
    objChanger.join();
    CDeviceMgr::DelDevice({strName});
    Spin(100);
}

// ---------------------------------------------------------------- slave

// The slave page with a clock on the values it hands out.
class CTimedSlavePage : public CDlgDeviceDataSlave
{
public:
    using CDlgDeviceDataSlave::CDlgDeviceDataSlave;
    QString slGetDeviceData(const QString &strDeviceName, quint32 nDataID) override
    {
        m_objClock.start();
        const QString strValue = CDlgDeviceDataSlave::slGetDeviceData(strDeviceName, nDataID);
        m_nNs += m_objClock.nsecsElapsed();
        ++m_nCalls;
        return strValue;
    }
    QElapsedTimer m_objClock;
    qint64 m_nNs = 0;
    qint64 m_nCalls = 0;
};

void BenchSlavePage(int nReads)
{
    const int nPort = PickFreePort();
    const QString strLink = QStringLiteral("NET850");
    CNetParaMgr::SetNetPara(NetPara(strLink, LINK_MODE_TCP_SERVER, TRANS_MODE_TCP_SYNC, nPort));
    const QString strName = AddDevice(strLink, DEVICE_TYPE_SLAVE, MakePoints(false));
    QList<DEVICE_DATA_CFG_S> &lstStored = CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(strName);
    for (int i = 0; i < lstStored.size(); ++i) {
        DATA_VALUE_CFG_S &objValue = lstStored[i].objValueCfg;
        objValue.strCoefA = QString::number(i % 500);
        if (i % 10 == 0) { // 200 sines, spread over every read
            objValue.nStategy = 3;
            objValue.strCoefA = QStringLiteral("100");
            objValue.strCoefB = QStringLiteral("0.01");
            objValue.nXInvl = 1;
        }
    }
    CTimedSlavePage objPage(strName);
    objPage.InitPageItems();
    objPage.LoadDataCfg();
    objPage.resize(1800, 900);
    objPage.show();
    CDeviceBase *pDevice = CDeviceMgr::GetDevice(strName);
    for (int nWait = 0; pDevice->GetState() != 1 && nWait < 5000; nWait += 10)
        Spin(10);

    std::atomic<bool> bDone{false};
    std::atomic<int> nFailed{0};
    double fSeconds = 0.0;
    std::thread objClient([&] {
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
        modbus_set_response_timeout(pCtx, 2, 0);
        modbus_set_slave(pCtx, 1);
        for (int nTry = 0; nTry < 100 && modbus_connect(pCtx) != 0; ++nTry)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        uint16_t nRegs[125];
        QElapsedTimer objClock;
        objClock.start();
        for (int i = 0; i < nReads; ++i) {
            if (modbus_read_registers(pCtx, (i % (POINTS / 125)) * 125, 125, nRegs) != 125)
                ++nFailed;
        }
        fSeconds = objClock.nsecsElapsed() / 1e9;
        modbus_close(pCtx);
        modbus_free(pCtx);
        bDone = true;
    });
    while (!bDone)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    objClient.join();
    std::printf("slave  %d points, 200 simulated, %d reads of 125 registers: %.0f reads/s (%d failed); "
                "page work %.1f us per request (%.2f us per value)\n",
                POINTS, nReads, nReads / fSeconds, nFailed.load(), objPage.m_nNs / 1e3 / nReads,
                objPage.m_nCalls ? objPage.m_nNs / 1e3 / objPage.m_nCalls : 0.0);
    CDeviceMgr::DelDevice({strName});
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication objApp(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int nSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 8;
    qInstallMessageHandler(SilentHandler);
    RegisterLinkMetaTypes();
    ApplyAppLook();
    QTemporaryDir objDir;
    QDir::setCurrent(objDir.path());
    CDeviceMgr::GetInstance();

    BenchTableFill();
    BenchCyclicRead(0, nSeconds);
    BenchCyclicRead(1, nSeconds);
    BenchSlavePage(400);
    CDeviceMgr::DestroyInstance();
    return 0;
}
