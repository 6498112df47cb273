// Frames per second of the codec: a 10-register read request and its reply
// are made and cut back, per transmission mode, on one thread.
//   build/bench/bench_codec [seconds per figure, default 1]

#include <QByteArray>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "cport_base.h"

namespace {

class CBenchPort : public CPortBase
{
public:
    explicit CBenchPort(unsigned short nTransMode) : CPortBase(QStringLiteral("BENCH"), WORK_MODE_MASTER), m_nMode(nTransMode) {}
    unsigned short GetTransMode() const override { return m_nMode; }

protected:
    bool OpenPort() override { return true; }
    bool WriteData(const QByteArray &) override { return true; }

private:
    unsigned short m_nMode;
};

void SilentHandler(QtMsgType, const QMessageLogContext &, const QString &)
{
}

using Clock = std::chrono::steady_clock;

// Runs fnStep in batches until the time is up; returns steps per second.
template <class Fn>
double Measure(double fSeconds, Fn fnStep)
{
    const Clock::time_point objStart = Clock::now();
    long long nSteps = 0;
    double fElapsed = 0;
    do {
        for (int i = 0; i < 10000; ++i)
            fnStep();
        nSteps += 10000;
        fElapsed = std::chrono::duration<double>(Clock::now() - objStart).count();
    } while (fElapsed < fSeconds);
    return nSteps / fElapsed;
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(SilentHandler);
    const double fSeconds = argc > 1 ? std::atof(argv[1]) : 1.0;

    LINK_SEND_DATA_S stRqst;
    stRqst.nSN = 0x0102;
    stRqst.nAddr = 1;
    stRqst.nFuncCode = 0x03;
    stRqst.nIsNeedRsp = 1;
    stRqst.objData = QByteArray::fromHex("0000000A");
    LINK_SEND_DATA_S stRsp = stRqst;
    stRsp.objData = QByteArray::fromHex("14") + QByteArray(20, '\x5A');

    struct Mode
    {
        unsigned short nMode;
        const char *pName;
    };
    const Mode MODES[] = {{TRANS_MODE_RTU, "RTU"}, {TRANS_MODE_ASCII, "ASCII"}, {TRANS_MODE_TCP_SYNC, "TCP"}};

    std::printf("%-6s %16s %16s %16s\n", "mode", "request/s", "reply/s", "exchange/s");
    int nFailures = 0;
    for (const Mode &stMode : MODES) {
        CBenchPort objPort(stMode.nMode);
        QByteArray objFrame;
        QByteArray objBuffer;
        QByteArray objOut;
        LINK_RECV_DATA_S stRecv;

        // Request: made by a master, cut by a slave.
        auto fnRequest = [&]() {
            objFrame.clear();
            objPort.MakeFrame(stRqst, objFrame);
            objBuffer = objFrame;
            objPort.PreProcRecvRqstData(objBuffer, stRecv, objOut);
            if (stRecv.enType != LINK_RECV_OK)
                ++nFailures;
        };
        // Reply: made by a slave, cut and checked by the master, as the link does.
        auto fnReply = [&]() {
            objFrame.clear();
            objPort.MakeFrame(stRsp, objFrame);
            objBuffer = objFrame;
            if (objPort.PreProcRecvRspData(stRqst, objBuffer, objOut) != LINK_RECV_OK || !objPort.CheckFrame(objOut))
                ++nFailures;
            stRecv.objData = objOut.mid(2);
        };
        const double fRequest = Measure(fSeconds, fnRequest);
        const double fReply = Measure(fSeconds, fnReply);
        const double fExchange = Measure(fSeconds, [&]() { fnRequest(); fnReply(); });
        std::printf("%-6s %16.0f %16.0f %16.0f\n", stMode.pName, fRequest, fReply, fExchange);
    }
    if (nFailures != 0) {
        std::printf("codec failures: %d\n", nFailures);
        return 1;
    }
    return 0;
}
