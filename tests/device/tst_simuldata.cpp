#include <QtTest>
#include <cmath>

#include "commonfunc.h"
#include "simuldata.h"

namespace {

DATA_VALUE_CFG_S Cfg(quint16 nStrategy, const QString &a, const QString &b, const QString &c, const QString &d,
                     double fReset = 0.0, quint32 nRefresh = 1)
{
    DATA_VALUE_CFG_S objCfg;
    objCfg.nStategy = nStrategy;
    objCfg.strCoefA = a;
    objCfg.strCoefB = b;
    objCfg.strCoefC = c;
    objCfg.strCoefD = d;
    objCfg.fResetStep = fReset;
    objCfg.nXInvl = nRefresh;
    return objCfg;
}

} // namespace

class TestSimulData : public QObject
{
    Q_OBJECT

private slots:
    void line()
    {
        // 0 -> 100 in one hour, then one hour at 100.
        const DATA_VALUE_CFG_S objCfg = Cfg(1, "0", "100", "1", "0", 1.0);
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 0), QString("0"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 1800), QString("50"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 3600), QString("100"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 5400), QString("100"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 7200), QString("0"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 7200 + 1800), QString("50"));
        // Falling line.
        QCOMPARE(MakeSimulValue(Cfg(1, "100", "0", "1", "0", 1.0), 1.0, 900), QString("75"));
        // Texts that are no numbers count as 0.
        QCOMPARE(MakeSimulValue(Cfg(1, "abc", "100", "1", "0", 1.0), 1.0, 1800), QString("50"));
        QCOMPARE(MakeSimulValue(Cfg(1, "nan", "100", "1", "0", 1.0), 1.0, 1800), QString("50"));
    }

    void refreshInterval()
    {
        DATA_VALUE_CFG_S objCfg = Cfg(1, "0", "100", "1", "0", 1.0, 10);
        // 1809 s is computed as 1800 s.
        QCOMPARE(MakeSimulValue(objCfg, 0.01, 1809), QString("50.00"));
        QCOMPARE(MakeSimulValue(objCfg, 0.01, 1810), QString("50.28"));
        objCfg.nXInvl = 1;
        QCOMPARE(MakeSimulValue(objCfg, 0.01, 1809), QString("50.25"));
        objCfg.nXInvl = 0;
        QCOMPARE(MakeSimulValue(objCfg, 0.01, 1809), QString("50.25"));
    }

    void parabola()
    {
        // Top 100 at 1 h, foot 0, 2 h wide, no reset.
        DATA_VALUE_CFG_S objCfg = Cfg(2, "100", "1", "0", "2");
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 0), QString("0"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 1800), QString("75"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 3600), QString("100"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 5400), QString("75"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 7200), QString("0"));
        // With a reset of 1 h the curve stays at the foot after its end.
        objCfg.fResetStep = 1.0;
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 9000), QString("0"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 10800 + 3600), QString("100"));
        // Width 0 but a non-empty cycle gives 0.
        QCOMPARE(MakeSimulValue(Cfg(2, "100", "1", "5", "0"), 1.0, 100), QString("0"));
    }

    void sine()
    {
        // Amplitude 10, period 1 h, offset 5, shift 0; the constant is 6.283, not 2 pi.
        const DATA_VALUE_CFG_S objCfg = Cfg(3, "10", "1", "5", "0");
        const double fAt900 = 10 * std::sin(900 * 6.283 / 3600) + 5;
        QCOMPARE(MakeSimulValue(objCfg, 0.00000001, 900), QString::number(fAt900, 'f', 8));
        QCOMPARE(MakeSimulValue(objCfg, 0.00000001, 1800), QString("5.00092654"));
        QCOMPARE(MakeSimulValue(objCfg, 0.001, 2700), QString("-5.000"));
        // A shift of 0.25 h moves the curve; a shift beyond the period wraps.
        QCOMPARE(MakeSimulValue(Cfg(3, "10", "1", "5", "0.25"), 0.00000001, 0), QString::number(fAt900, 'f', 8));
        QCOMPARE(MakeSimulValue(Cfg(3, "10", "1", "5", "1.25"), 0.00000001, 0), QString::number(fAt900, 'f', 8));
        // A value that rounds to zero carries no sign.
        QCOMPARE(MakeSimulValue(Cfg(3, "0.1", "1", "0", "0"), 1.0, 2700), QString("0"));
    }

    void squareWave()
    {
        const DATA_VALUE_CFG_S objCfg = Cfg(4, "1", "1", "0", "1");
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 0), QString("1"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 3600), QString("1"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 3601), QString("0"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 7200), QString("1"));
        // The texts come back unchanged: no gain, noise or limits.
        DATA_VALUE_CFG_S objText = Cfg(4, "1.50", "1", "x", "1");
        objText.fMaxRadom = 5.0;
        objText.fMaxValue = 1.0;
        QCOMPARE(MakeSimulValue(objText, 1.0, 10), QString("1.50"));
        QCOMPARE(MakeSimulValue(objText, 1.0, 4000), QString("x"));
    }

    void fixedAndUnknownStrategy()
    {
        QCOMPARE(MakeSimulValue(Cfg(0, "12.5", "1", "2", "3"), 1.0, 100), QString("12.5"));
        QCOMPARE(MakeSimulValue(Cfg(5, "abc", "1", "2", "3"), 1.0, 100), QString("abc"));
        QCOMPARE(GetSimulCycle(Cfg(0, "1", "1", "1", "1")), qint64(86400));
        QCOMPARE(GetSimulCycle(Cfg(9, "1", "1", "1", "1")), qint64(86400));
    }

    // Cycles of zero length answer the start value instead of dividing by zero.
    void zeroCycles()
    {
        QCOMPARE(MakeSimulValue(Cfg(1, "7.5", "100", "0", "0", 0.0), 1.0, 1234), QString("7.5"));
        QCOMPARE(MakeSimulValue(Cfg(2, "7.5", "0", "0", "0", 0.0), 1.0, 1234), QString("7.5"));
        QCOMPARE(MakeSimulValue(Cfg(3, "7.5", "0", "5", "1"), 1.0, 1234), QString("7.5"));
        QCOMPARE(MakeSimulValue(Cfg(4, "7.5", "0", "1", "0"), 1.0, 1234), QString("7.5"));
        // Durations that cancel out are a zero cycle too.
        QCOMPARE(MakeSimulValue(Cfg(4, "7.5", "1", "1", "-1"), 1.0, 1234), QString("7.5"));
        QCOMPARE(GetSimulCycle(Cfg(1, "7.5", "100", "0", "0")), qint64(0));
        QCOMPARE(GetSimulCycle(Cfg(3, "7.5", "0", "5", "1")), qint64(0));
        // A line without rise time but with a reset sits at its end value.
        QCOMPARE(MakeSimulValue(Cfg(1, "0", "100", "0", "0", 1.0), 1.0, 10), QString("100"));
        // Absurd coefficients neither crash nor hang.
        const QString strHuge = "1e300";
        for (quint16 nStrategy = 1; nStrategy <= 4; ++nStrategy) {
            QVERIFY(!MakeSimulValue(Cfg(nStrategy, strHuge, strHuge, strHuge, strHuge, 1e300), 1.0, 4000000000u).isEmpty());
            QVERIFY(!MakeSimulValue(Cfg(nStrategy, "-" + strHuge, "-" + strHuge, "1", "-" + strHuge, -1e300), 1.0, 77).isEmpty());
        }
    }

    void cycleLengths()
    {
        QCOMPARE(GetSimulCycle(Cfg(1, "0", "100", "1", "0", 1.0)), qint64(7200));
        QCOMPARE(GetSimulCycle(Cfg(2, "100", "1", "0", "2", 0.5)), qint64(9000));
        QCOMPARE(GetSimulCycle(Cfg(4, "1", "1", "0", "2")), qint64(10800));
        // Whole seconds are truncated.
        QCOMPARE(GetSimulCycle(Cfg(3, "10", "0.001", "5", "0")), qint64(3));
    }

    void noiseAndLimits()
    {
        // Noise 0..0 adds nothing; limits 0 and 0 clamp nothing.
        DATA_VALUE_CFG_S objCfg = Cfg(1, "0", "100", "1", "0", 1.0);
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 3600), QString("100"));

        objCfg.fMinRadom = 1.0;
        objCfg.fMaxRadom = 2.0;
        QSet<QString> objSeen;
        for (int i = 0; i < 200; ++i) {
            const double fValue = MakeSimulValue(objCfg, 0.0001, 1800).toDouble();
            QVERIFY2(fValue >= 51.0 && fValue <= 52.0, qPrintable(QString::number(fValue)));
            objSeen.insert(QString::number(fValue));
        }
        QVERIFY(objSeen.size() > 1);
        // A span up to 0.0001 counts as no noise.
        objCfg.fMaxRadom = 1.0001;
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 1800), QString("50"));

        objCfg.fMinRadom = objCfg.fMaxRadom = 0.0;
        objCfg.fMinValue = 40.0;
        objCfg.fMaxValue = 60.0;
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 0), QString("40"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 1800), QString("50"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 3600), QString("60"));
        // Noise is added before the limits apply.
        objCfg.fMinRadom = 100.0;
        objCfg.fMaxRadom = 200.0;
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 0), QString("60"));
    }

    void decimalsFromGain()
    {
        const DATA_VALUE_CFG_S objCfg = Cfg(1, "12.3456", "12.3456", "1", "0");
        QCOMPARE(MakeSimulValue(objCfg, 0.001, 100), QString("12.346"));
        QCOMPARE(MakeSimulValue(objCfg, 0.01, 100), QString("12.35"));
        QCOMPARE(MakeSimulValue(objCfg, 1.0, 100), QString("12"));
        QCOMPARE(MakeSimulValue(objCfg, -0.5, 100), QString("12.3"));
        QCOMPARE(MakeSimulValue(objCfg, 2.25, 100), QString("12.35"));
    }

    void timeBases()
    {
        QCOMPARE(GetSimulTime(SIMUL_TIME_DEVICE_LAUNCH, 1600, 1000), quint32(600));
        QCOMPARE(GetSimulTime(SIMUL_TIME_DEVICE_LAUNCH, 900, 1000), quint32(0));
        QCOMPARE(GetSimulTime(7, 1600, 1000), quint32(0));
        const qint64 nMidnight = GetTodayStartTime();
        QCOMPARE(GetSimulTime(SIMUL_TIME_TODAY_MIDNIGHT, nMidnight + 3601, 0), quint32(3601));
        SaveStartTime();
        const qint64 nNow = QDateTime::currentSecsSinceEpoch();
        QVERIFY(GetSimulTime(SIMUL_TIME_PROGRAM_START, nNow + 20, 0) >= 19);
        QVERIFY(GetSimulTime(SIMUL_TIME_PROGRAM_START, nNow + 20, 0) <= 21);

        // Without a device only the launch time base fails, with the empty text.
        DEVICE_DATA_CFG_S objPoint;
        objPoint.fGain = 1.0;
        objPoint.objValueCfg = Cfg(4, "1", "1", "0", "1");
        objPoint.objValueCfg.nTimeBngrWay = SIMUL_TIME_DEVICE_LAUNCH;
        QCOMPARE(MakeSimulValueOfDevice(nullptr, "[S]COM1-001", objPoint), QString());
        objPoint.objValueCfg.nTimeBngrWay = SIMUL_TIME_PROGRAM_START;
        QCOMPARE(MakeSimulValueOfDevice(nullptr, "[S]COM1-001", objPoint), QString("1"));
    }
};

QTEST_GUILESS_MAIN(TestSimulData)
#include "tst_simuldata.moc"
