#include "commonfunc.h"

#include <QDate>
#include <QDateTime>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTime>

#include <atomic>
#include <utility>
#include <cstring>

const char *const KESTRIX_VERSION = "V0.1.2";
const char *const KESTRIX_TITLE_PREFIX = "Kestrix  ";
const char *const RESULT_OK = "OK";
const char *const EMPTY_VALUE_TEXT = "--";

namespace {

const char *const BUILD_DATE = "Apr 25 2020";
const char *const BUILD_TIME = "19:52:30";

std::atomic<qint64> g_nStartTime{0};

QString LookUp(const QList<SHOW_TABLE_ITEM_S> &objTable, quint16 nValue)
{
    for (const SHOW_TABLE_ITEM_S &item : objTable) {
        if (item.nValue == nValue)
            return QString::fromUtf8(item.pText);
    }
    return QString();
}

// Register order and byte order applied to a big-endian image of the value:
// word order reverses the 16-bit registers, byte order swaps inside each.
QByteArray ToWire(QByteArray objBigEndian, quint16 nByteOder, quint16 nWordOder)
{
    char *p = objBigEndian.data();
    const int nRegs = objBigEndian.size() / 2;
    if (nWordOder == BYTE_ODER_LITTLE) {
        for (int i = 0; i < nRegs / 2; ++i) {
            const int j = nRegs - 1 - i;
            std::swap(p[2 * i], p[2 * j]);
            std::swap(p[2 * i + 1], p[2 * j + 1]);
        }
    }
    if (nByteOder == BYTE_ODER_LITTLE) {
        for (int i = 0; i < nRegs; ++i)
            std::swap(p[2 * i], p[2 * i + 1]);
    }
    return objBigEndian;
}

// Both swaps are their own inverses and commute, so the same routine undoes them.
QByteArray FromWire(const QByteArray &objWire, quint16 nByteOder, quint16 nWordOder)
{
    return ToWire(objWire, nByteOder, nWordOder);
}

QByteArray BigEndianOf(quint64 nValue, int nBytes)
{
    QByteArray objBytes(nBytes, '\0');
    for (int i = nBytes - 1; i >= 0; --i) {
        objBytes[i] = static_cast<char>(nValue & 0xFF);
        nValue >>= 8;
    }
    return objBytes;
}

quint64 ValueOfBigEndian(const QByteArray &objBytes)
{
    quint64 nValue = 0;
    for (char c : objBytes)
        nValue = (nValue << 8) | static_cast<quint8>(c);
    return nValue;
}

} // namespace

const QList<SHOW_TABLE_ITEM_S> &GetBlockTable()
{
    static const QList<SHOW_TABLE_ITEM_S> objTable = {
        {BLOCK_DISCRETE_INPUT, "离散输入(RO)"},
        {BLOCK_COIL, "线圈状态(RW)"},
        {BLOCK_INPUT_REG, "输入寄存器(RO)"},
        {BLOCK_HOLDING_REG, "保持寄存器(RW)"},
    };
    return objTable;
}

const QList<SHOW_TABLE_ITEM_S> &GetPrtcTypeTable()
{
    static const QList<SHOW_TABLE_ITEM_S> objTable = {
        {PRTC_TYPE_INT, "  INT"},
        {PRTC_TYPE_UINT, "  UINT"},
        {PRTC_TYPE_FLOAT, "  FLOAT"},
        {PRTC_TYPE_BYTES, "  BYTES"},
        {PRTC_TYPE_BIT, "  BIT"},
    };
    return objTable;
}

const QList<SHOW_TABLE_ITEM_S> &GetShowTypeTable()
{
    static const QList<SHOW_TABLE_ITEM_S> objTable = {
        {SHOW_TYPE_FLOAT, "  FLOAT"},
        {SHOW_TYPE_BIT, "  BIT"},
        {SHOW_TYPE_INT_DEC, "  INT(DEC)"},
        {SHOW_TYPE_INT_HEX, "  INT(HEX)"},
        {SHOW_TYPE_BYTES, "  BYTES"},
        {SHOW_TYPE_STRING, "  STRING"},
        {SHOW_TYPE_TIME, "  TIME"},
    };
    return objTable;
}

const QList<SHOW_TABLE_ITEM_S> &GetByteOderTable()
{
    static const QList<SHOW_TABLE_ITEM_S> objTable = {
        {BYTE_ODER_BIG, "  大端"},
        {BYTE_ODER_LITTLE, "  小端"},
    };
    return objTable;
}

const QList<SHOW_TABLE_ITEM_S> &GetByteOderCellTable()
{
    static const QList<SHOW_TABLE_ITEM_S> objTable = {
        {BYTE_ODER_BIG, "大端"},
        {BYTE_ODER_LITTLE, "小端"},
    };
    return objTable;
}

const QList<SHOW_TABLE_ITEM_S> &GetDeviceTypeTable()
{
    static const QList<SHOW_TABLE_ITEM_S> objTable = {
        {DEVICE_TYPE_MASTER, "主机"},
        {DEVICE_TYPE_SLAVE, "从机"},
    };
    return objTable;
}

QString GetBlockName(quint16 nValue) { return LookUp(GetBlockTable(), nValue); }
QString GetPrtcTypeName(quint16 nValue) { return LookUp(GetPrtcTypeTable(), nValue); }
QString GetShowTypeName(quint16 nValue) { return LookUp(GetShowTypeTable(), nValue); }
QString GetByteOderName(quint16 nValue) { return LookUp(GetByteOderTable(), nValue); }
QString GetByteOderCellName(quint16 nValue) { return LookUp(GetByteOderCellTable(), nValue); }
QString GetDeviceTypeName(quint16 nValue) { return LookUp(GetDeviceTypeTable(), nValue); }

QList<quint16> GetShowTypeList(quint16 nPrtcType)
{
    switch (nPrtcType) {
    case PRTC_TYPE_INT: return {SHOW_TYPE_FLOAT, SHOW_TYPE_INT_DEC, SHOW_TYPE_INT_HEX};
    case PRTC_TYPE_UINT: return {SHOW_TYPE_FLOAT, SHOW_TYPE_INT_DEC, SHOW_TYPE_INT_HEX, SHOW_TYPE_TIME};
    case PRTC_TYPE_FLOAT: return {SHOW_TYPE_FLOAT};
    case PRTC_TYPE_BYTES: return {SHOW_TYPE_BYTES, SHOW_TYPE_STRING};
    case PRTC_TYPE_BIT: return {SHOW_TYPE_BIT};
    default: return {};
    }
}

bool CheckShowType(quint16 nPrtcType, quint16 nShowType, quint16 &nOutShowType)
{
    const QList<quint16> objAllowed = GetShowTypeList(nPrtcType);
    if (objAllowed.contains(nShowType)) {
        nOutShowType = nShowType;
        return true;
    }
    nOutShowType = objAllowed.isEmpty() ? nShowType : objAllowed.first();
    return false;
}

bool IsNumShowType(quint16 nShowType)
{
    return nShowType != SHOW_TYPE_BYTES && nShowType != SHOW_TYPE_STRING && nShowType != SHOW_TYPE_TIME;
}

QString ConvertBytesToHexString(const QByteArray &objBytes)
{
    static const char HEX[] = "0123456789ABCDEF";
    QString strText;
    strText.reserve(objBytes.size() * 3);
    for (char c : objBytes) {
        const quint8 b = static_cast<quint8>(c);
        strText += QLatin1Char(HEX[b >> 4]);
        strText += QLatin1Char(HEX[b & 0x0F]);
        strText += QLatin1Char(' ');
    }
    return strText;
}

namespace {

// Blanks, control characters, anything above 'x' and punctuation separate bytes.
bool IsHexSeparator(QChar c)
{
    if (c <= QLatin1Char(' ') || c > QLatin1Char('x'))
        return true;
    return c.unicode() < 0x80 && !c.isLetterOrNumber();
}

} // namespace

QByteArray ConvertHexStringToBytes(const QString &strText)
{
    QByteArray objBytes;
    const int nLen = strText.size();
    int i = 0;
    while (i < nLen) {
        if (IsHexSeparator(strText.at(i))) {
            ++i;
            continue;
        }
        QString strPair = strText.mid(i, 2);
        if (strPair == QLatin1String("0X") || strPair == QLatin1String("0x")) {
            i += 2;
            continue;
        }
        // A single digit before a separator, or standing last, is one byte of its own.
        if (strPair.size() < 2 || IsHexSeparator(strPair.at(1)))
            strPair = QLatin1String("0") + strPair.at(0);
        bool bOk = false;
        const uint nByte = strPair.toUInt(&bOk, 16);
        objBytes.append(static_cast<char>(bOk ? nByte : 0));
        i += 2;
    }
    return objBytes;
}

QByteArray PackUint16(quint16 nValue, quint16 nByteOder)
{
    return ToWire(BigEndianOf(nValue, 2), nByteOder, BYTE_ODER_BIG);
}

QByteArray PackUint32(quint32 nValue, quint16 nByteOder, quint16 nWordOder)
{
    return ToWire(BigEndianOf(nValue, 4), nByteOder, nWordOder);
}

QByteArray PackUint64(quint64 nValue, quint16 nByteOder, quint16 nWordOder)
{
    return ToWire(BigEndianOf(nValue, 8), nByteOder, nWordOder);
}

QByteArray PackFloat(float fValue, quint16 nByteOder, quint16 nWordOder)
{
    quint32 nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof(nBits));
    return PackUint32(nBits, nByteOder, nWordOder);
}

QByteArray PackDouble(double fValue, quint16 nByteOder, quint16 nWordOder)
{
    quint64 nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof(nBits));
    return PackUint64(nBits, nByteOder, nWordOder);
}

quint16 UnpackUint16(const QByteArray &objBytes, quint16 nByteOder)
{
    if (objBytes.size() != 2)
        return 0;
    return static_cast<quint16>(ValueOfBigEndian(FromWire(objBytes, nByteOder, BYTE_ODER_BIG)));
}

quint32 UnpackUint32(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder)
{
    if (objBytes.size() != 4)
        return 0;
    return static_cast<quint32>(ValueOfBigEndian(FromWire(objBytes, nByteOder, nWordOder)));
}

quint64 UnpackUint64(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder)
{
    if (objBytes.size() != 8)
        return 0;
    return ValueOfBigEndian(FromWire(objBytes, nByteOder, nWordOder));
}

float UnpackFloat(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder)
{
    if (objBytes.size() != 4)
        return 0.0f;
    const quint32 nBits = UnpackUint32(objBytes, nByteOder, nWordOder);
    float fValue = 0.0f;
    std::memcpy(&fValue, &nBits, sizeof(fValue));
    return fValue;
}

double UnpackDouble(const QByteArray &objBytes, quint16 nByteOder, quint16 nWordOder)
{
    if (objBytes.size() != 8)
        return 0.0;
    const quint64 nBits = UnpackUint64(objBytes, nByteOder, nWordOder);
    double fValue = 0.0;
    std::memcpy(&fValue, &nBits, sizeof(fValue));
    return fValue;
}

void ClearBytes(QByteArray &objBytes)
{
    objBytes.fill('\0');
}

QString GetBuildTime()
{
    return QString::fromLatin1(BUILD_DATE) + QLatin1Char(' ') + QString::fromLatin1(BUILD_TIME);
}

QString GetComputerName()
{
    const QStringList objEnv = QProcessEnvironment::systemEnvironment().toStringList();
    for (const QString &strEntry : objEnv) {
        if (strEntry.contains(QLatin1String("COMPUTERNAME")))
            return strEntry;
    }
    return QStringLiteral("Unknow Computer");
}

QString GetAppTitle()
{
    return QString::fromLatin1(KESTRIX_TITLE_PREFIX) + QString::fromLatin1(KESTRIX_VERSION);
}

QString EpochToTimeString(qint64 nSeconds, Qt::TimeSpec enSpec)
{
    return QDateTime::fromSecsSinceEpoch(nSeconds, enSpec).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

void SaveStartTime()
{
    g_nStartTime.store(QDateTime::currentSecsSinceEpoch());
}

qint64 GetStartTime()
{
    return g_nStartTime.load();
}

qint64 GetTodayStartTime()
{
    return QDateTime(QDate::currentDate(), QTime(0, 0, 0), Qt::LocalTime).toSecsSinceEpoch();
}

QString GetDesktopPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}
