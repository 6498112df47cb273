#ifndef FRAMELOGTEXT_H
#define FRAMELOGTEXT_H

// Texts of the frame log: one entry per frame (time stamp, link, result
// kind, then the bytes on a second line) and the name of a storage file.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "linkdefine.h"

// Two lower-case hex digits per byte, separated by one blank.
QString RenderFrameHex(const QByteArray &objFrame);
// The bytes as characters without a final CR LF, a blank after every ':' and
// after every second byte since the last ':'.
QString RenderFrameAscii(const QByteArray &objFrame);

QString MakeFrameLogEntry(const QDateTime &objTime, const QString &strPortName, LINK_PROC_ERR_EN enType,
                          const QByteArray &objFrame, bool bAscii);

// strFolder + "/KestrixFrameLog(yyyy-MM-dd hh_mm_ss).txt"
QString MakeFrameLogFileName(const QString &strFolder, const QDateTime &objTime);

#endif // FRAMELOGTEXT_H
