#ifndef DEMOPROJECT_H
#define DEMOPROJECT_H

// The demo project of examples/, moved to a free port so tests never collide
// with each other or with a demo the developer is running.

#include <QFile>
#include <QString>

inline QByteArray DemoProjectText(int nPort)
{
    QFile objFile(qEnvironmentVariable("KESTRIX_TEST_SOURCE_DIR") + QStringLiteral("/../examples/demo.kestrix"));
    if (!objFile.open(QIODevice::ReadOnly))
        return QByteArray();
    return objFile.readAll().replace("PortID=\"5020\"", QByteArray("PortID=\"") + QByteArray::number(nPort) + '"');
}

inline bool WriteFile(const QString &strPath, const QByteArray &objText)
{
    QFile objFile(strPath);
    return objFile.open(QIODevice::WriteOnly | QIODevice::Truncate) && objFile.write(objText) == objText.size();
}

// Empty when the file cannot be read (or is a folder).
inline QByteArray ReadFile(const QString &strPath)
{
    QFile objFile(strPath);
    return objFile.open(QIODevice::ReadOnly) ? objFile.readAll() : QByteArray();
}

#endif // DEMOPROJECT_H
