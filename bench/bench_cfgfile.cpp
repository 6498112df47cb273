// Times the project file of a big plant: 200 devices with 500 points each,
// every point with simulated settings. Prints the figures; asserts nothing.
//   bench_cfgfile [devices] [points]

#include "ccfgfilemgr.h"
#include "commonfunc.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

void Fill(CCfgFileMgr *pMgr, int nDevices, int nPoints)
{
    for (int c = 0; c < 4; ++c) {
        COM_PARA_DATA_S objCom;
        objCom.strPortName = QStringLiteral("/dev/ttyS%1").arg(c);
        pMgr->GetComParaList().append(objCom);
    }
    for (int n = 0; n < 8; ++n) {
        NET_PARA_DATA_S objNet;
        objNet.strNetName = QStringLiteral("NET%1").arg(n);
        objNet.nPortID = quint16(1502 + n);
        pMgr->GetNetParaList().append(objNet);
    }
    for (int d = 0; d < nDevices; ++d) {
        const QString strName = QStringLiteral("Device_%1").arg(d, 3, 10, QLatin1Char('0'));
        DEVICE_COMMON_ATTR_S objAttr;
        objAttr.strPortName = QStringLiteral("NET%1").arg(d % 8);
        objAttr.nDeviceType = quint16(d % 2 ? DEVICE_TYPE_SLAVE : DEVICE_TYPE_MASTER);
        objAttr.nAddr = quint16(d % 247 + 1);
        pMgr->AddDeviceAttrCfg(strName, objAttr);
        QList<DEVICE_DATA_CFG_S> objNew;
        objNew.reserve(nPoints);
        for (int p = 0; p < nPoints; ++p) {
            DEVICE_DATA_CFG_S objCfg;
            objCfg.nID = quint32(p + 1);
            objCfg.nAddr = quint16(p * 2);
            objCfg.nSize = 2;
            objCfg.nBlock = BLOCK_HOLDING_REG;
            objCfg.nPrtcType = PRTC_TYPE_FLOAT;
            objCfg.fGain = 0.1;
            objCfg.strName = QStringLiteral("温度测点_%1").arg(p);
            objCfg.strUnit = QStringLiteral("℃");
            objCfg.strRange = QStringLiteral("0-100");
            objCfg.nIntervalTime = 100;
            DATA_VALUE_CFG_S &objV = objCfg.objValueCfg;
            objV.nStategy = quint16(p % 5);
            objV.strCoefA = QString::number(p);
            objV.strCoefB = QStringLiteral("1.5");
            objV.strCoefC = QStringLiteral("2");
            objV.fResetStep = 0.25;
            objV.fMaxRadom = 0.3;
            objV.fMinRadom = -0.3;
            objV.fMaxValue = 100.0;
            objV.fMinValue = -20.0;
            objNew.append(objCfg);
        }
        // The table's write-back resets simulated settings of new IDs: set them after.
        pMgr->ReplaceDeviceDataCfgList(strName, objNew);
        QList<DEVICE_DATA_CFG_S> &objStored = pMgr->GetDeviceDataCfgList(strName);
        for (int p = 0; p < objStored.size(); ++p)
            objStored[p].objValueCfg = objNew.at(p).objValueCfg;
    }
}

double Ms(const QElapsedTimer &objTimer)
{
    return double(objTimer.nsecsElapsed()) / 1e6;
}

long PeakRssKiB()
{
    struct rusage objUsage = {};
    getrusage(RUSAGE_SELF, &objUsage);
    return objUsage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication objApp(argc, argv);
    const int nDevices = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const int nPoints = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 500;

    QTemporaryDir objDir;
    QDir::setCurrent(objDir.path());
    const QString strPath = objDir.filePath(QStringLiteral("plant.kestrix"));

    CCfgFileMgr *pMgr = CCfgFileMgr::GetInstance();
    Fill(pMgr, nDevices, nPoints);
    std::printf("project: %d devices x %d points = %d points\n", nDevices, nPoints, nDevices * nPoints);
    std::printf("peak RSS after building the store: %ld KiB\n", PeakRssKiB());

    QElapsedTimer objTimer;
    objTimer.start();
    const bool bSaved = pMgr->SaveCfg(strPath);
    std::printf("save:                         %8.1f ms (%s)\n", Ms(objTimer), bSaved ? "ok" : "FAILED");
    std::printf("file size:                    %8.1f MiB (%lld bytes)\n",
                double(QFileInfo(strPath).size()) / 1048576.0, QFileInfo(strPath).size());
    std::printf("peak RSS after save:          %ld KiB\n", PeakRssKiB());
    pMgr->SetCfgFilePath(strPath);

    objTimer.restart();
    const bool bChanged = pMgr->IsCfgChanged();
    std::printf("IsCfgChanged, unchanged:      %8.1f ms (%s)\n", Ms(objTimer), bChanged ? "changed" : "unchanged");

    const QString strLast = QStringLiteral("Device_%1").arg(nDevices - 1, 3, 10, QLatin1Char('0'));
    QList<DEVICE_DATA_CFG_S> &objLast = pMgr->GetDeviceDataCfgList(strLast);
    if (!objLast.isEmpty())
        objLast.last().objValueCfg.fMinValue = -21.0;
    objTimer.restart();
    const bool bChangedEnd = pMgr->IsCfgChanged();
    std::printf("IsCfgChanged, changed at end: %8.1f ms (%s)\n", Ms(objTimer),
                bChangedEnd ? "changed" : "unchanged");

    pMgr->ClearCfg();
    objTimer.restart();
    const QString strResult = pMgr->ImportCfgFile(strPath);
    std::printf("import:                       %8.1f ms (%s)\n", Ms(objTimer), qPrintable(strResult));
    int nRead = 0;
    for (auto it = pMgr->GetDeviceAttrMap().constBegin(); it != pMgr->GetDeviceAttrMap().constEnd(); ++it)
        nRead += pMgr->GetDeviceDataCfgList(it.key()).size();
    std::printf("points read back:             %d\n", nRead);
    std::printf("peak RSS at end:              %ld KiB\n", PeakRssKiB());
    return bSaved && !bChanged && bChangedEnd && nRead == nDevices * nPoints ? 0 : 1;
}
