#ifndef DEVICEDEFINE_H
#define DEVICEDEFINE_H

// Records and tables shared by every kind of device and by the views that
// drive them: the device-type table, the function-code table and the value
// records a write request is made of.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

// One value to write: data-point id and value text.
struct LOCAL_DATA_MAP_S
{
    quint32 nDataID = 0;
    QString strValue;
};

// One row of the device-type table.
struct DEVICE_TYPE_INFO_S
{
    quint16 nDeviceType; // DEVICE_TYPE_MASTER, DEVICE_TYPE_SLAVE
    quint16 nWorkMode;   // link work mode passed to the link manager
    const char *pLabel;  // UTF-8
};

// One row of the function-code table.
struct FUNC_CODE_INFO_S
{
    quint8 nFuncCode;
    quint16 nBlock;   // BLOCK_*
    quint16 nIsWrite; // 1 for the write codes
    quint16 nMaxNum;  // largest quantity of one request
};

extern const DEVICE_TYPE_INFO_S DEVICE_TYPE_TABLE[];
extern const quint16 DEVICE_TYPE_TABLE_SIZE; // 2
extern const FUNC_CODE_INFO_S FUNC_CODE_TABLE[];
extern const quint16 FUNC_CODE_TABLE_SIZE;   // 8

// Device-type lookups (linear).
quint16 GetDeviceWorkMode(quint16 nDeviceType);            // 0xF000 for an unknown type
quint16 GetDeviceTypeIndex(quint16 nDeviceType);           // 0xFFFF when absent
quint16 GetDeviceTypeOfIndex(quint16 nIndex);              // 0xFFFF for a row past the table
QString GetDeviceTypeLabel(quint16 nDeviceType);           // empty when absent
QList<quint16> GetDeviceTypeIndexesOfWorkMode(quint16 nWorkMode);
const DEVICE_TYPE_INFO_S *GetDeviceTypeInfoTable(quint16 &nCount);

// Function-code lookups (linear).
quint16 GetFuncCodeBlock(quint8 nFuncCode);     // 0xFFFF for a code not in the table
quint16 GetFuncCodeWriteFlag(quint8 nFuncCode); // 0xFFFF when absent
quint16 GetFuncCodeMaxNum(quint8 nFuncCode);    // 0 when absent
quint8 GetReadFuncCode(quint16 nBlock);         // 0 for a block without read code
quint32 GetBitByteCount(quint32 nBits);         // (n + 7) / 8

Q_DECLARE_METATYPE(LOCAL_DATA_MAP_S)

#endif // DEVICEDEFINE_H
