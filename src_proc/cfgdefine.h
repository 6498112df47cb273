#ifndef CFGDEFINE_H
#define CFGDEFINE_H

// Configuration records of devices and data points. The enumeration values and
// their display texts live in commonfunc.h.

#include <QString>
#include <QtGlobal>

// Simulated-value settings of one data point. The defaults are those a new
// point gets; a project file that leaves out single attributes has its own
// defaults (refresh interval 1 there).
struct DATA_VALUE_CFG_S
{
    quint16 nStategy = 0;     // 0 fixed, 1 line, 2 parabola, 3 sine, 4 square wave
    QString strCoefA = QStringLiteral("0");
    QString strCoefB = QStringLiteral("0");
    QString strCoefC = QStringLiteral("0");
    QString strCoefD = QStringLiteral("0");
    QString strCoefE = QStringLiteral("0");
    quint32 nXInvl = 10;      // refresh interval, s
    quint16 nTimeBngrWay = 0; // 0 program start, 1 device launch, 2 local midnight
    double fResetStep = 0.0;  // h
    double fMaxRadom = 0.0;
    double fMinRadom = 0.0;
    double fMaxValue = 0.0;
    double fMinValue = 0.0;

    bool operator==(const DATA_VALUE_CFG_S &o) const
    {
        return nStategy == o.nStategy && strCoefA == o.strCoefA && strCoefB == o.strCoefB
            && strCoefC == o.strCoefC && strCoefD == o.strCoefD && strCoefE == o.strCoefE
            && nXInvl == o.nXInvl && nTimeBngrWay == o.nTimeBngrWay && fResetStep == o.fResetStep
            && fMaxRadom == o.fMaxRadom && fMinRadom == o.fMinRadom && fMaxValue == o.fMaxValue
            && fMinValue == o.fMinValue;
    }
    bool operator!=(const DATA_VALUE_CFG_S &o) const { return !(*this == o); }
};

// One data point of a device.
struct DEVICE_DATA_CFG_S
{
    quint32 nID = 0;          // unique within the device; not stored in the project file
    quint16 nAddr = 0;        // 0-based address within the block
    quint16 nSize = 1;        // 16-bit registers; the point has 2 * nSize bytes
    quint16 nShowType = 0;    // SHOW_TYPE_*
    quint16 nPrtcType = 0;    // PRTC_TYPE_*
    quint16 nBlock = 0;       // BLOCK_*
    quint16 nByteOder = 0;    // BYTE_ODER_*
    quint16 nWordOder = 0;    // BYTE_ODER_*
    quint16 nIsShow = 1;
    quint16 nIsBRead = 1;
    quint16 nIsBWrite = 0;
    double fGain = 1.0;
    quint32 nIntervalTime = 0;
    quint16 nResendCount = 0;
    quint32 nTimeOut = 2000;
    quint16 nCurveShow = 0;
    DATA_VALUE_CFG_S objValueCfg;
    QString strName;
    QString strUnit;
    QString strRange;

    bool operator==(const DEVICE_DATA_CFG_S &o) const
    {
        return nID == o.nID && nAddr == o.nAddr && nSize == o.nSize && nShowType == o.nShowType
            && nPrtcType == o.nPrtcType && nBlock == o.nBlock && nByteOder == o.nByteOder
            && nWordOder == o.nWordOder && nIsShow == o.nIsShow && nIsBRead == o.nIsBRead
            && nIsBWrite == o.nIsBWrite && fGain == o.fGain && nIntervalTime == o.nIntervalTime
            && nResendCount == o.nResendCount && nTimeOut == o.nTimeOut && nCurveShow == o.nCurveShow
            && objValueCfg == o.objValueCfg && strName == o.strName && strUnit == o.strUnit
            && strRange == o.strRange;
    }
    bool operator!=(const DEVICE_DATA_CFG_S &o) const { return !(*this == o); }
};

// Attributes shared by all points of a device; the device name is the store's key.
struct DEVICE_COMMON_ATTR_S
{
    QString strPortName;
    quint16 nDeviceType = 0;  // DEVICE_TYPE_MASTER or DEVICE_TYPE_SLAVE
    quint16 nAddr = 0;
    quint16 nForwardZero = 0;
    qint16 nAddrOffset = 0;   // added to every data address on the wire
    quint16 nPackWay = 0;
    quint16 nBitGap = 0;
    quint16 nRegGap = 0;
    quint16 nOneReg10 = 0;
    quint16 nOneCoil0F = 0;
    quint16 nBCast1 = 0;
    quint16 nBCast2 = 0;
    quint16 nIsBCDevice = 0;

    bool operator==(const DEVICE_COMMON_ATTR_S &o) const
    {
        return strPortName == o.strPortName && nDeviceType == o.nDeviceType && nAddr == o.nAddr
            && nForwardZero == o.nForwardZero && nAddrOffset == o.nAddrOffset && nPackWay == o.nPackWay
            && nBitGap == o.nBitGap && nRegGap == o.nRegGap && nOneReg10 == o.nOneReg10
            && nOneCoil0F == o.nOneCoil0F && nBCast1 == o.nBCast1 && nBCast2 == o.nBCast2
            && nIsBCDevice == o.nIsBCDevice;
    }
    bool operator!=(const DEVICE_COMMON_ATTR_S &o) const { return !(*this == o); }
};

// Description attached to an exported device template.
struct DEVICE_CFG_TP_ACI_S
{
    QString strFactory;
    QString strDeviceName;
    QString strDeviceModel;
    QString strCfgVersion;
    QString strRemarks;
};

#endif // CFGDEFINE_H
