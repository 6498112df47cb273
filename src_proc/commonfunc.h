#ifndef COMMONFUNC_H
#define COMMONFUNC_H

// Shared helpers without widgets: display tables of the configuration
// enumerations, byte-order packing, hex text, build stamp, title and time.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// Data block (BLOCK); the value plus one is the block's Modbus read function code.
enum : quint16
{
    BLOCK_COIL = 0,
    BLOCK_DISCRETE_INPUT = 1,
    BLOCK_HOLDING_REG = 2,
    BLOCK_INPUT_REG = 3,
};

// Protocol type (PrtcType): how the raw bytes are typed on the wire.
enum : quint16
{
    PRTC_TYPE_INT = 0,
    PRTC_TYPE_UINT = 1,
    PRTC_TYPE_FLOAT = 2,
    PRTC_TYPE_BYTES = 3,
    PRTC_TYPE_BIT = 4,
};

// Show type (ShowType): how a value is presented and entered.
enum : quint16
{
    SHOW_TYPE_FLOAT = 0,
    SHOW_TYPE_BIT = 1,
    SHOW_TYPE_INT_DEC = 2,
    SHOW_TYPE_INT_HEX = 3,
    SHOW_TYPE_BYTES = 4,
    SHOW_TYPE_STRING = 5,
    SHOW_TYPE_TIME = 6,
};

// Byte order (ByteOder) and word order (WordOder).
enum : quint16
{
    BYTE_ODER_BIG = 0,
    BYTE_ODER_LITTLE = 1,
};

// Device type (DeviceType).
enum : quint16
{
    DEVICE_TYPE_MASTER = 1,
    DEVICE_TYPE_SLAVE = 2,
};

struct SHOW_TABLE_ITEM_S
{
    quint16 nValue;
    const char *pText; // UTF-8
};

// Display tables, in their fixed table order.
const QList<SHOW_TABLE_ITEM_S> &GetBlockTable();
const QList<SHOW_TABLE_ITEM_S> &GetPrtcTypeTable();
const QList<SHOW_TABLE_ITEM_S> &GetShowTypeTable();
const QList<SHOW_TABLE_ITEM_S> &GetByteOderTable();     // texts with two leading blanks
const QList<SHOW_TABLE_ITEM_S> &GetByteOderCellTable(); // texts without
const QList<SHOW_TABLE_ITEM_S> &GetDeviceTypeTable();

QString GetBlockName(quint16 nValue);
QString GetPrtcTypeName(quint16 nValue);
QString GetShowTypeName(quint16 nValue);
QString GetByteOderName(quint16 nValue);
QString GetByteOderCellName(quint16 nValue);
QString GetDeviceTypeName(quint16 nValue);

QList<quint16> GetShowTypeList(quint16 nPrtcType);
bool CheckShowType(quint16 nPrtcType, quint16 nShowType, quint16 &nOutShowType);
bool IsNumShowType(quint16 nShowType);

QString ConvertBytesToHexString(const QByteArray &objBytes);
QByteArray ConvertHexStringToBytes(const QString &strText);

// Packers: 2, 4 or 8 bytes in wire order. Byte order swaps the bytes inside each
// 16-bit register, word order reverses the registers. Unpackers given any other
// length than their width yield 0.
QByteArray PackUint16(quint16 nValue, quint16 nByteOder);
QByteArray PackUint32(quint32 nValue, quint16 nByteOder, quint16 nWordOder);
QByteArray PackUint64(quint64 nValue, quint16 nByteOder, quint16 nWordOder);
QByteArray PackFloat(float fValue, quint16 nByteOder, quint16 nWordOder);
QByteArray PackDouble(double fValue, quint16 nByteOder, quint16 nWordOder);
quint16 UnpackUint16(const QByteArray &objBytes, quint16 nByteOder);
quint32 UnpackUint32(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder);
quint64 UnpackUint64(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder);
float UnpackFloat(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder);
double UnpackDouble(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder);

void ClearBytes(QByteArray &objBytes);

extern const char *const KESTRIX_VERSION;      // "V0.1.2"
extern const char *const KESTRIX_TITLE_PREFIX; // "Kestrix  "
extern const char *const RESULT_OK;            // "OK"
extern const char *const EMPTY_VALUE_TEXT;     // "--"

QString GetBuildTime();
QString GetComputerName();
QString GetAppTitle();
QString EpochToTimeString(qint64 nSeconds, Qt::TimeSpec enSpec);
void SaveStartTime();
qint64 GetStartTime();
qint64 GetTodayStartTime();
QString GetDesktopPath();

#endif // COMMONFUNC_H
