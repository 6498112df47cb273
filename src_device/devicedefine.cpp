#include "devicedefine.h"

#include "commonfunc.h"
#include "linkdefine.h"

const DEVICE_TYPE_INFO_S DEVICE_TYPE_TABLE[] = {
    {DEVICE_TYPE_MASTER, WORK_MODE_MASTER, "主机"},
    {DEVICE_TYPE_SLAVE, WORK_MODE_SLAVE, "从机"},
};
const quint16 DEVICE_TYPE_TABLE_SIZE = sizeof(DEVICE_TYPE_TABLE) / sizeof(DEVICE_TYPE_TABLE[0]);

const FUNC_CODE_INFO_S FUNC_CODE_TABLE[] = {
    {0x01, BLOCK_COIL, 0, 2000},
    {0x02, BLOCK_DISCRETE_INPUT, 0, 2000},
    {0x03, BLOCK_HOLDING_REG, 0, 125},
    {0x04, BLOCK_INPUT_REG, 0, 125},
    {0x05, BLOCK_COIL, 1, 1},
    {0x06, BLOCK_HOLDING_REG, 1, 1},
    {0x0F, BLOCK_COIL, 1, 1968},
    {0x10, BLOCK_HOLDING_REG, 1, 123},
};
const quint16 FUNC_CODE_TABLE_SIZE = sizeof(FUNC_CODE_TABLE) / sizeof(FUNC_CODE_TABLE[0]);

namespace {

const DEVICE_TYPE_INFO_S *FindDeviceType(quint16 nDeviceType)
{
    for (quint16 i = 0; i < DEVICE_TYPE_TABLE_SIZE; ++i) {
        if (DEVICE_TYPE_TABLE[i].nDeviceType == nDeviceType)
            return &DEVICE_TYPE_TABLE[i];
    }
    return nullptr;
}

const FUNC_CODE_INFO_S *FindFuncCode(quint8 nFuncCode)
{
    for (quint16 i = 0; i < FUNC_CODE_TABLE_SIZE; ++i) {
        if (FUNC_CODE_TABLE[i].nFuncCode == nFuncCode)
            return &FUNC_CODE_TABLE[i];
    }
    return nullptr;
}

} // namespace

quint16 GetDeviceWorkMode(quint16 nDeviceType)
{
    const DEVICE_TYPE_INFO_S *pRow = FindDeviceType(nDeviceType);
    return pRow ? pRow->nWorkMode : 0xF000;
}

quint16 GetDeviceTypeIndex(quint16 nDeviceType)
{
    for (quint16 i = 0; i < DEVICE_TYPE_TABLE_SIZE; ++i) {
        if (DEVICE_TYPE_TABLE[i].nDeviceType == nDeviceType)
            return i;
    }
    return 0xFFFF;
}

quint16 GetDeviceTypeOfIndex(quint16 nIndex)
{
    return nIndex < DEVICE_TYPE_TABLE_SIZE ? DEVICE_TYPE_TABLE[nIndex].nDeviceType : 0xFFFF;
}

QString GetDeviceTypeLabel(quint16 nDeviceType)
{
    const DEVICE_TYPE_INFO_S *pRow = FindDeviceType(nDeviceType);
    return pRow ? QString::fromUtf8(pRow->pLabel) : QString();
}

QList<quint16> GetDeviceTypeIndexesOfWorkMode(quint16 nWorkMode)
{
    QList<quint16> objOut;
    for (quint16 i = 0; i < DEVICE_TYPE_TABLE_SIZE; ++i) {
        if (DEVICE_TYPE_TABLE[i].nWorkMode == nWorkMode)
            objOut.append(i);
    }
    return objOut;
}

const DEVICE_TYPE_INFO_S *GetDeviceTypeInfoTable(quint16 &nCount)
{
    nCount = DEVICE_TYPE_TABLE_SIZE;
    return DEVICE_TYPE_TABLE;
}

quint16 GetFuncCodeBlock(quint8 nFuncCode)
{
    const FUNC_CODE_INFO_S *pRow = FindFuncCode(nFuncCode);
    return pRow ? pRow->nBlock : 0xFFFF;
}

quint16 GetFuncCodeWriteFlag(quint8 nFuncCode)
{
    const FUNC_CODE_INFO_S *pRow = FindFuncCode(nFuncCode);
    return pRow ? pRow->nIsWrite : 0xFFFF;
}

quint16 GetFuncCodeMaxNum(quint8 nFuncCode)
{
    const FUNC_CODE_INFO_S *pRow = FindFuncCode(nFuncCode);
    return pRow ? pRow->nMaxNum : 0;
}

quint8 GetReadFuncCode(quint16 nBlock)
{
    for (quint16 i = 0; i < FUNC_CODE_TABLE_SIZE; ++i) {
        if (FUNC_CODE_TABLE[i].nBlock == nBlock && FUNC_CODE_TABLE[i].nIsWrite == 0)
            return FUNC_CODE_TABLE[i].nFuncCode;
    }
    return 0;
}

quint32 GetBitByteCount(quint32 nBits)
{
    return (quint64(nBits) + 7) / 8;
}
