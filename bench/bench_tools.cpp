// How long the tools page keeps the window from answering on its largest
// inputs, and what they cost in memory: "码流" on a text at the length limit,
// "字符串" on a megabyte of hex, and the length, CRC and dump of a file.
// Run offscreen, one case per process for honest peak memory:
//   QT_QPA_PLATFORM=offscreen bench_tools codes|text|file

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "cdlgcommtools.h"
#include "commcalc.h"
#include "uiutils.h"

namespace {

long PeakRssKb()
{
    QFile objStatus(QStringLiteral("/proc/self/status"));
    if (!objStatus.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &objLine : objStatus.readAll().split('\n')) {
        if (objLine.startsWith("VmHWM:"))
            return objLine.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

QAbstractButton *Button(QWidget *pPage, const char *pText)
{
    for (QAbstractButton *pButton : pPage->findChildren<QAbstractButton *>()) {
        if (pButton->text() == QString::fromUtf8(pText))
            return pButton;
    }
    return nullptr;
}

// CPU time of this thread: the machine may be shared, and the wall clock
// then tells more about the neighbours than about this code.
qint64 ThreadCpuMs()
{
    timespec stNow{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &stNow);
    return stNow.tv_sec * 1000 + stNow.tv_nsec / 1000000;
}

// Longest time the event loop went without a turn, while fnBusy holds.
struct STALL_WATCH_S
{
    QElapsedTimer objSince;
    qint64 nMaxGapMs = 0;
    QTimer objTimer;
    STALL_WATCH_S()
    {
        objTimer.setInterval(5);
        QObject::connect(&objTimer, &QTimer::timeout, [this] {
            nMaxGapMs = qMax(nMaxGapMs, objSince.restart());
        });
        objSince.start();
        objTimer.start();
    }
};

// A pasted text: lines of 80 characters.
QString PastedText(int nLen)
{
    QString strText(nLen, QLatin1Char('K'));
    for (int i = 80; i < nLen; i += 81)
        strText[i] = QLatin1Char('\n');
    return strText;
}

void BenchCodes(CDlgCommTools &objPage, QPlainTextEdit *pEditor)
{
    const QString strText = PastedText(MAX_STREAM_TEXT_LEN);
    QElapsedTimer objTimer;
    objTimer.start();
    qint64 nCpuMs = ThreadCpuMs();
    const QString strLines = BytesToHexLines(TextToLatin1Codes(strText));
    std::printf("conversion alone: %lld ms (CPU %lld ms) for %d characters -> %d\n",
                static_cast<long long>(objTimer.elapsed()), static_cast<long long>(ThreadCpuMs() - nCpuMs),
                strText.size(), strLines.size());
    pEditor->setPlainText(strText);
    QCoreApplication::processEvents();
    const long nRssBefore = PeakRssKb();

    STALL_WATCH_S stWatch;
    objTimer.restart();
    nCpuMs = ThreadCpuMs();
    Button(&objPage, "码流")->click();
    const qint64 nClickMs = objTimer.elapsed();
    const qint64 nClickCpuMs = ThreadCpuMs() - nCpuMs;
    stWatch.objSince.restart();
    stWatch.nMaxGapMs = 0;
    while (objPage.IsFillingStream())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("码流 on %d characters: click returns after %lld ms (CPU %lld ms), result complete after %lld ms "
                "(CPU %lld ms), longest stall while filling %lld ms\n",
                strText.size(), static_cast<long long>(nClickMs), static_cast<long long>(nClickCpuMs),
                static_cast<long long>(objTimer.elapsed()), static_cast<long long>(ThreadCpuMs() - nCpuMs),
                static_cast<long long>(stWatch.nMaxGapMs));
    std::printf("result %d characters in %d lines; peak RSS %ld MB with the input shown, %ld MB at the end\n",
                pEditor->toPlainText().size(), pEditor->blockCount(), nRssBefore / 1024, PeakRssKb() / 1024);
}

void BenchText(CDlgCommTools &objPage, QPlainTextEdit *pEditor)
{
    QString strHex;
    for (int i = 0; strHex.size() < (1 << 20); ++i)
        strHex += QString::asprintf("%.2X ", 0x20 + i % 0x5F);
    strHex.truncate(1 << 20);
    pEditor->setPlainText(strHex);
    QCoreApplication::processEvents();
    const long nRssBefore = PeakRssKb();
    QElapsedTimer objTimer;
    objTimer.start();
    const qint64 nCpuMs = ThreadCpuMs();
    Button(&objPage, "字符串")->click();
    QCoreApplication::processEvents();
    std::printf("字符串 on %d characters of hex: %lld ms (CPU %lld ms) in one pass, the window held as long; "
                "result %d characters; peak RSS %ld MB with the input shown, %ld MB at the end\n",
                strHex.size(), static_cast<long long>(objTimer.elapsed()),
                static_cast<long long>(ThreadCpuMs() - nCpuMs), pEditor->toPlainText().size(),
                nRssBefore / 1024, PeakRssKb() / 1024);
}

void BenchFile()
{
    QTemporaryDir objDir;
    const QString strPath = objDir.filePath(QStringLiteral("data.bin"));
    const int nSize = 64 << 20;
    {
        QFile objFile(strPath);
        objFile.open(QIODevice::WriteOnly);
        QByteArray objBlock(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < objBlock.size(); ++i)
            objBlock[i] = static_cast<char>(i * 7);
        for (int i = 0; i < nSize / objBlock.size(); ++i)
            objFile.write(objBlock);
    }
    QElapsedTimer objTimer;
    objTimer.start();
    qint64 nCpuMs = ThreadCpuMs();
    qint64 nLen = 0;
    quint16 nCrc = 0;
    CalcFileCrcSize(strPath, nLen, nCrc);
    std::printf("file of %d MB: length and CRC %lld ms (CPU %lld ms)", nSize >> 20,
                static_cast<long long>(objTimer.elapsed()), static_cast<long long>(ThreadCpuMs() - nCpuMs));
    objTimer.restart();
    nCpuMs = ThreadCpuMs();
    WriteBytesDump(strPath, BytesDumpPath(strPath));
    std::printf(", dump %lld ms (CPU %lld ms); peak RSS %ld MB\n", static_cast<long long>(objTimer.elapsed()),
                static_cast<long long>(ThreadCpuMs() - nCpuMs), PeakRssKb() / 1024);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication objApp(argc, argv);
    ApplyAppLook();
    SetMessageBoxResponder([](MESSAGE_BOX_KIND_EN, const QString &) { return true; });
    const QString strCase = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("codes");

    CDlgCommTools objPage;
    objPage.resize(920, 600);
    objPage.show();
    QPlainTextEdit *pEditor = objPage.findChild<QPlainTextEdit *>();
    if (strCase == QLatin1String("codes"))
        BenchCodes(objPage, pEditor);
    else if (strCase == QLatin1String("text"))
        BenchText(objPage, pEditor);
    else if (strCase == QLatin1String("file"))
        BenchFile();
    else
        std::printf("usage: bench_tools codes|text|file\n");
    return 0;
}
