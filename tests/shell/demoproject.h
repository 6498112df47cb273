#ifndef DEMOPROJECT_H
#define DEMOPROJECT_H

// The demo project of examples/, moved to a free port so tests never collide
// with each other or with a demo the developer is running.

#include "common/uidriver.h"

inline QByteArray DemoProjectText(int nPort)
{
    return ReadFile(qEnvironmentVariable("KESTRIX_TEST_SOURCE_DIR") + QStringLiteral("/../examples/demo.kestrix"))
        .replace("PortID=\"5020\"", QByteArray("PortID=\"") + QByteArray::number(nPort) + '"');
}

#endif // DEMOPROJECT_H
