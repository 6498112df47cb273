#ifndef CODECPORT_H
#define CODECPORT_H

// A link without medium and without thread, for exercising the frame codec.

#include "cport_base.h"

class CCodecPort : public CPortBase
{
public:
    explicit CCodecPort(unsigned short nTransMode, short nWorkMode = WORK_MODE_MASTER)
        : CPortBase(QStringLiteral("CODEC"), nWorkMode), m_nTransMode(nTransMode)
    {
    }
    unsigned short GetTransMode() const override { return m_nTransMode; }
    void SetTransMode(unsigned short nTransMode) { m_nTransMode = nTransMode; }

protected:
    bool OpenPort() override { return true; }
    bool WriteData(const QByteArray &) override { return true; }

private:
    unsigned short m_nTransMode;
};

#endif // CODECPORT_H
