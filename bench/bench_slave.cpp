// A slave device with 1,000 holding registers on a TCP server link, polled by
// a libmodbus client: 1,000 reads of 125 registers, then the same with 50
// simulated points in every read. Prints the client's response times, reads
// per second, and the device's own work per request.
//   build/bench/bench_slave [reads, default 1000]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <modbus/modbus.h>

#include "ccfgfilemgr.h"
#include "cdeviceslave.h"
#include "cnetparamgr.h"
#include "commonfunc.h"
#include "freeport.h"
#include "simuldata.h"
#include "valuetable.h"

namespace {

using Clock = std::chrono::steady_clock;

void SilentHandler(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// Times the device's handling of each request, from record to queued reply.
class CTimedSlave : public CDeviceSlave
{
public:
    using CDeviceSlave::CDeviceSlave;
    bool ProcRecvData(const QString &strPortName, const LINK_RECV_DATA_S &stData) override
    {
        const Clock::time_point objStart = Clock::now();
        const bool bDone = CDeviceSlave::ProcRecvData(strPortName, stData);
        m_objWorkUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - objStart).count());
        return bDone;
    }
    std::vector<double> m_objWorkUs;
};

double Percentile(std::vector<double> objValues, double fRank)
{
    if (objValues.empty())
        return 0;
    std::sort(objValues.begin(), objValues.end());
    const size_t nIndex = std::min(objValues.size() - 1, size_t(fRank * double(objValues.size() - 1) + 0.5));
    return objValues[nIndex];
}

// Runs the blocking client while this thread serves the device.
void RunClient(const std::function<void()> &fnCall)
{
    std::atomic<bool> bDone{false};
    std::thread objThread([&] {
        fnCall();
        bDone.store(true);
    });
    QEventLoop objLoop;
    QTimer objPoll;
    QObject::connect(&objPoll, &QTimer::timeout, [&] {
        if (bDone.load())
            objLoop.quit();
    });
    objPoll.start(5);
    objLoop.exec();
    objThread.join();
}

bool RunOnce(int nReads, int nSimulPerRead, const char *pTitle)
{
    CCfgFileMgr::GetInstance()->ClearCfg();
    static int s_nLink = 0;
    NET_PARA_DATA_S stPara;
    stPara.strNetName = QStringLiteral("NET-BENCH-%1").arg(++s_nLink);
    stPara.nLinkMode = LINK_MODE_TCP_SERVER;
    stPara.nTransMode = TRANS_MODE_TCP_SYNC;
    stPara.nPortID = quint16(PickFreePort());
    CNetParaMgr::SetNetPara(stPara);

    CTimedSlave objDevice("", stPara.strNetName, 1);
    QList<DEVICE_DATA_CFG_S> objPoints;
    for (int i = 0; i < 1000; ++i) {
        DEVICE_DATA_CFG_S objCfg;
        objCfg.nID = quint32(i + 1);
        objCfg.nBlock = BLOCK_HOLDING_REG;
        objCfg.nAddr = quint16(i);
        objCfg.nPrtcType = PRTC_TYPE_UINT;
        objCfg.nShowType = SHOW_TYPE_INT_DEC;
        objCfg.strName = QStringLiteral("R%1").arg(i);
        if (i % 125 < nSimulPerRead) {
            objCfg.objValueCfg.nStategy = 3; // sine with noise and limits
            objCfg.objValueCfg.strCoefA = "100";
            objCfg.objValueCfg.strCoefB = "1";
            objCfg.objValueCfg.strCoefC = "200";
            objCfg.objValueCfg.fMaxRadom = 5;
            objCfg.objValueCfg.fMaxValue = 280;
            objCfg.objValueCfg.nXInvl = 1;
        }
        objPoints.append(objCfg);
    }
    CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(objDevice.GetName(), {});
    CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(objDevice.GetName()) = objPoints;

    CValueTable objTable;
    objTable.Attach(&objDevice);
    for (int i = 0; i < 1000; ++i)
        objTable.Set(quint32(i + 1), QString::number(i));
    objTable.SetProvider([&](const QString &strDevice, quint32 nID, bool &bHandled) {
        const DEVICE_DATA_CFG_S &objCfg = objPoints.at(int(nID) - 1);
        if (objCfg.objValueCfg.nStategy == 0)
            return QString();
        bHandled = true;
        return MakeSimulValueOfDevice(&objDevice, strDevice, objCfg);
    });

    QElapsedTimer objWait;
    objWait.start();
    while (objDevice.GetState() != 1 && objWait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (objDevice.GetState() != 1) {
        std::printf("%s: link did not open\n", pTitle);
        return false;
    }

    std::vector<double> objRspMs;
    int nFailed = 0;
    double fTotalS = 0;
    RunClient([&] {
        modbus_t *pCtx = modbus_new_tcp("127.0.0.1", stPara.nPortID);
        modbus_set_slave(pCtx, 1);
        modbus_set_response_timeout(pCtx, 2, 0);
        if (modbus_connect(pCtx) != 0) {
            nFailed = nReads;
            modbus_free(pCtx);
            return;
        }
        uint16_t aRegs[125];
        const Clock::time_point objStart = Clock::now();
        for (int i = 0; i < nReads; ++i) {
            const Clock::time_point objSent = Clock::now();
            if (modbus_read_registers(pCtx, (i % 8) * 125, 125, aRegs) != 125)
                ++nFailed;
            else
                objRspMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - objSent).count());
        }
        fTotalS = std::chrono::duration<double>(Clock::now() - objStart).count();
        modbus_close(pCtx);
        modbus_free(pCtx);
    });

    std::printf("%s: %d reads of 125 registers, %d failed\n", pTitle, nReads, nFailed);
    std::printf("  response time: median %.2f ms, p99 %.2f ms; %.1f reads/s\n", Percentile(objRspMs, 0.5),
                Percentile(objRspMs, 0.99), fTotalS > 0 ? double(nReads - nFailed) / fTotalS : 0.0);
    std::printf("  device work per request: median %.1f us, p99 %.1f us, max %.1f us\n",
                Percentile(objDevice.m_objWorkUs, 0.5), Percentile(objDevice.m_objWorkUs, 0.99),
                Percentile(objDevice.m_objWorkUs, 1.0));
    return nFailed == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication objApp(argc, argv);
    qInstallMessageHandler(SilentHandler);
    RegisterLinkMetaTypes();
    SaveStartTime();
    const int nReads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const bool bPlain = RunOnce(nReads, 0, "values from the table");
    const bool bSimul = RunOnce(nReads, 50, "50 simulated points per read");
    return bPlain && bSimul ? 0 : 1;
}
