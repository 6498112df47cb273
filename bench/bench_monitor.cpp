// Monitoring under load, offscreen with the windows shown so that every
// entry is laid out and painted:
//   - frame log: 500 frames per second of traffic (hex, storing on) for 300 s
//     of frames, fed faster than real time: cost per entry at the start and
//     near the 300 s mark, for our view and for a rich-text view appended one
//     paragraph at a time; then the lateness of a 10 ms timer while a link
//     thread feeds the frames at SPEEDUP times real time;
//   - curves: cost per value, memory per stored point, replot time of 20
//     curves of 100,000 points, export time;
//   - statistics: cost per counted frame at 5,000 frames per second, and the
//     timer's lateness while a link thread feeds them in real time.
//   build/bench/bench_monitor [SPEEDUP, default 10] [framelog|curves|count]

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <qcustomplot.h>
#include <malloc.h>
#include <time.h>

#include "cdevicemgr.h"
#include "cdlgcount.h"
#include "cdlglinkcurve.h"
#include "cdlglinkframe.h"
#include "commonfunc.h"
#include "cportmgr.h"
#include "csvtable.h"
#include "curvedata.h"
#include "framelogtext.h"
#include "uiutils.h"

namespace {

using Clock = std::chrono::steady_clock;

void SilentHandler(QtMsgType, const QMessageLogContext &, const QString &)
{
}

double CpuMs()
{
    timespec stNow{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &stNow);
    return stNow.tv_sec * 1000.0 + stNow.tv_nsec / 1e6;
}

double WallMs(Clock::time_point tFrom)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - tFrom).count();
}

// Bytes the heap has handed out; unlike the resident size it does not hide
// growth in memory freed earlier.
double HeapMb()
{
    const struct mallinfo2 stInfo = mallinfo2();
    return double(stInfo.uordblks + stInfo.hblkhd) / 1048576.0;
}

const QByteArray RTU_REPLY = QByteArray::fromHex("0103140001000200030004000500060007000800090010c0de");

// Lateness of a 10 ms timer while it runs.
class CLatencyProbe
{
public:
    CLatencyProbe() : m_tStart(Clock::now()), m_tLast(m_tStart)
    {
        m_objTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_objTimer, &QTimer::timeout, [this]() {
            const Clock::time_point tNow = Clock::now();
            const double fLate = std::max(0.0, std::chrono::duration<double, std::milli>(tNow - m_tLast).count() - 10.0);
            if (m_vecLateMs.empty() || fLate > *std::max_element(m_vecLateMs.begin(), m_vecLateMs.end()))
                m_fWorstAtS = std::chrono::duration<double>(tNow - m_tStart).count();
            m_vecLateMs.push_back(fLate);
            m_tLast = tNow;
        });
        m_objTimer.start(10);
    }
    void Print(const char *pWhat)
    {
        std::sort(m_vecLateMs.begin(), m_vecLateMs.end());
        if (m_vecLateMs.empty())
            return;
        const auto fnLaterThan = [this](double fMs) {
            return m_vecLateMs.end() - std::upper_bound(m_vecLateMs.begin(), m_vecLateMs.end(), fMs);
        };
        std::printf("  %s: 10 ms timer late by at most %.1f ms (at %.0f s), 99th percentile %.1f ms, median %.1f ms; "
                    "%td of %zu ticks later than 20 ms, %td later than 50 ms\n",
                    pWhat, m_vecLateMs.back(), m_fWorstAtS, m_vecLateMs[m_vecLateMs.size() * 99 / 100],
                    m_vecLateMs[m_vecLateMs.size() / 2], fnLaterThan(20.0), m_vecLateMs.size(), fnLaterThan(50.0));
    }

private:
    QTimer m_objTimer;
    Clock::time_point m_tStart;
    Clock::time_point m_tLast;
    double m_fWorstAtS = 0.0;
    std::vector<double> m_vecLateMs;
};

// Emits frames through the link manager from another thread, as link
// threads do, at nPerSecond for nTotal frames, while the event loop runs.
void FeedFromThread(int nPerSecond, int nTotal, const std::function<void(int)> &fnEmit)
{
    QEventLoop objLoop;
    std::thread objFeeder([&]() {
        const Clock::time_point tStart = Clock::now();
        for (int i = 0; i < nTotal; ++i) {
            std::this_thread::sleep_until(tStart + std::chrono::microseconds(qint64(i) * 1000000 / nPerSecond));
            fnEmit(i);
        }
        QMetaObject::invokeMethod(&objLoop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    objLoop.exec();
    objFeeder.join();
}

void CheckBox(QWidget *pParent, const QString &strText)
{
    for (QCheckBox *pBox : pParent->findChildren<QCheckBox *>()) {
        if (pBox->text() == strText)
            pBox->click();
    }
}

// One second of traffic at a time; returns the cost per entry of each second.
std::vector<double> FillSeconds(int nSeconds, int nPerSecond, const std::function<void(int)> &fnRecord,
                                double fGiveUpMs)
{
    std::vector<double> vecUs;
    const Clock::time_point tStart = Clock::now();
    for (int s = 0; s < nSeconds && WallMs(tStart) < fGiveUpMs; ++s) {
        const double fCpu = CpuMs();
        for (int i = 0; i < nPerSecond; ++i)
            fnRecord(i);
        // Let the view take in what waits for it.
        QEventLoop objLoop;
        QTimer::singleShot(CDlgLinkFrame::SHOW_INTERVAL_MS + 5, &objLoop, &QEventLoop::quit);
        objLoop.exec();
        vecUs.push_back((CpuMs() - fCpu) * 1000.0 / nPerSecond);
    }
    return vecUs;
}

void PrintFill(const char *pWhat, const std::vector<double> &vecUs, int nPerSecond)
{
    auto fnMean = [&](size_t nFrom, size_t nTo) {
        nTo = std::min(nTo, vecUs.size());
        double fSum = 0.0;
        for (size_t i = nFrom; i < nTo; ++i)
            fSum += vecUs[i];
        return nTo > nFrom ? fSum / double(nTo - nFrom) : 0.0;
    };
    const size_t n = vecUs.size();
    std::printf("  %s: %.1f us/entry over seconds 1-10, %.1f us/entry over seconds %zu-%zu (%zu entries), worst second %.1f us/entry\n",
                pWhat, fnMean(0, 10), fnMean(n - std::min<size_t>(n, 10), n), n - std::min<size_t>(n, 10) + 1, n,
                n * size_t(nPerSecond), *std::max_element(vecUs.begin(), vecUs.end()));
}

// Shown, receiving and storing into the folder the folder dialog answers.
void ReceiveAndStore(CDlgLinkFrame &objLog)
{
    objLog.resize(1200, 300);
    objLog.show();
    CheckBox(&objLog, QStringLiteral("接收"));
    objLog.slDesPathSel();
    CheckBox(&objLog, QStringLiteral("存储"));
}

void BenchFrameLog(int nSpeedup)
{
    const int nPerSecond = 500, nSeconds = 300;
    std::printf("Frame log, %d frames/s for %d s of frames, hex, storing on:\n", nPerSecond, nSeconds);
    QTemporaryDir objDir;
    SetStdDialogResponder([&](STD_DIALOG_KIND_EN, const QString &, const QVariant &) { return objDir.path(); });
    {
        CDlgLinkFrame objLog;
        ReceiveAndStore(objLog);
        const std::vector<double> vecUs = FillSeconds(nSeconds, nPerSecond, [&](int i) {
            objLog.slRecordLinkData(QStringLiteral("/dev/ttyUSB0"), 1, i % 2 ? LINK_RECV_OK : LINK_SEND_OK, RTU_REPLY);
        }, 1e9);
        PrintFill("our view (one block per entry, shown every 100 ms, about 20,000 kept)", vecUs, nPerSecond);
    }
    {
        // The rich-text view appended one paragraph per entry.
        QTextEdit objView;
        objView.setReadOnly(true);
        objView.resize(1000, 300);
        objView.show();
        const std::vector<double> vecUs = FillSeconds(nSeconds, nPerSecond, [&](int i) {
            objView.append(MakeFrameLogEntry(QDateTime::currentDateTime(), QStringLiteral("/dev/ttyUSB0"),
                                             i % 2 ? LINK_RECV_OK : LINK_SEND_OK, RTU_REPLY, false));
        }, 120000.0);
        PrintFill("rich-text view, one append per entry (stopped after 120 s)", vecUs, nPerSecond);
    }
    {
        CDlgLinkFrame objLog;
        ReceiveAndStore(objLog);
        CLatencyProbe objProbe;
        const Clock::time_point tStart = Clock::now();
        FeedFromThread(nPerSecond * nSpeedup, nPerSecond * nSeconds, [](int i) {
            emit CPortMgr::GetInstance()->siRecvDataRaw(QStringLiteral("/dev/ttyUSB0"), 1,
                                                        i % 2 ? LINK_RECV_OK : LINK_SEND_OK, RTU_REPLY);
        });
        char szWhat[128];
        std::snprintf(szWhat, sizeof(szWhat), "fed by a thread at %d frames/s (%.1f s)", nPerSecond * nSpeedup,
                      WallMs(tStart) / 1000.0);
        objProbe.Print(szWhat);
    }
    SetStdDialogResponder({});
}

void BenchCurves()
{
    const int nCurves = 20, nPoints = 100000;
    std::printf("Curves, %d curves of %d points:\n", nCurves, nPoints);
    CDeviceMgr::AddDevice(QStringLiteral("Bench"), QStringLiteral("/dev/ttyBenchCurve"), DEVICE_TYPE_MASTER, 1, 1);
    CDlgLinkDataCurve *pWindow = CDlgLinkDataCurve::GetInstance();
    for (int c = 0; c < nCurves; ++c)
        pWindow->AddLegend(QStringLiteral("Bench"), QStringLiteral("P%1").arg(c), quint32(c));

    const QStringList lstNames = [&] {
        QStringList lst;
        for (int c = 0; c < nCurves; ++c)
            lst << QStringLiteral("P%1").arg(c);
        return lst;
    }();
    const double fHeapBefore = HeapMb();
    const double fCpu = CpuMs();
    for (int i = 0; i < nPoints; ++i) {
        for (int c = 0; c < nCurves; ++c)
            pWindow->slRefreshMoniSigalData(QStringLiteral("Bench"), lstNames.at(c), quint32(c), double(i));
    }
    const double fCpuUs = (CpuMs() - fCpu) * 1000.0 / (double(nCurves) * nPoints);
    const double fBytesPerPoint = (HeapMb() - fHeapBefore) * 1048576.0 / (double(nCurves) * nPoints);
    std::printf("  adding a value: %.2f us; memory: %.1f bytes per stored point (heap growth)\n", fCpuUs,
                fBytesPerPoint);
    const double fWeekPoints = 10.0 * 7 * 86400;
    std::printf("  a week of one curve at 10 values/s (%.0f points): %.0f MB if every point were kept; "
                "kept at most %d points: %.0f MB\n",
                fWeekPoints, fWeekPoints * fBytesPerPoint / 1048576.0, CDlgLinkDataCurve::MAX_CURVE_POINTS,
                CDlgLinkDataCurve::MAX_CURVE_POINTS * fBytesPerPoint / 1048576.0);

    // The values above share a few seconds; spread them as 10 values/s.
    QCustomPlot *pPlot = pWindow->findChild<QCustomPlot *>();
    const double fStart = double(QDateTime::currentSecsSinceEpoch()) - nPoints / 10.0;
    for (int c = 0; c < nCurves; ++c) {
        QVector<QCPGraphData> vecData(nPoints);
        for (int i = 0; i < nPoints; ++i)
            vecData[i] = QCPGraphData(fStart + i / 10.0, 25.0 + 20.0 * std::sin(i / 500.0 + c));
        pPlot->graph(c)->data()->set(vecData, true);
    }
    pWindow->show();
    QApplication::processEvents();
    auto fnReplot = [&](const char *pWhat, double fFrom, double fTo) {
        pPlot->xAxis->setRange(fFrom, fTo);
        pPlot->replot();
        const Clock::time_point t0 = Clock::now();
        for (int i = 0; i < 10; ++i)
            pPlot->replot();
        std::printf("  replot, %s: %.1f ms\n", pWhat, WallMs(t0) / 10.0);
    };
    fnReplot("all points in view", fStart, fStart + nPoints / 10.0);
    fnReplot("last 2 hours in view", fStart + nPoints / 10.0 - 7200.0, fStart + nPoints / 10.0);

    const double fHeapExport = HeapMb();
    double fHeapPeak = fHeapExport;
    const Clock::time_point tExport = Clock::now();
    CsvTable objTable;
    for (int c = 0; c < nCurves; ++c) {
        const QCPGraph *pGraph = pPlot->graph(c);
        SetCurveExportColumns(objTable, c, pGraph->name(), pGraph->data()->constBegin(), pGraph->data()->constEnd());
    }
    fHeapPeak = std::max(fHeapPeak, HeapMb());
    QTemporaryDir objDir;
    objTable.Save(objDir.filePath(QStringLiteral("curves.csv")), true);
    std::printf("  export of all curves: %.1f s, the table took %.0f MB of heap (%.0f bytes per point)\n",
                WallMs(tExport) / 1000.0, fHeapPeak - fHeapExport,
                (fHeapPeak - fHeapExport) * 1048576.0 / (double(nCurves) * nPoints));
    CDlgLinkDataCurve::DestroyInstance();
}

void BenchCount()
{
    const int nPerSecond = 5000, nSeconds = 10, nDevices = 10;
    std::printf("Statistics, %d frames/s over %d devices on 2 links, refreshing on:\n", nPerSecond, nDevices);
    for (int d = 0; d < nDevices; ++d) {
        const quint16 nAddr = quint16(d + 1);
        CDeviceMgr::AddDevice(QString(), d % 2 ? QStringLiteral("/dev/ttyBenchB") : QStringLiteral("/dev/ttyBenchA"),
                              DEVICE_TYPE_MASTER, nAddr, nAddr);
    }
    auto fnLink = [](int i) { return (i / 2) % 2 ? QStringLiteral("/dev/ttyBenchB") : QStringLiteral("/dev/ttyBenchA"); };
    auto fnAddr = [&](int i) { return quint16((i / 2) % nDevices + 1); };
    auto fnKind = [](int i) { return i % 2 ? LINK_RECV_OK : LINK_SEND_OK; };
    CDlgLinkCount objPage;
    objPage.resize(1000, 400);
    objPage.show();
    objPage.findChild<QPushButton *>()->click();
    for (int nView = 0; nView < 2; ++nView) {
        objPage.findChild<QComboBox *>()->setCurrentIndex(nView);
        const double fCpu = CpuMs();
        for (int i = 0; i < nPerSecond * nSeconds; ++i) {
            objPage.slRecordLinkData(fnLink(i), fnAddr(i), fnKind(i), RTU_REPLY);
            if (i % 50 == 49)
                QApplication::processEvents();
        }
        std::printf("  %s view: %.2f us per counted frame\n", nView == 0 ? "link" : "device",
                    (CpuMs() - fCpu) * 1000.0 / (nPerSecond * nSeconds));
    }
    CLatencyProbe objProbe;
    FeedFromThread(nPerSecond, nPerSecond * nSeconds, [&](int i) {
        emit CPortMgr::GetInstance()->siRecvDataRaw(fnLink(i), fnAddr(i), fnKind(i), RTU_REPLY);
    });
    objProbe.Print("fed by a thread in real time");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication objApp(argc, argv);
    qInstallMessageHandler(SilentHandler);
    RegisterLinkMetaTypes();
    ApplyAppLook();
    SaveStartTime();
    QTemporaryDir objWorkDir;
    QDir::setCurrent(objWorkDir.path());
    const int nSpeedup = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const QString strOnly = argc > 2 ? QString::fromLatin1(argv[2]) : QString();
    CDeviceMgr::GetInstance();
    if (strOnly.isEmpty() || strOnly == QLatin1String("framelog"))
        BenchFrameLog(nSpeedup);
    if (strOnly.isEmpty() || strOnly == QLatin1String("curves"))
        BenchCurves();
    if (strOnly.isEmpty() || strOnly == QLatin1String("count"))
        BenchCount();
    CDeviceMgr::DestroyInstance();
    CPortMgr::DestroyInstance();
    return 0;
}
