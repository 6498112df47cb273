#ifndef CPORT_COM_H
#define CPORT_COM_H

// Serial link: Modbus RTU or ASCII over one serial port of the machine (or a
// terminal device path such as one end of a virtual serial pair).

#include <atomic>

#include "cport_base.h"
#include "portparadefine.h"

class QSerialPort;

class CPortCOM : public CPortBase
{
    Q_OBJECT

public:
    CPortCOM(const QString &strPortName, short nWorkMode, QObject *parent = nullptr);
    ~CPortCOM() override;

    unsigned short GetTransMode() const override;
    bool IsOpen() const override;

    // Data bits asked of the driver at the last open attempt that got as far
    // as applying settings (0 before that); ASCII asks for 7, RTU for 8.
    int GetRequestedDataBits() const;

protected:
    bool OpenPort() override;
    void ClosePort() override;
    bool WriteData(const QByteArray &objFrame) override;
    void ResumeRecv() override;

protected slots:
    void slRecvBuffData();

private:
    bool ApplySettings();

    // Lives in the worker thread, from a successful open until the close.
    QSerialPort *m_pSerialPort = nullptr;
    // Taken at each open (worker thread).
    COM_PARA_DATA_S m_stComPara;
    std::atomic<unsigned short> m_nTransMode{TRANS_MODE_RTU};
    std::atomic<int> m_nRequestedDataBits{0};
};

#endif // CPORT_COM_H
