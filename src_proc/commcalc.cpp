#include "commcalc.h"

#include "commonfunc.h"
#include "cport_base.h"

#include <QFile>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

namespace {

// The C library's formats, which the fields show ("%#X" and "%f" differ
// from Qt's own formatting).
QString CFormat(const char *pFormat, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);
QString CFormat(const char *pFormat, ...)
{
    char szBuf[512];
    va_list args;
    va_start(args, pFormat);
    std::vsnprintf(szBuf, sizeof(szBuf), pFormat, args);
    va_end(args);
    return QString::fromLatin1(szBuf);
}

QString WithoutBlanks(const QString &strText)
{
    QString strOut;
    strOut.reserve(strText.size());
    for (QChar c : strText) {
        if (!c.isSpace())
            strOut += c;
    }
    return strOut;
}

// Files are read in blocks of whole dump lines, and never beyond the size
// the file has when opened (a device file would otherwise never end).
const qint64 FILE_BLOCK_SIZE = 1 << 20;

bool ForEachFileBlock(QFile &objFile, const std::function<bool(const char *, int)> &fnBlock)
{
    QByteArray objBuf(static_cast<int>(FILE_BLOCK_SIZE), Qt::Uninitialized);
    qint64 nLeft = objFile.size();
    while (nLeft > 0) {
        // A short read inside a block would split a dump line: fill it up.
        const qint64 nWant = qMin(nLeft, FILE_BLOCK_SIZE);
        qint64 nHave = 0;
        while (nHave < nWant) {
            const qint64 nRead = objFile.read(objBuf.data() + nHave, nWant - nHave);
            if (nRead < 0)
                return false;
            if (nRead == 0)
                break;
            nHave += nRead;
        }
        if (nHave > 0 && !fnBlock(objBuf.constData(), static_cast<int>(nHave)))
            return false;
        if (nHave < nWant) // the file shrank: what was there is used
            return true;
        nLeft -= nHave;
    }
    return true;
}

} // namespace

QString EpochDecText(quint32 nSeconds)
{
    return CFormat("%u", nSeconds);
}

QString EpochHexText(quint32 nSeconds)
{
    return CFormat("0X%.8X", nSeconds);
}

quint32 ParseEpochDec(const QString &strText)
{
    bool bOk = false;
    const uint nValue = strText.toUInt(&bOk, 10);
    return bOk ? nValue : 0;
}

quint32 ParseEpochHex(const QString &strText)
{
    bool bOk = false;
    const uint nValue = WithoutBlanks(strText).toUInt(&bOk, 16);
    return bOk ? nValue : 0;
}

FLOAT_BITS_TEXT_S FloatBitsText(quint32 nBits)
{
    float fValue = 0;
    std::memcpy(&fValue, &nBits, sizeof(fValue));
    return {CFormat("%f", static_cast<double>(fValue)), CFormat("%#X", nBits), CFormat("%u", nBits)};
}

FLOAT_BITS_TEXT_S FloatBitsFromFloatText(const QString &strText)
{
    bool bOk = false;
    float fValue = strText.toFloat(&bOk);
    if (!bOk)
        fValue = 0;
    quint32 nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof(nBits));
    return FloatBitsText(nBits);
}

FLOAT_BITS_TEXT_S FloatBitsFromInt32Text(const QString &strText)
{
    bool bOk = false;
    const qlonglong nValue = strText.toLongLong(&bOk, 10);
    const bool bFits = bOk && nValue >= std::numeric_limits<qint32>::min() &&
                       nValue <= std::numeric_limits<quint32>::max();
    return FloatBitsText(bFits ? static_cast<quint32>(nValue) : 0);
}

FLOAT_BITS_TEXT_S FloatBitsFromHexText(const QString &strText)
{
    bool bOk = false;
    const uint nBits = WithoutBlanks(strText).toUInt(&bOk, 16);
    if (!bOk)
        return {QStringLiteral("0.0"), strText, QStringLiteral("0")};
    return FloatBitsText(nBits);
}

QString HexTextToPrintable(const QString &strHex)
{
    QByteArray objBytes = ConvertHexStringToBytes(strHex);
    for (char &c : objBytes) {
        const quint8 nByte = static_cast<quint8>(c);
        if ((nByte < 0x20 && nByte != 0x0A) || nByte >= 0x80)
            c = ' ';
    }
    return QString::fromUtf8(objBytes);
}

QByteArray TextToLatin1Codes(const QString &strText)
{
    QByteArray objBytes(strText.size(), Qt::Uninitialized);
    char *pOut = objBytes.data();
    for (QChar c : strText)
        *pOut++ = static_cast<char>(c.unicode() < 0x100 ? c.unicode() : 0);
    return objBytes;
}

QString BytesToHexLines(const QByteArray &objBytes)
{
    // Written in place: a text at the length limit makes a million lines.
    static const char HEX[] = "0123456789ABCDEF";
    const int nSize = objBytes.size();
    QString strOut(nSize * 3 + qMax(0, (nSize - 1) / DUMP_BYTES_PER_LINE), Qt::Uninitialized);
    QChar *pOut = strOut.data();
    for (int i = 0; i < nSize; ++i) {
        if (i > 0 && i % DUMP_BYTES_PER_LINE == 0)
            *pOut++ = QLatin1Char('\n');
        const quint8 nByte = static_cast<quint8>(objBytes.at(i));
        *pOut++ = QLatin1Char(HEX[nByte >> 4]);
        *pOut++ = QLatin1Char(HEX[nByte & 0x0F]);
        *pOut++ = QLatin1Char(' ');
    }
    return strOut;
}

QString CrcDecText(quint16 nCrc)
{
    return CFormat("%u", nCrc);
}

QString CrcHexText(quint16 nCrc)
{
    return CFormat("0X%.4X", nCrc);
}

bool CalcFileCrcSize(const QString &strPath, qint64 &nSize, quint16 &nCrc)
{
    nSize = 0;
    nCrc = 0xFFFF;
    QFile objFile(strPath);
    if (!objFile.open(QIODevice::ReadOnly))
        return false;
    return ForEachFileBlock(objFile, [&](const char *pData, int nLen) {
        nCrc = CalcCRC16(pData, nLen, nCrc);
        nSize += nLen;
        return true;
    });
}

QString BytesDumpPath(const QString &strSrcPath)
{
    return strSrcPath + QStringLiteral("_Bytes.txt");
}

QString WriteBytesDump(const QString &strSrcPath, const QString &strDumpPath)
{
    const QString strSrcErr = QString::fromUtf8("源文件打开失败，请确认文件是否存在或已经被打开！");
    const QString strDumpErr = QString::fromUtf8("新文件创建失败，请确认文件是否存在或已经被打开！");
    QFile objSrc(strSrcPath);
    if (!objSrc.open(QIODevice::ReadOnly))
        return strSrcErr;
    QFile::remove(strDumpPath);
    QFile objDump(strDumpPath);
    if (!objDump.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return strDumpErr;

    // Every block holds whole lines except perhaps the file's last one.
    bool bWritten = true;
    const bool bRead = ForEachFileBlock(objSrc, [&](const char *pData, int nLen) {
        const QByteArray objText = BytesToHexLines(QByteArray::fromRawData(pData, nLen)).toLatin1() + '\n';
        bWritten = objDump.write(objText) == objText.size();
        return bWritten;
    });
    objDump.close();
    if (bRead && bWritten && objDump.error() == QFileDevice::NoError)
        return QString::fromUtf8(RESULT_OK);
    objDump.remove();
    return bWritten ? strSrcErr : strDumpErr;
}
