#include "cport_com.h"

#include <QSerialPort>

#include "applog.h"
#include "ccomparamgr.h"
#include "serialportlist.h"

CPortCOM::CPortCOM(const QString &strPortName, short nWorkMode, QObject *parent)
    : CPortBase(strPortName, nWorkMode, parent)
{
    // Devices may ask for the framing before the worker thread has opened the
    // port; answer from the record as it stands now.
    COM_PARA_DATA_S stPara;
    if (CComParaMgr::GetComPara(strPortName, stPara))
        m_nTransMode.store(stPara.nTransMode, std::memory_order_relaxed);
}

CPortCOM::~CPortCOM()
{
    // The thread must end while this class's ClosePort still exists.
    if (isRunning())
        StopPort();
    delete m_pSerialPort;
    m_pSerialPort = nullptr;
}

unsigned short CPortCOM::GetTransMode() const
{
    return m_nTransMode.load(std::memory_order_relaxed);
}

bool CPortCOM::IsOpen() const
{
    return GetOpenFlag();
}

int CPortCOM::GetRequestedDataBits() const
{
    return m_nRequestedDataBits.load(std::memory_order_relaxed);
}

bool CPortCOM::OpenPort()
{
    if (!IsMachineSerialPort(m_strPortName)) {
        LOG_DEBUG() << "Port Open Failed by Invalid Port:" + m_strPortName;
        return false;
    }
    COM_PARA_DATA_S stPara;
    if (!CComParaMgr::GetComPara(m_strPortName, stPara)) {
        LOG_DEBUG() << "COM Port Para Get Failed:" + m_strPortName;
        return false;
    }
    m_stComPara = stPara;
    m_nTransMode.store(stPara.nTransMode, std::memory_order_relaxed);

    ClosePort();
    m_pSerialPort = new QSerialPort();
    m_pSerialPort->setPortName(m_strPortName);
    m_pSerialPort->close();
    if (!m_pSerialPort->open(QIODevice::ReadWrite)) {
        m_pSerialPort->close();
        delete m_pSerialPort;
        m_pSerialPort = nullptr;
        LOG_DEBUG() << "Port Open Failed:" + m_strPortName;
        return false;
    }
    if (!ApplySettings()) {
        m_pSerialPort->close();
        delete m_pSerialPort;
        m_pSerialPort = nullptr;
        LOG_DEBUG() << "Port Open Failed by Para:" + m_strPortName;
        return false;
    }
    m_pSerialPort->setReadBufferSize(MEDIUM_READ_BUFFER);
    connect(m_pSerialPort, &QSerialPort::readyRead, this, &CPortCOM::slRecvBuffData, Qt::DirectConnection);
    SetOpenFlag(true);
    LOG_DEBUG() << "Port Open Success:" + m_strPortName << m_stComPara.nTransMode;
    return true;
}

bool CPortCOM::ApplySettings()
{
    // Every setting is tried, so that every refusal reaches the port's error state.
    bool bAllAccepted = true;
    bAllAccepted &= m_pSerialPort->setBaudRate(m_stComPara.nBaudRate, QSerialPort::AllDirections);

    QSerialPort::Parity enParity = QSerialPort::NoParity;
    switch (m_stComPara.nParity) {
    case 0: enParity = QSerialPort::NoParity; break;
    case 1: enParity = QSerialPort::OddParity; break;
    case 2: enParity = QSerialPort::EvenParity; break;
    default:
        LOG_DEBUG() << "Invalid COM Port Parity:" + m_strPortName << ":" << m_stComPara.nParity;
        break;
    }
    bAllAccepted &= m_pSerialPort->setParity(enParity);

    QSerialPort::StopBits enStopBits = QSerialPort::OneStop;
    switch (m_stComPara.nStopBits) {
    case 0: enStopBits = QSerialPort::OneStop; break;
    case 1: enStopBits = QSerialPort::OneAndHalfStop; break;
    case 2: enStopBits = QSerialPort::TwoStop; break;
    default:
        LOG_DEBUG() << "Invalid COM Port StopBit:" + m_strPortName << ":" << m_stComPara.nStopBits;
        break;
    }
    bAllAccepted &= m_pSerialPort->setStopBits(enStopBits);

    const QSerialPort::DataBits enDataBits =
        (m_stComPara.nTransMode == TRANS_MODE_ASCII) ? QSerialPort::Data7 : QSerialPort::Data8;
    m_nRequestedDataBits.store(static_cast<int>(enDataBits), std::memory_order_relaxed);
    bAllAccepted &= m_pSerialPort->setDataBits(enDataBits);

    bAllAccepted &= m_pSerialPort->setFlowControl(QSerialPort::HardwareControl);

    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    bAllAccepted &= m_pSerialPort->setDataErrorPolicy(QSerialPort::IgnorePolicy);
    QT_WARNING_POP
    return bAllAccepted;
}

void CPortCOM::ClosePort()
{
    SetOpenFlag(false);
    if (m_pSerialPort == nullptr)
        return;
    m_pSerialPort->close();
    delete m_pSerialPort;
    m_pSerialPort = nullptr;
    LOG_DEBUG() << "Port Closed:" + m_strPortName;
}

bool CPortCOM::WriteData(const QByteArray &objFrame)
{
    if (m_pSerialPort == nullptr)
        return false;
    // Stray bytes that arrived since the last reply must not be taken for the
    // answer to this frame. Output still on its way is kept: it belongs to a
    // frame already reported as sent (a slave's earlier reply of the same
    // tick, a request without reply), and discarding it would cut that frame.
    m_pSerialPort->clear(QSerialPort::Input);
    if (m_pSerialPort->write(objFrame) < 0) {
        LOG_DEBUG() << "COM Port Send Failed:" + m_strPortName << m_pSerialPort->errorString();
        return false;
    }
    m_pSerialPort->flush();
    return true;
}

void CPortCOM::ResumeRecv()
{
    if (m_pSerialPort != nullptr && m_pSerialPort->bytesAvailable() > 0)
        slRecvBuffData();
}

void CPortCOM::slRecvBuffData()
{
    if (m_pSerialPort == nullptr || !TakesRecvData())
        return;
    const QByteArray objBytes = m_pSerialPort->readAll();
    if (objBytes.isEmpty())
        return;
    m_objRecvBuff.append(objBytes);
    ProcRecvBuffData();
}
