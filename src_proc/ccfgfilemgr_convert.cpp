// Value conversion between the raw bytes of a data point on the wire, the text
// shown to the user and plain numbers.

#include "ccfgfilemgr.h"

#include "applog.h"
#include "commonfunc.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {

const char *const ERROR_TEXT = "ERROR";

// Raw integer of a point of 1, 2 or 4 registers; false for any other size.
bool DecodeInteger(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes, bool bSigned, quint64 &nBits,
                   qint64 &nSigned)
{
    switch (objCfg.nSize) {
    case 1: {
        const quint16 n = UnpackUint16(objBytes, objCfg.nByteOder);
        nBits = n;
        nSigned = bSigned ? qint64(qint16(n)) : qint64(n);
        return true;
    }
    case 2: {
        const quint32 n = UnpackUint32(objBytes, objCfg.nByteOder, objCfg.nWordOder);
        nBits = n;
        nSigned = bSigned ? qint64(qint32(n)) : qint64(n);
        return true;
    }
    case 4: {
        const quint64 n = UnpackUint64(objBytes, objCfg.nByteOder, objCfg.nWordOder);
        nBits = n;
        nSigned = qint64(n);
        return true;
    }
    default:
        LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName << "DataSize:" << objCfg.nSize;
        return false;
    }
}

QString FormatWithGain(double fValue, double fGain)
{
    // Adding 0.0 turns a negative zero (raw 0 times a negative gain) into 0.
    return QString::number(fValue * fGain + 0.0, 'f', CCfgFileMgr::GainDecimals(fGain));
}

// Six decimals, as values have always been shown, wherever that text reads
// back as the very same value; else (tiny values, or more digits than six
// decimals hold) the shortest text that does. A shown value entered again, or
// served by a slave, is then the value that was on the wire.
template <typename T>
QString ExactFloatText(T fValue)
{
    auto fnReadsBack = [fValue](const QString &strText) {
        bool bOk = false;
        T fBack;
        if constexpr (std::is_same<T, float>::value)
            fBack = strText.toFloat(&bOk);
        else
            fBack = strText.toDouble(&bOk);
        return bOk && std::memcmp(&fBack, &fValue, sizeof(T)) == 0;
    };
    const QString strFixed = QString::asprintf("%f", double(fValue));
    if (fnReadsBack(strFixed))
        return strFixed;
    char szText[64];
    const std::to_chars_result stEnd = std::to_chars(szText, szText + sizeof(szText), fValue);
    const QString strShortest = QString::fromLatin1(szText, int(stEnd.ptr - szText));
    if (fnReadsBack(strShortest))
        return strShortest;
    // A float is read by way of a double, which can tip a shortest text that
    // lies close to a rounding edge; with all digits the detour cannot.
    return QString::asprintf("%.*g", std::numeric_limits<T>::max_digits10, double(fValue));
}

QString HexOfWidth(quint64 nBits, quint16 nSize)
{
    switch (nSize) {
    case 1: return QString::asprintf("0X%.4X", unsigned(nBits & 0xFFFF));
    case 2: return QString::asprintf("0X%.8X", unsigned(nBits & 0xFFFFFFFF));
    default: return QString::asprintf("0X%.16llX", static_cast<unsigned long long>(nBits));
    }
}

QByteArray PackOfWidth(quint64 nBits, const DEVICE_DATA_CFG_S &objCfg)
{
    switch (objCfg.nSize) {
    case 1: return PackUint16(quint16(nBits), objCfg.nByteOder);
    case 2: return PackUint32(quint32(nBits), objCfg.nByteOder, objCfg.nWordOder);
    default: return PackUint64(nBits, objCfg.nByteOder, objCfg.nWordOder);
    }
}

bool IsIntegerSize(quint16 nSize)
{
    return nSize == 1 || nSize == 2 || nSize == 4;
}

qint64 SignedMin(quint16 nSize)
{
    return nSize == 1 ? -32768 : nSize == 2 ? qint64(INT32_MIN) : std::numeric_limits<qint64>::min();
}

qint64 SignedMax(quint16 nSize)
{
    return nSize == 1 ? 32767 : nSize == 2 ? qint64(INT32_MAX) : std::numeric_limits<qint64>::max();
}

quint64 UnsignedMax(quint16 nSize)
{
    return nSize == 1 ? 0xFFFFu : nSize == 2 ? 0xFFFFFFFFu : std::numeric_limits<quint64>::max();
}

// Entered value divided by the gain, cut toward zero. A quotient that misses a
// whole number only by the rounding of binary fractions (123.4 / 0.1 gives
// 1233.9999999999998) is taken as that whole number.
double TruncateEntered(double fValue)
{
    const double fNearest = std::round(fValue);
    if (std::fabs(fValue - fNearest) <= 1e-9 * qMax(1.0, std::fabs(fValue)))
        return fNearest;
    return std::trunc(fValue);
}

void LogRefusedValue(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    LOG_DEBUG().noquote() << "Error Data Value:" + objCfg.strName + "," + strText;
}

// Splits off blanks and a sign, and in base 16 a "0X"/"0x" prefix; the rest
// should be the digits.
QString SplitNumberText(const QString &strText, int nBase, bool &bNegative)
{
    QString strDigits = strText.trimmed();
    bNegative = false;
    if (strDigits.startsWith(QLatin1Char('-')) || strDigits.startsWith(QLatin1Char('+'))) {
        bNegative = strDigits.at(0) == QLatin1Char('-');
        strDigits.remove(0, 1);
    }
    if (nBase == 16 && (strDigits.startsWith(QLatin1String("0X")) || strDigits.startsWith(QLatin1String("0x"))))
        strDigits.remove(0, 2);
    return strDigits;
}

// Plain digits only: Qt's own parsers would take a second sign or prefix.
bool ParseUnsignedDigits(const QString &strDigits, int nBase, quint64 &nValue)
{
    if (strDigits.isEmpty())
        return false;
    for (QChar c : strDigits) {
        const bool bDigit = (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (nBase == 16 && ((c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                                || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))));
        if (!bDigit)
            return false;
    }
    bool bOk = false;
    nValue = strDigits.toULongLong(&bOk, nBase);
    return bOk;
}

// Signed integer of the point's width. In base 16 an unsigned digit string is
// the bit pattern, so "0XFFFE" is -2 for one register, as it is shown.
bool ParseSignedOfWidth(const QString &strText, int nBase, quint16 nSize, qint64 &nValue)
{
    bool bNegative = false;
    const QString strDigits = SplitNumberText(strText, nBase, bNegative);
    quint64 nMagnitude = 0;
    if (!ParseUnsignedDigits(strDigits, nBase, nMagnitude))
        return false;
    if (bNegative) {
        if (nMagnitude > quint64(-(SignedMin(nSize) + 1)) + 1)
            return false;
        nValue = nMagnitude == 0 ? 0 : -qint64(nMagnitude - 1) - 1;
        return true;
    }
    if (nBase == 16) {
        if (nMagnitude > UnsignedMax(nSize))
            return false;
        const int nBits = nSize * 16;
        if (nBits < 64 && (nMagnitude >> (nBits - 1)) != 0)
            nValue = qint64(nMagnitude) - (qint64(1) << nBits);
        else
            nValue = qint64(nMagnitude);
        return true;
    }
    if (nMagnitude > quint64(SignedMax(nSize)))
        return false;
    nValue = qint64(nMagnitude);
    return true;
}

bool ParseUnsignedOfWidth(const QString &strText, int nBase, quint16 nSize, quint64 &nValue)
{
    bool bNegative = false;
    const QString strDigits = SplitNumberText(strText, nBase, bNegative);
    if (bNegative)
        return false;
    return ParseUnsignedDigits(strDigits, nBase, nValue) && nValue <= UnsignedMax(nSize);
}

} // namespace

int CCfgFileMgr::GainDecimals(double fGain)
{
    const double fAbs = std::fabs(fGain);
    if (!std::isfinite(fAbs))
        return 0;
    const double fFrac = fAbs - std::trunc(fAbs);
    quint64 n = static_cast<quint64>(std::trunc(fFrac * 1e8));
    if (n == 0)
        return 0;
    int nDecimals = 8;
    while (n % 10 == 0) {
        n /= 10;
        --nDecimals;
    }
    return nDecimals;
}

// ---- raw bytes to shown text ----

QString CCfgFileMgr::ConvertDataFromNetBytes(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    switch (objCfg.nPrtcType) {
    case PRTC_TYPE_INT: return ConvertDataFromPrtcINT(objCfg, objBytes);
    case PRTC_TYPE_UINT: return ConvertDataFromPrtcUINT(objCfg, objBytes);
    case PRTC_TYPE_FLOAT: return ConvertDataFromPrtcFLOAT(objCfg, objBytes);
    case PRTC_TYPE_BYTES: return ConvertDataFromPrtcBYTE(objCfg, objBytes);
    default:
        LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName + ":" << objCfg.nPrtcType;
        return QString::fromLatin1(ERROR_TEXT);
    }
}

QString CCfgFileMgr::ConvertDataFromPrtcINT(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    switch (objCfg.nShowType) {
    case SHOW_TYPE_FLOAT: return ConvertDataFromPrtcINTToFloatString(objCfg, objBytes);
    case SHOW_TYPE_INT_DEC: return ConvertDataFromPrtcINTToINTDECString(objCfg, objBytes);
    case SHOW_TYPE_INT_HEX: return ConvertDataFromPrtcINTToINTHEXString(objCfg, objBytes);
    default:
        LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName << " ShowType:" << objCfg.nShowType;
        return QString::fromLatin1(ERROR_TEXT);
    }
}

QString CCfgFileMgr::ConvertDataFromPrtcUINT(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    switch (objCfg.nShowType) {
    case SHOW_TYPE_FLOAT: return ConvertDataFromPrtcUINTToFloatString(objCfg, objBytes);
    case SHOW_TYPE_INT_DEC: return ConvertDataFromPrtcUINTToINTDECString(objCfg, objBytes);
    case SHOW_TYPE_INT_HEX: return ConvertDataFromPrtcUINTToINTHEXString(objCfg, objBytes);
    case SHOW_TYPE_TIME: return ConvertDataFromPrtcUINTToTimeString(objCfg, objBytes);
    default:
        LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName << " ShowType:" << objCfg.nShowType;
        return QString::fromLatin1(ERROR_TEXT);
    }
}

QString CCfgFileMgr::ConvertDataFromPrtcINTToFloatString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    quint64 nBits = 0;
    qint64 nValue = 0;
    if (!DecodeInteger(objCfg, objBytes, true, nBits, nValue))
        return QString::fromLatin1(ERROR_TEXT);
    return FormatWithGain(double(nValue), objCfg.fGain);
}

QString CCfgFileMgr::ConvertDataFromPrtcINTToINTDECString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    quint64 nBits = 0;
    qint64 nValue = 0;
    if (!DecodeInteger(objCfg, objBytes, true, nBits, nValue))
        return QString::fromLatin1(ERROR_TEXT);
    return QString::number(nValue);
}

QString CCfgFileMgr::ConvertDataFromPrtcINTToINTHEXString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    quint64 nBits = 0;
    qint64 nValue = 0;
    if (!DecodeInteger(objCfg, objBytes, true, nBits, nValue))
        return QString::fromLatin1(ERROR_TEXT);
    return HexOfWidth(nBits, objCfg.nSize);
}

QString CCfgFileMgr::ConvertDataFromPrtcUINTToFloatString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    quint64 nBits = 0;
    qint64 nValue = 0;
    if (!DecodeInteger(objCfg, objBytes, false, nBits, nValue))
        return QString::fromLatin1(ERROR_TEXT);
    return FormatWithGain(double(nBits), objCfg.fGain);
}

QString CCfgFileMgr::ConvertDataFromPrtcUINTToINTDECString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    quint64 nBits = 0;
    qint64 nValue = 0;
    if (!DecodeInteger(objCfg, objBytes, false, nBits, nValue))
        return QString::fromLatin1(ERROR_TEXT);
    return QString::number(nBits);
}

QString CCfgFileMgr::ConvertDataFromPrtcUINTToINTHEXString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    quint64 nBits = 0;
    qint64 nValue = 0;
    if (!DecodeInteger(objCfg, objBytes, false, nBits, nValue))
        return QString::fromLatin1(ERROR_TEXT);
    return HexOfWidth(nBits, objCfg.nSize);
}

QString CCfgFileMgr::ConvertDataFromPrtcUINTToTimeString(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    if (objCfg.nSize != 2) {
        LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName << "DataSize:" << objCfg.nSize;
        return QString::fromLatin1(ERROR_TEXT);
    }
    const quint32 nSeconds = UnpackUint32(objBytes, objCfg.nByteOder, objCfg.nWordOder);
    return EpochToTimeString(qint64(nSeconds), Qt::UTC);
}

QString CCfgFileMgr::ConvertDataFromPrtcFLOAT(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    if (objBytes.size() != 2 * int(objCfg.nSize)) {
        LOG_DEBUG().noquote() << "Error Data Cfg:" + objCfg.strName << " CfgSize:" << 2 * int(objCfg.nSize)
                              << "DataSize:" << objBytes.size();
        return QString::fromLatin1(ERROR_TEXT);
    }
    if (objBytes.size() == 4)
        return ExactFloatText(UnpackFloat(objBytes, objCfg.nByteOder, objCfg.nWordOder));
    if (objBytes.size() == 8)
        return ExactFloatText(UnpackDouble(objBytes, objCfg.nByteOder, objCfg.nWordOder));
    LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName << " CfgSize:" << 2 * int(objCfg.nSize);
    return QString::fromLatin1(ERROR_TEXT);
}

QString CCfgFileMgr::ConvertDataFromPrtcBYTE(const DEVICE_DATA_CFG_S &objCfg, const QByteArray &objBytes)
{
    switch (objCfg.nShowType) {
    case SHOW_TYPE_BYTES:
        return ConvertBytesToHexString(objBytes);
    case SHOW_TYPE_STRING: {
        const int nEnd = objBytes.indexOf('\0');
        return QString::fromUtf8(nEnd < 0 ? objBytes : objBytes.left(nEnd));
    }
    default:
        LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName << " ShowType:" << objCfg.nShowType;
        return QString::fromLatin1(ERROR_TEXT);
    }
}

// ---- shown text to raw bytes ----

QByteArray CCfgFileMgr::ConvertDataFromStringToNet(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    switch (objCfg.nShowType) {
    case SHOW_TYPE_FLOAT: return ConvertDataFromFloatString(objCfg, strText);
    case SHOW_TYPE_BIT: return ConvertDataFromShowBit(objCfg, strText);
    case SHOW_TYPE_INT_DEC: return ConvertDataFromINTString(objCfg, strText, 10);
    case SHOW_TYPE_INT_HEX: return ConvertDataFromINTString(objCfg, strText, 16);
    case SHOW_TYPE_BYTES: return ConvertDataFromBYTESString(objCfg, strText);
    case SHOW_TYPE_STRING: return ConvertDataFromShowString(objCfg, strText);
    case SHOW_TYPE_TIME: return ConvertDataFromEpochTimeString(objCfg, strText);
    default:
        LOG_DEBUG().noquote() << "Error Data Show Type:" + objCfg.strName + "," << objCfg.nShowType;
        return QByteArray();
    }
}

QByteArray CCfgFileMgr::ConvertDataFromFloatString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    // Written as a negated comparison so that a NaN gain is refused too.
    if (!(std::fabs(objCfg.fGain) >= 1e-9)) {
        LOG_DEBUG().noquote() << "Error Data gain:" + objCfg.strName + "," << objCfg.fGain;
        return QByteArray();
    }
    if (objCfg.nPrtcType == PRTC_TYPE_FLOAT)
        return ConvertDataFromFloatStringToFloatData(objCfg, strText);
    if (objCfg.nPrtcType != PRTC_TYPE_INT && objCfg.nPrtcType != PRTC_TYPE_UINT) {
        LOG_DEBUG().noquote() << "Error Data PrtcType:" + objCfg.strName + "," << objCfg.nPrtcType;
        return QByteArray();
    }
    bool bOk = false;
    const double fEntered = strText.trimmed().toDouble(&bOk);
    if (!bOk || !std::isfinite(fEntered)) {
        LogRefusedValue(objCfg, strText);
        return QByteArray();
    }
    const double fRaw = fEntered / objCfg.fGain;
    if (objCfg.nPrtcType == PRTC_TYPE_INT)
        return ConvertDataFromFloatStringToIntData(objCfg, fRaw);
    return ConvertDataFromFloatStringToUintData(objCfg, fRaw);
}

QByteArray CCfgFileMgr::ConvertDataFromFloatStringToIntData(const DEVICE_DATA_CFG_S &objCfg, double fValue)
{
    if (!IsIntegerSize(objCfg.nSize)) {
        LOG_DEBUG().noquote() << "Error Data Conveter:" + objCfg.strName + "," << objCfg.nSize;
        return QByteArray();
    }
    const double fWhole = TruncateEntered(fValue);
    // 2^63 is exact as a double; the largest qint64 is not.
    const bool bFits = objCfg.nSize == 4 ? (fWhole >= -9223372036854775808.0 && fWhole < 9223372036854775808.0)
                                         : (fWhole >= double(SignedMin(objCfg.nSize))
                                            && fWhole <= double(SignedMax(objCfg.nSize)));
    if (!bFits) {
        LogRefusedValue(objCfg, QString::number(fValue, 'g', 17));
        return QByteArray();
    }
    return PackOfWidth(quint64(qint64(fWhole)), objCfg);
}

QByteArray CCfgFileMgr::ConvertDataFromFloatStringToUintData(const DEVICE_DATA_CFG_S &objCfg, double fValue)
{
    if (!IsIntegerSize(objCfg.nSize)) {
        LOG_DEBUG().noquote() << "Error Data Conveter:" + objCfg.strName + "," << objCfg.nSize;
        return QByteArray();
    }
    const double fWhole = TruncateEntered(fValue);
    const bool bFits = fWhole >= 0.0
        && (objCfg.nSize == 4 ? fWhole < 18446744073709551616.0 : fWhole <= double(UnsignedMax(objCfg.nSize)));
    if (!bFits) {
        LogRefusedValue(objCfg, QString::number(fValue, 'g', 17));
        return QByteArray();
    }
    return PackOfWidth(quint64(fWhole), objCfg);
}

QByteArray CCfgFileMgr::ConvertDataFromFloatStringToFloatData(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    bool bOk = false;
    if (objCfg.nSize == 2) {
        const float fValue = strText.trimmed().toFloat(&bOk);
        if (!bOk) {
            LogRefusedValue(objCfg, strText);
            return QByteArray();
        }
        return PackFloat(fValue, objCfg.nByteOder, objCfg.nWordOder);
    }
    if (objCfg.nSize == 4) {
        const double fValue = strText.trimmed().toDouble(&bOk);
        if (!bOk) {
            LogRefusedValue(objCfg, strText);
            return QByteArray();
        }
        return PackDouble(fValue, objCfg.nByteOder, objCfg.nWordOder);
    }
    LOG_DEBUG().noquote() << "Error Data Conveter:" + objCfg.strName + "," << 2 * int(objCfg.nSize);
    return QByteArray();
}

QByteArray CCfgFileMgr::ConvertDataFromShowBit(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    if (objCfg.nPrtcType != PRTC_TYPE_BIT) {
        LOG_DEBUG().noquote() << "Error Data Prtc Type:" + objCfg.strName + ",PrtcType" << objCfg.nPrtcType
                              << ",Size:" << objCfg.nSize;
        return QByteArray();
    }
    quint64 nValue = 0;
    bool bNegative = false;
    const QString strDigits = SplitNumberText(strText, 10, bNegative);
    if (bNegative || !ParseUnsignedDigits(strDigits, 10, nValue)) {
        LogRefusedValue(objCfg, strText);
        return QByteArray();
    }
    return QByteArray(1, char(nValue & 1));
}

QByteArray CCfgFileMgr::ConvertDataFromINTString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText, int nBase)
{
    if (objCfg.nPrtcType != PRTC_TYPE_INT && objCfg.nPrtcType != PRTC_TYPE_UINT) {
        LOG_DEBUG().noquote() << "Error Data Prtc Type:" + objCfg.strName + "," << objCfg.nPrtcType;
        return QByteArray();
    }
    if (!IsIntegerSize(objCfg.nSize)) {
        LOG_DEBUG().noquote() << "Error Data Conveter:" + objCfg.strName + "," << objCfg.nSize;
        return QByteArray();
    }
    if (objCfg.nPrtcType == PRTC_TYPE_INT)
        return ConvertDataFromINTStringToIntData(objCfg, strText, nBase);
    return ConvertDataFromINTStringToUintData(objCfg, strText, nBase);
}

QByteArray CCfgFileMgr::ConvertDataFromINTStringToIntData(const DEVICE_DATA_CFG_S &objCfg, const QString &strText,
                                                          int nBase)
{
    qint64 nValue = 0;
    if (!ParseSignedOfWidth(strText, nBase, objCfg.nSize, nValue)) {
        LogRefusedValue(objCfg, strText);
        return QByteArray();
    }
    return PackOfWidth(quint64(nValue), objCfg);
}

QByteArray CCfgFileMgr::ConvertDataFromINTStringToUintData(const DEVICE_DATA_CFG_S &objCfg, const QString &strText,
                                                           int nBase)
{
    quint64 nValue = 0;
    if (!ParseUnsignedOfWidth(strText, nBase, objCfg.nSize, nValue)) {
        LogRefusedValue(objCfg, strText);
        return QByteArray();
    }
    return PackOfWidth(nValue, objCfg);
}

QByteArray CCfgFileMgr::ConvertDataFromBYTESString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    if (objCfg.nPrtcType != PRTC_TYPE_BYTES) {
        LOG_DEBUG().noquote() << "Error Data Prtc Type:" + objCfg.strName + ",PrtcType" << objCfg.nPrtcType
                              << ",Size:" << objCfg.nSize;
        return QByteArray();
    }
    QString strDigits;
    strDigits.reserve(strText.size());
    for (QChar c : strText) {
        if (!c.isSpace())
            strDigits.append(c);
    }
    if (strDigits.size() % 2 != 0 || strDigits.size() != 4 * int(objCfg.nSize)) {
        LOG_DEBUG().noquote() << "Error Data Size:" + objCfg.strName + ",StrSize" << strDigits.size()
                              << ",DataSize:" << objCfg.nSize;
        return QByteArray();
    }
    QByteArray objBytes;
    objBytes.reserve(strDigits.size() / 2);
    for (int i = 0; i < strDigits.size(); i += 2) {
        quint64 nByte = 0;
        if (!ParseUnsignedDigits(strDigits.mid(i, 2), 16, nByte)) {
            LogRefusedValue(objCfg, strText);
            return QByteArray();
        }
        objBytes.append(char(nByte));
    }
    return objBytes;
}

QByteArray CCfgFileMgr::ConvertDataFromShowString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    if (objCfg.nPrtcType != PRTC_TYPE_BYTES) {
        LOG_DEBUG().noquote() << "Error Data Prtc Type:" + objCfg.strName + ",PrtcType" << objCfg.nPrtcType
                              << ",Size:" << objCfg.nSize;
        return QByteArray();
    }
    const int nLen = 2 * int(objCfg.nSize);
    QByteArray objBytes(nLen, '\0');
    for (int i = 0; i < nLen && i < strText.size(); ++i) {
        const ushort nCode = strText.at(i).unicode();
        objBytes[i] = nCode < 256 ? char(nCode) : '\0';
    }
    return objBytes;
}

QByteArray CCfgFileMgr::ConvertDataFromEpochTimeString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    if (objCfg.nPrtcType != PRTC_TYPE_UINT || objCfg.nSize != 2) {
        LOG_DEBUG().noquote() << "Error Data Prtc Type:" + objCfg.strName + ",PrtcType" << objCfg.nPrtcType
                              << ",Size:" << objCfg.nSize;
        return QByteArray();
    }
    // Date and time are parsed apart and joined as UTC, so a local clock change
    // (a skipped hour) cannot make a valid entry invalid.
    const QStringList objParts = strText.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (objParts.size() == 2) {
        const QDate objDate = QDate::fromString(objParts.at(0), QStringLiteral("yyyy-MM-dd"));
        const QTime objTime = QTime::fromString(objParts.at(1), QStringLiteral("hh:mm:ss"));
        if (objDate.isValid() && objTime.isValid()) {
            const qint64 nSeconds = QDateTime(objDate, objTime, Qt::UTC).toSecsSinceEpoch();
            if (nSeconds >= 0 && nSeconds <= qint64(0xFFFFFFFFu))
                return PackUint32(quint32(nSeconds), objCfg.nByteOder, objCfg.nWordOder);
        }
    }
    LogRefusedValue(objCfg, strText);
    return QByteArray();
}

// ---- shown text to a number ----

double CCfgFileMgr::ConvertDataFromLocalString(const DEVICE_DATA_CFG_S &objCfg, const QString &strText)
{
    switch (objCfg.nShowType) {
    case SHOW_TYPE_FLOAT:
        // As a double: a double point, or an integer beyond 24 bits, keeps its digits.
        return strText.trimmed().toDouble();
    case SHOW_TYPE_BIT:
        return double(strText.trimmed().toUShort());
    case SHOW_TYPE_INT_DEC: {
        bool bOk = false;
        const qint64 nValue = strText.trimmed().toLongLong(&bOk, 10);
        if (bOk)
            return double(nValue);
        // Above the signed range: a 64-bit UINT point.
        return double(strText.trimmed().toULongLong(nullptr, 10));
    }
    case SHOW_TYPE_INT_HEX: {
        // Shown hex is the bit pattern of the point's width: read it back the same way.
        qint64 nSigned = 0;
        if (objCfg.nPrtcType == PRTC_TYPE_INT && IsIntegerSize(objCfg.nSize)
            && ParseSignedOfWidth(strText, 16, objCfg.nSize, nSigned))
            return double(nSigned);
        bool bNegative = false;
        quint64 nMagnitude = 0;
        if (!ParseUnsignedDigits(SplitNumberText(strText, 16, bNegative), 16, nMagnitude))
            return 0.0;
        return bNegative ? -double(nMagnitude) : double(nMagnitude);
    }
    default:
        LOG_DEBUG().noquote() << "Invalid Data Cfg:" + objCfg.strName << " ShowType:" << objCfg.nShowType;
        return 0.0;
    }
}
