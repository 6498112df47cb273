#include "framelogtext.h"

QString RenderFrameHex(const QByteArray &objFrame)
{
    return QString::fromLatin1(objFrame.toHex(' '));
}

QString RenderFrameAscii(const QByteArray &objFrame)
{
    int nSize = objFrame.size();
    if (objFrame.endsWith("\r\n"))
        nSize -= 2;
    QString strText;
    strText.reserve(nSize + nSize / 2 + 1);
    int nSinceColon = 0;
    for (int i = 0; i < nSize; ++i) {
        const char c = objFrame.at(i);
        strText.append(QLatin1Char(c));
        if (c == ':') {
            strText.append(QLatin1Char(' '));
            nSinceColon = 0;
        } else if (++nSinceColon % 2 == 0) {
            strText.append(QLatin1Char(' '));
        }
    }
    return strText;
}

QString MakeFrameLogEntry(const QDateTime &objTime, const QString &strPortName, LINK_PROC_ERR_EN enType,
                          const QByteArray &objFrame, bool bAscii)
{
    const char *pPrefix = GetLinkProcErrPrefix(enType);
    return objTime.toString(QStringLiteral("[yyyy-MM-dd hh:mm:ss-zzz]")) + strPortName + QLatin1Char('-')
        + QLatin1String(pPrefix != nullptr ? pPrefix : "N/A: ") + QLatin1Char('\n')
        + (bAscii ? RenderFrameAscii(objFrame) : RenderFrameHex(objFrame));
}

QString MakeFrameLogFileName(const QString &strFolder, const QDateTime &objTime)
{
    return strFolder + QStringLiteral("/KestrixFrameLog") + objTime.toString(QStringLiteral("(yyyy-MM-dd hh_mm_ss)"))
        + QStringLiteral(".txt");
}
