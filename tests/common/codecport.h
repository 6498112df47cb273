#ifndef CODECPORT_H
#define CODECPORT_H

// A link without medium and without thread: for exercising the frame codec,
// and for devices bound to it directly, whose queued frames the test takes.

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
    // Everything queued so far, front first.
    QList<LINK_SEND_DATA_S> Take()
    {
        QList<LINK_SEND_DATA_S> lstOut;
        LINK_SEND_DATA_S stData;
        while (PopSendData(stData))
            lstOut.append(stData);
        return lstOut;
    }

protected:
    bool OpenPort() override { return true; }
    bool WriteData(const QByteArray &) override { return true; }

private:
    unsigned short m_nTransMode;
};

// A launched device on a link the test made itself, not the link manager's.
template <class TDevice>
class CBoundDevice : public TDevice
{
public:
    CBoundDevice(CPortBase *pPort, quint16 nAddr) : TDevice(QString(), QString(), nAddr)
    {
        this->m_objPara.strPortName = pPort->GetPortName();
        this->BindPort(pPort);
        this->SetState(1);
    }
    ~CBoundDevice() override { this->BindPort(nullptr); }
};

#endif // CODECPORT_H
