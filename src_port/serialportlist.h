#ifndef SERIALPORTLIST_H
#define SERIALPORTLIST_H

#include <QString>
#include <QStringList>

// The serial ports of this machine: what Qt's enumeration lists (names such as
// "ttyUSB0"), plus any path of an existing terminal device. Qt's enumeration
// does not list pseudo-terminals, yet virtual serial pairs (for example a
// socat link "/tmp/ttyV0" or "/dev/pts/7") are what users test with every day.
QStringList EnumSerialPortNames();

// True when the path names an existing terminal device (links are followed).
bool IsTerminalDevicePath(const QString &strPath);

// True when the name is listed by the enumeration or is a terminal device path.
bool IsMachineSerialPort(const QString &strName);

#endif // SERIALPORTLIST_H
