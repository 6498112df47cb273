#ifndef COMMCALC_H
#define COMMCALC_H

// Calculators for people who debug Modbus traffic: epoch seconds, the bit
// pattern of a 32-bit float, byte streams written as hex text, the CRC-16 of
// a stream or a file, and hex dumps of files. No widgets: the tools page only
// shows what these compute.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Epoch seconds as the page shows them: "%u" and "0X%.8X".
QString EpochDecText(quint32 nSeconds);
QString EpochHexText(quint32 nSeconds);
// 0 when the text is not an unsigned 32-bit decimal number.
quint32 ParseEpochDec(const QString &strText);
// Blanks are ignored and a "0X"/"0x" prefix accepted; 0 when the rest is not
// an unsigned 32-bit hexadecimal number.
quint32 ParseEpochHex(const QString &strText);

// One 32-bit pattern in the three value fields: the float with that pattern
// ("%f"), the pattern in hex ("%#X") and as an unsigned number ("%u").
struct FLOAT_BITS_TEXT_S
{
    QString strFloat;
    QString strHex;
    QString strInt32;
};
FLOAT_BITS_TEXT_S FloatBitsText(quint32 nBits);
// The pattern of a typed float; a text that is no float gives pattern 0.
FLOAT_BITS_TEXT_S FloatBitsFromFloatText(const QString &strText);
// A typed 32-bit integer, signed or unsigned (-1 and 4294967295 are the same
// pattern), so every number the field shows reads back; else pattern 0.
FLOAT_BITS_TEXT_S FloatBitsFromInt32Text(const QString &strText);
// A typed pattern (blanks ignored, "0X" accepted). A text that is no 32-bit
// hex number leaves "0" and "0.0" in the other fields.
FLOAT_BITS_TEXT_S FloatBitsFromHexText(const QString &strText);

// Texts longer than this are refused by "码流"; longer than the warning
// length, the user is told to wait and the result comes in dump lines.
const int MAX_STREAM_TEXT_LEN = 0xFFFFFF;
const int LONG_STREAM_TEXT_LEN = 100000;
// Bytes per line of a dump, in files and in long "码流" results.
const int DUMP_BYTES_PER_LINE = 16;

// "字符串": the bytes of a hex text as text. Control bytes other than LF and
// bytes of 0x80 or more show as blanks.
QString HexTextToPrintable(const QString &strHex);
// "码流": each character as its Latin-1 code; one outside Latin-1 gives 0.
QByteArray TextToLatin1Codes(const QString &strText);
// Dump lines of DUMP_BYTES_PER_LINE bytes ("%.2X " each), joined by LF.
QString BytesToHexLines(const QByteArray &objBytes);

QString CrcDecText(quint16 nCrc); // "%u"
QString CrcHexText(quint16 nCrc); // "0X%.4X"

// Size and CRC-16 of a file, read block by block so that a file of any size
// fits. False when it cannot be opened or read.
bool CalcFileCrcSize(const QString &strPath, qint64 &nSize, quint16 &nCrc);

// Where the dump of a file goes: its path followed by "_Bytes.txt".
QString BytesDumpPath(const QString &strSrcPath);
// Writes the file as dump lines, each ended by a line end; an existing dump
// is replaced, and a dump that could not be written whole is removed.
// "OK" or the message to show.
QString WriteBytesDump(const QString &strSrcPath, const QString &strDumpPath);

#endif // COMMCALC_H
