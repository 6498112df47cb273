#ifndef MODBUSPEER_H
#define MODBUSPEER_H

// An independent Modbus implementation (libmodbus) as the peer that proves our
// frames right: a server thread over TCP on loopback or over a serial device.

#include <QByteArray>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

struct _modbus;
typedef struct _modbus modbus_t;
struct _modbus_mapping_t;

class CModbusServerPeer
{
public:
    // Every table holds nCount entries starting at address 0.
    explicit CModbusServerPeer(int nCount = 1000);
    ~CModbusServerPeer();

    // TCP server on nPort of strAddr (a 127.0.0.0/8 address). Returns false when it cannot listen.
    bool StartTcp(const QString &strAddr, int nPort);
    // RTU server on a serial device (for example one end of a socat pair), 8N1.
    bool StartRtu(const QString &strDevice, int nBaud, int nSlaveAddr);
    void Stop();

    // Thread-safe access to the tables.
    void SetHolding(int nAddr, quint16 nValue);
    void SetInput(int nAddr, quint16 nValue);
    void SetCoil(int nAddr, bool bValue);
    void SetDiscrete(int nAddr, bool bValue);
    quint16 Holding(int nAddr) const;
    bool Coil(int nAddr) const;

    int RequestCount() const { return m_nRequests.load(); }
    // Delay every reply by this many milliseconds (to build outstanding windows).
    void SetReplyDelay(int nMs) { m_nReplyDelayMs.store(nMs); }
    // TCP: every reply leaves this many milliseconds after its request came,
    // while later requests are read meanwhile, as by a server that works on
    // several at once.
    void SetReplyLatency(int nMs) { m_nReplyLatencyMs.store(nMs); }

private:
    void ServeTcp();
    void ServeRtu();
    int AnswerOne(modbus_t *pCtx);

    int m_nCount;
    _modbus_mapping_t *m_pMapping = nullptr;
    mutable std::mutex m_objMutex;
    modbus_t *m_pCtx = nullptr;
    int m_nListenSocket = -1;
    int m_nPort = 0;
    std::thread m_objThread;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nRequests{0};
    std::atomic<int> m_nReplyDelayMs{0};
    std::atomic<int> m_nReplyLatencyMs{0};
};

// Runs blocking libmodbus client calls in a thread of their own while the
// calling (GUI) thread keeps serving the devices; libmodbus's own timeouts
// bound every call.
void RunClient(const std::function<void()> &fnCall);
// Sends a hand-made request PDU (function code first) to nUnit; the reply
// PDU, empty when nothing came within the client's timeout.
QByteArray RawRequest(modbus_t *pCtx, quint8 nUnit, const QByteArray &objPdu);

#endif // MODBUSPEER_H
