#include "serialportlist.h"

#include <QSerialPortInfo>

#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

QStringList EnumSerialPortNames()
{
    // Link threads open their ports at the same time; the system's device
    // enumeration keeps process-wide state of its own, so one at a time.
    static std::mutex s_objEnumLock;
    std::lock_guard<std::mutex> objLock(s_objEnumLock);
    QStringList objNames;
    const QList<QSerialPortInfo> objPorts = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &objInfo : objPorts)
        objNames.append(objInfo.portName());
    return objNames;
}

bool IsTerminalDevicePath(const QString &strPath)
{
    if (!strPath.startsWith(QLatin1Char('/')))
        return false;
    const QByteArray objPath = strPath.toLocal8Bit();
    struct stat stInfo;
    if (stat(objPath.constData(), &stInfo) != 0 || !S_ISCHR(stInfo.st_mode))
        return false;
    // Decided by where the link leads rather than by opening the device: closing
    // the only open end of a pseudo-terminal would hang up its peer.
    char *pReal = realpath(objPath.constData(), nullptr);
    if (pReal == nullptr)
        return false;
    const QString strReal = QString::fromLocal8Bit(pReal);
    free(pReal);
    return strReal.startsWith(QLatin1String("/dev/pts/")) || strReal.startsWith(QLatin1String("/dev/tty"));
}

bool IsMachineSerialPort(const QString &strName)
{
    if (strName.isEmpty())
        return false;
    return EnumSerialPortNames().contains(strName) || IsTerminalDevicePath(strName);
}
