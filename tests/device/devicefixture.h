#ifndef DEVICEFIXTURE_H
#define DEVICEFIXTURE_H

// Shared pieces of the device tests: a point table covering every block,
// protocol type, byte and word order and gains, with value texts in the form
// the devices show them (so a value that crossed the wire compares equal);
// link parameter records; bounded waits.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QThread>
#include <functional>

#include "ccfgfilemgr.h"
#include "ccomparamgr.h"
#include "cfgdefine.h"
#include "commonfunc.h"
#include "linkdefine.h"

struct TEST_POINT_S
{
    DEVICE_DATA_CFG_S objCfg;
    QString strValue; // as shown
};

inline DEVICE_DATA_CFG_S MakePoint(quint16 nBlock, quint16 nAddr, quint16 nSize, quint16 nPrtc, quint16 nShow,
                                   quint16 nByteOder = 0, quint16 nWordOder = 0, double fGain = 1.0)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.nPrtcType = nPrtc;
    objCfg.nShowType = nShow;
    objCfg.nByteOder = nByteOder;
    objCfg.nWordOder = nWordOder;
    objCfg.fGain = fGain;
    objCfg.nTimeOut = 1000;
    objCfg.strName = QStringLiteral("b%1a%2").arg(nBlock).arg(nAddr);
    return objCfg;
}

// A plain point: a bit, or an unsigned register shown in decimal.
inline DEVICE_DATA_CFG_S Point(quint32 nID, quint16 nBlock, quint16 nAddr, quint16 nSize = 1)
{
    DEVICE_DATA_CFG_S objCfg;
    objCfg.nID = nID;
    objCfg.nBlock = nBlock;
    objCfg.nAddr = nAddr;
    objCfg.nSize = nSize;
    objCfg.strName = QStringLiteral("P%1").arg(nID);
    if (nBlock == BLOCK_COIL || nBlock == BLOCK_DISCRETE_INPUT) {
        objCfg.nPrtcType = PRTC_TYPE_BIT;
        objCfg.nShowType = SHOW_TYPE_BIT;
    } else {
        objCfg.nPrtcType = PRTC_TYPE_UINT;
        objCfg.nShowType = SHOW_TYPE_INT_DEC;
    }
    return objCfg;
}

// IDs are 1, 2, 3 ... in this order once the list is stored.
inline QList<TEST_POINT_S> AllKindsPoints()
{
    QList<TEST_POINT_S> objOut;
    auto fnAdd = [&objOut](const DEVICE_DATA_CFG_S &objCfg, const char *pValue) {
        objOut.append({objCfg, QString::fromUtf8(pValue)});
    };
    for (quint16 i = 0; i < 5; ++i)
        fnAdd(MakePoint(BLOCK_COIL, i, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT), (i % 3 == 1) ? "0" : "1");
    // A hole of 3 bits between 4 and 8.
    fnAdd(MakePoint(BLOCK_COIL, 8, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT), "1");
    for (quint16 i = 0; i < 3; ++i)
        fnAdd(MakePoint(BLOCK_DISCRETE_INPUT, i, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT), i == 0 ? "0" : "1");
    fnAdd(MakePoint(BLOCK_DISCRETE_INPUT, 12, 1, PRTC_TYPE_BIT, SHOW_TYPE_BIT), "1");

    fnAdd(MakePoint(BLOCK_HOLDING_REG, 0, 1, PRTC_TYPE_INT, SHOW_TYPE_INT_DEC), "-123");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 1, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_HEX, 1), "0XBEEF");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 2, 2, PRTC_TYPE_INT, SHOW_TYPE_INT_DEC, 1, 0), "-100000");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 4, 2, PRTC_TYPE_UINT, SHOW_TYPE_FLOAT, 0, 1, 0.01), "1234.56");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 6, 2, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, 1, 1), "3.250000");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 8, 4, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT), "-2.500000");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 12, 4, PRTC_TYPE_INT, SHOW_TYPE_INT_DEC, 1, 1), "-9000000000");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 16, 4, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 0, 1), "1311768467463790320");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 20, 2, PRTC_TYPE_BYTES, SHOW_TYPE_BYTES), "01 02 0A 0B ");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 22, 2, PRTC_TYPE_BYTES, SHOW_TYPE_STRING), "AB");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 24, 2, PRTC_TYPE_UINT, SHOW_TYPE_TIME), "2024-01-02 03:04:05");
    // Holes of 1 and 4 registers.
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 27, 1, PRTC_TYPE_UINT, SHOW_TYPE_FLOAT, 0, 0, 0.1), "12.3");
    fnAdd(MakePoint(BLOCK_HOLDING_REG, 32, 1, PRTC_TYPE_INT, SHOW_TYPE_INT_HEX), "0X1234");

    fnAdd(MakePoint(BLOCK_INPUT_REG, 0, 1, PRTC_TYPE_INT, SHOW_TYPE_FLOAT, 0, 0, 0.5), "-1.5");
    fnAdd(MakePoint(BLOCK_INPUT_REG, 1, 2, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 1, 1), "305419896");
    fnAdd(MakePoint(BLOCK_INPUT_REG, 3, 2, PRTC_TYPE_FLOAT, SHOW_TYPE_FLOAT, 0, 1), "1.500000");
    fnAdd(MakePoint(BLOCK_INPUT_REG, 7, 1, PRTC_TYPE_UINT, SHOW_TYPE_INT_DEC, 1), "65535");
    return objOut;
}

inline QList<DEVICE_DATA_CFG_S> CfgsOf(const QList<TEST_POINT_S> &objPoints)
{
    QList<DEVICE_DATA_CFG_S> objOut;
    for (const TEST_POINT_S &stPoint : objPoints)
        objOut.append(stPoint.objCfg);
    return objOut;
}

inline QList<quint32> IdsUpTo(int nCount)
{
    QList<quint32> objOut;
    for (int i = 1; i <= nCount; ++i)
        objOut.append(static_cast<quint32>(i));
    return objOut;
}

// A serial record for a pty path: RTU 8N1.
inline void AddComRecord(const QString &strPath, quint16 nTransMode = TRANS_MODE_RTU)
{
    COM_PARA_DATA_S stPara;
    stPara.nPresent = 1;
    stPara.strPortName = strPath;
    stPara.nTransMode = nTransMode;
    stPara.nBaudRate = 115200;
    CComParaMgr::GetComParaList().append(stPara);
}

// Runs the event loop until fnDone holds or nTimeoutMs passed.
inline bool WaitFor(const std::function<bool()> &fnDone, int nTimeoutMs)
{
    QElapsedTimer objTimer;
    objTimer.start();
    while (!fnDone()) {
        if (objTimer.elapsed() > nTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

// Runs the event loop for a while.
inline void Spin(int nMs)
{
    WaitFor([] { return false; }, nMs);
}

#endif // DEVICEFIXTURE_H
