// Devices:
//   - planning: MakeReadRqst of a master for 10,000 holding-register points
//     with PackWay 1 (time per plan, requests produced);
//   - a slave device with 1,000 points on a TCP server link polled by a
//     libmodbus client with reads of 125 registers: median and p99 response
//     time, reads per second; once with fixed values and once with 50
//     simulated points per read; plus the device's own work per request
//     (ProcRecvData of one read, values asked from the table and the reply
//     queued), measured on the main thread.
//   build/bench/bench_devices [reads per figure, default 1000]

#include <QCoreApplication>
#include <QHash>
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
#include "cdevicemaster.h"
#include "cdeviceslave.h"
#include "cnetparamgr.h"
#include "common/valuetable.h"
#include "commonfunc.h"
#include "freeport.h"
#include "simuldata.h"

namespace {

using Clock = std::chrono::steady_clock;

void SilentHandler(QtMsgType, const QMessageLogContext &, const QString &)
{
}

double Ms(Clock::time_point tFrom, Clock::time_point tTo)
{
    return std::chrono::duration<double, std::milli>(tTo - tFrom).count();
}

double Percentile(std::vector<double> objValues, double fQuantile)
{
    if (objValues.empty())
        return 0.0;
    std::sort(objValues.begin(), objValues.end());
    const size_t nIndex = std::min(objValues.size() - 1, static_cast<size_t>(fQuantile * objValues.size()));
    return objValues[nIndex];
}

void PumpEvents(int nMs)
{
    const Clock::time_point tEnd = Clock::now() + std::chrono::milliseconds(nMs);
    while (Clock::now() < tEnd)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// ---------------------------------------------------------------- planning

void BenchPlanning()
{
    CCfgFileMgr *pCfg = CCfgFileMgr::GetInstance();
    NET_PARA_DATA_S stPara;
    stPara.strNetName = QStringLiteral("NET_PLAN");
    stPara.nLinkMode = LINK_MODE_TCP_CLIENT;
    stPara.nPortID = static_cast<quint16>(PickFreePort()); // nobody listens: the link only numbers requests
    CNetParaMgr::SetNetPara(stPara);
    CDeviceMaster objMaster(QStringLiteral("M-plan"), stPara.strNetName, 1);
    DEVICE_COMMON_ATTR_S objAttr = objMaster.GetPara();
    objAttr.nPackWay = 1;
    objAttr.nRegGap = 5;
    objMaster.SetPara(objAttr);

    // Sizes 1, 2 and 4 with holes of 0 to 7 registers, listed in a shuffled order.
    QList<DEVICE_DATA_CFG_S> objPoints;
    quint32 nAddr = 0;
    quint32 nSeed = 12345;
    for (int i = 0; i < 10000; ++i) {
        nSeed = nSeed * 1103515245u + 12345u;
        DEVICE_DATA_CFG_S objCfg;
        objCfg.nBlock = BLOCK_HOLDING_REG;
        objCfg.nSize = static_cast<quint16>(1u << ((nSeed >> 16) % 3));
        objCfg.nPrtcType = PRTC_TYPE_UINT;
        objCfg.nShowType = SHOW_TYPE_INT_DEC;
        objCfg.nAddr = static_cast<quint16>(nAddr % 65000);
        objCfg.strName = QStringLiteral("p%1").arg(i);
        nAddr += objCfg.nSize + ((nSeed >> 20) % 8);
        objPoints.append(objCfg);
    }
    std::vector<int> objOrder(objPoints.size());
    for (int i = 0; i < objPoints.size(); ++i)
        objOrder[i] = i;
    for (int i = objPoints.size() - 1; i > 0; --i) {
        nSeed = nSeed * 1103515245u + 12345u;
        std::swap(objOrder[i], objOrder[(nSeed >> 8) % (i + 1)]);
    }
    QList<DEVICE_DATA_CFG_S> objShuffled;
    for (int nIndex : objOrder)
        objShuffled.append(objPoints.at(nIndex));
    pCfg->ReplaceDeviceDataCfgList(objMaster.GetName(), objShuffled);
    QList<unsigned int> objIDs;
    for (int i = 1; i <= objShuffled.size(); ++i)
        objIDs.append(static_cast<unsigned int>(i));

    std::vector<double> objTimes;
    int nRequests = 0;
    for (int nRun = 0; nRun < 30; ++nRun) {
        QList<MASTER_RQST_S> objPlan;
        const Clock::time_point tStart = Clock::now();
        objMaster.MakeReadRqst(objIDs, objPlan);
        objTimes.push_back(Ms(tStart, Clock::now()));
        nRequests = objPlan.size();
    }
    std::printf("plan  MakeReadRqst 10000 register points PackWay 1 RegGap 5: median %.2f ms, p99 %.2f ms per plan, "
                "%d requests\n",
                Percentile(objTimes, 0.5), Percentile(objTimes, 0.99), nRequests);
}

// ---------------------------------------------------------------- slave

struct POLL_RESULT_S
{
    std::vector<double> objTimes;
    int nFailed = 0;
    double fTotalMs = 0.0;
};

void PollSlave(int nPort, int nReads, POLL_RESULT_S &stResult, std::atomic<bool> &bDone)
{
    modbus_t *pCtx = modbus_new_tcp("127.0.0.1", nPort);
    modbus_set_response_timeout(pCtx, 2, 0);
    modbus_set_slave(pCtx, 1);
    for (int nTry = 0; nTry < 100 && modbus_connect(pCtx) != 0; ++nTry)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    uint16_t objRegs[125];
    const Clock::time_point tAll = Clock::now();
    for (int i = 0; i < nReads; ++i) {
        const int nStart = (i % 8) * 125;
        const Clock::time_point tStart = Clock::now();
        if (modbus_read_registers(pCtx, nStart, 125, objRegs) != 125)
            ++stResult.nFailed;
        else
            stResult.objTimes.push_back(Ms(tStart, Clock::now()));
    }
    stResult.fTotalMs = Ms(tAll, Clock::now());
    modbus_close(pCtx);
    modbus_free(pCtx);
    bDone = true;
}

void BenchSlave(const QString &strLabel, int nReads, bool bSimulated)
{
    const int nPort = PickFreePort();
    const QString strLink = bSimulated ? QStringLiteral("NET_BENCH_SIM") : QStringLiteral("NET_BENCH_FIX");
    NET_PARA_DATA_S stPara;
    stPara.strNetName = strLink;
    stPara.nLinkMode = LINK_MODE_TCP_SERVER;
    stPara.nTransMode = TRANS_MODE_TCP_SYNC;
    stPara.nPortID = static_cast<quint16>(nPort);
    CNetParaMgr::SetNetPara(stPara);

    const QString strName = QStringLiteral("S-") + strLink;
    QList<DEVICE_DATA_CFG_S> objPoints;
    for (quint16 i = 0; i < 1000; ++i) {
        DEVICE_DATA_CFG_S objCfg;
        objCfg.nBlock = BLOCK_HOLDING_REG;
        objCfg.nAddr = i;
        objCfg.nSize = 1;
        objCfg.nPrtcType = PRTC_TYPE_INT;
        objCfg.nShowType = SHOW_TYPE_FLOAT;
        objCfg.fGain = 0.1;
        objCfg.strName = QStringLiteral("r%1").arg(i);
        objPoints.append(objCfg);
    }
    CCfgFileMgr::GetInstance()->ReplaceDeviceDataCfgList(strName, objPoints);
    // Simulated points: the first 50 of every 125, a sine (the configuration
    // keeps the simulated settings of points it already had, so they are set after).
    QHash<quint32, DEVICE_DATA_CFG_S> objByID;
    for (DEVICE_DATA_CFG_S &objCfg : CCfgFileMgr::GetInstance()->GetDeviceDataCfgList(strName)) {
        if (bSimulated && objCfg.nAddr % 125 < 50) {
            objCfg.objValueCfg.nStategy = 3;
            objCfg.objValueCfg.strCoefA = QStringLiteral("100");
            objCfg.objValueCfg.strCoefB = QStringLiteral("1");
            objCfg.objValueCfg.strCoefC = QStringLiteral("50");
            objCfg.objValueCfg.nTimeBngrWay = SIMUL_TIME_DEVICE_LAUNCH;
        }
        objByID.insert(objCfg.nID, objCfg);
    }

    CDeviceSlave objSlave(strName, strLink, 1);
    CValueTable objTable;
    objTable.Attach(&objSlave);
    for (const DEVICE_DATA_CFG_S &objCfg : objByID)
        objTable.Set(objCfg.nID, QString::number((objCfg.nAddr % 300) * 0.1, 'f', 1));
    if (bSimulated) {
        objTable.SetProvider([&](const QString &strDevice, quint32 nID, bool &bHandled) {
            const auto it = objByID.constFind(nID);
            if (it == objByID.constEnd() || it->objValueCfg.nStategy == 0)
                return QString();
            bHandled = true;
            return MakeSimulValueOfDevice(&objSlave, strDevice, *it);
        });
    }
    PumpEvents(200);

    POLL_RESULT_S stResult;
    std::atomic<bool> bDone{false};
    std::thread objClient(PollSlave, nPort, nReads, std::ref(stResult), std::ref(bDone));
    while (!bDone)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    objClient.join();
    PumpEvents(100);

    // The device's own work for one read of 125 registers, after the client
    // left: values asked from the table, the reply built and queued.
    LINK_RECV_DATA_S stRqst;
    stRqst.nAddr = 1;
    stRqst.nFuncCode = 0x03;
    stRqst.enType = LINK_RECV_OK;
    stRqst.objData = QByteArray::fromHex("0000007D");
    std::vector<double> objWork;
    for (int i = 0; i < 2000; ++i) {
        stRqst.objData[1] = static_cast<char>(((i % 8) * 125) & 0xFF);
        stRqst.objData[0] = static_cast<char>(((i % 8) * 125) >> 8);
        const Clock::time_point tStart = Clock::now();
        objSlave.ProcRecvData(strLink, stRqst);
        objWork.push_back(Ms(tStart, Clock::now()) * 1000.0);
    }

    std::printf("%s  device work per 125-register read: median %.1f us, p99 %.1f us\n", qPrintable(strLabel),
                Percentile(objWork, 0.5), Percentile(objWork, 0.99));
    std::printf("%s  %d reads of 125 registers by a libmodbus client over TCP: median %.2f ms, p99 %.2f ms, "
                "%.1f reads/s, %d failed\n",
                qPrintable(strLabel), nReads, Percentile(stResult.objTimes, 0.5), Percentile(stResult.objTimes, 0.99),
                stResult.fTotalMs > 0 ? nReads * 1000.0 / stResult.fTotalMs : 0.0, stResult.nFailed);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication objApp(argc, argv);
    qInstallMessageHandler(SilentHandler);
    RegisterLinkMetaTypes();
    const int nReads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    BenchPlanning();
    BenchSlave(QStringLiteral("slave fixed    "), nReads, false);
    BenchSlave(QStringLiteral("slave simulated"), nReads, true);
    return 0;
}
