#ifndef FRAMEBYTES_H
#define FRAMEBYTES_H

// Frames written in the tests as hex text; fromHex skips the spaces between bytes.

#include <QByteArray>

#include "cport_base.h"

inline QByteArray Hex(const char *pText)
{
    return QByteArray::fromHex(pText);
}

// The bytes with their RTU check appended, low byte first.
inline QByteArray WithCrc(const QByteArray &objBytes)
{
    const quint16 nCrc = CalcCRC16(objBytes);
    QByteArray objOut = objBytes;
    objOut.append(static_cast<char>(nCrc & 0xFF));
    objOut.append(static_cast<char>(nCrc >> 8));
    return objOut;
}

#endif // FRAMEBYTES_H
