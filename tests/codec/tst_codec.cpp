// Frame codec: checksums, reply lengths, framing and the cutters that keep a
// link in step with a noisy wire.

#include <QRandomGenerator>
#include <QtTest>

#include "common/framebytes.h"
#include "common/codecport.h"

namespace {

LINK_SEND_DATA_S Rqst(quint16 nAddr, quint8 nFunc, const QByteArray &objData, quint16 nSN = 0)
{
    LINK_SEND_DATA_S stRqst;
    stRqst.nSN = nSN;
    stRqst.nAddr = nAddr;
    stRqst.nFuncCode = nFunc;
    stRqst.nIsNeedRsp = 1;
    stRqst.objData = objData;
    return stRqst;
}

// Request and reply data of one served function code.
struct ServedCase
{
    quint8 nFunc;
    QByteArray objRqstData;
    QByteArray objRspData;
};

QList<ServedCase> ServedCases()
{
    return {
        {0x01, Hex("0000000A"), Hex("02FF03")},
        {0x02, Hex("00100011"), Hex("03AA5501")},
        {0x03, Hex("0000000A"), Hex("14000100020003000400050006000700080009000A")},
        {0x04, Hex("00200002"), Hex("04DEADBEEF")},
        {0x05, Hex("0003FF00"), Hex("0003FF00")},
        {0x06, Hex("00041234"), Hex("00041234")},
        {0x0F, Hex("0000000A02FF03"), Hex("0000000A")},
        {0x10, Hex("000000020400010002"), Hex("00000002")},
    };
}

const unsigned short ALL_MODES[] = {TRANS_MODE_RTU, TRANS_MODE_ASCII, TRANS_MODE_TCP_SYNC, TRANS_MODE_TCP_ASYNC};

} // namespace

class TstCodec : public QObject
{
    Q_OBJECT

private slots:
    void checksums();
    void crcFormsAgree();
    void rspPduLen_data();
    void rspPduLen();
    void makeFrame();
    void checkFrame_data();
    void checkFrame();
    void rtuReplyCutter();
    void tcpReplyCutter();
    void asciiReplyCutter_data();
    void asciiReplyCutter();
    void rtuRequestCutter();
    void asciiRequestCutter();
    void tcpRequestCutter();
    void unknownModeNeverStalls();
    void roundTripEveryModeAndCode();
};

void TstCodec::checksums()
{
    QCOMPARE(CalcCRC16(QByteArray("123456789")), quint16(0x4B37));
    QCOMPARE(CalcCRC16("123456789", 9), quint16(0x4B37));
    QCOMPARE(CalcCRC16(Hex("01030000000A")), quint16(0xCDC5));
    QCOMPARE(WithCrc(Hex("01030000000A")), Hex("01030000000AC5CD"));
    QCOMPARE(CalcCRC16(QByteArray()), quint16(0xFFFF));
    QCOMPARE(CalcCRC16(nullptr, 0), quint16(0xFFFF));
    QCOMPARE(CalcLRC(Hex("01030000000A")), static_cast<unsigned char>(0xF2));
    QCOMPARE(CalcLRC(QByteArray()), static_cast<unsigned char>(0x00));
    // Sum wrapping at 256: 0x80 + 0x80 = 0 -> LRC 0; 0xFF -> 0x01.
    QCOMPARE(CalcLRC(Hex("8080")), static_cast<unsigned char>(0x00));
    QCOMPARE(CalcLRC(Hex("FF")), static_cast<unsigned char>(0x01));
    QVERIFY(IsRspFuncCode(0x03, 0x83));
    QVERIFY(IsRspFuncCode(0x90, 0x10)); // exception code wraps at 256
    QVERIFY(!IsRspFuncCode(0x03, 0x04));
}

void TstCodec::crcFormsAgree()
{
    QRandomGenerator objRand(4711);
    for (int n = 0; n < 500; ++n) {
        QByteArray objData(static_cast<int>(objRand.bounded(300)), '\0');
        for (char &cByte : objData)
            cByte = static_cast<char>(objRand.bounded(256));
        QCOMPARE(CalcCRC16(objData), CalcCRC16(objData.constData(), objData.size()));
    }
}

void TstCodec::rspPduLen_data()
{
    QTest::addColumn<int>("nRqst");
    QTest::addColumn<int>("nRsp");
    QTest::addColumn<QByteArray>("objData");
    QTest::addColumn<int>("nLen");

    QTest::newRow("exception") << 0x03 << 0x83 << Hex("0000000A") << 2;
    QTest::newRow("exception wraps at 256") << 0x80 << 0x00 << Hex("0000000A") << 2;
    QTest::newRow("coils 1") << 0x01 << 0x01 << Hex("00000001") << 3;
    QTest::newRow("coils 8") << 0x01 << 0x01 << Hex("00000008") << 3;
    QTest::newRow("inputs 9") << 0x02 << 0x02 << Hex("00000009") << 4;
    QTest::newRow("coils 65535") << 0x01 << 0x01 << Hex("0000FFFF") << 2 + 8192;
    QTest::newRow("holding 10") << 0x03 << 0x03 << Hex("0000000A") << 22;
    QTest::newRow("input regs 0") << 0x04 << 0x04 << Hex("00000000") << 2;
    QTest::newRow("largest fitting count") << 0x03 << 0x03 << Hex("00007FFE") << 0xFFFE;
    QTest::newRow("count overflowing 16 bits") << 0x03 << 0x03 << Hex("00007FFF") << 0xFFFF;
    QTest::newRow("count 0x8000 does not wrap to 2") << 0x04 << 0x04 << Hex("00008000") << 0xFFFF;
    QTest::newRow("write coil") << 0x05 << 0x05 << Hex("0000FF00") << 5;
    QTest::newRow("write reg") << 0x06 << 0x06 << Hex("00000001") << 5;
    QTest::newRow("write coils") << 0x0F << 0x0F << Hex("0000000A02FF03") << 5;
    QTest::newRow("write regs") << 0x10 << 0x10 << Hex("000000020400010002") << 5;
    QTest::newRow("unsupported code") << 0x07 << 0x07 << Hex("00000000") << 0xFFFF;
    QTest::newRow("short request data") << 0x03 << 0x03 << Hex("000000") << 0xFFFF;
    QTest::newRow("short data, exception") << 0x03 << 0x83 << QByteArray() << 0xFFFF;
}

void TstCodec::rspPduLen()
{
    QFETCH(int, nRqst);
    QFETCH(int, nRsp);
    QFETCH(QByteArray, objData);
    QFETCH(int, nLen);
    QCOMPARE(int(GetRspPduLen(static_cast<unsigned char>(nRqst), static_cast<unsigned char>(nRsp), objData)), nLen);
}

void TstCodec::makeFrame()
{
    LINK_SEND_DATA_S stRqst = Rqst(0x0101, 0x03, Hex("0000000A"), 0x1234);

    CCodecPort objRtu(TRANS_MODE_RTU);
    QByteArray objOut = "xy";
    objRtu.MakeFrame(stRqst, objOut);
    QCOMPARE(objOut, QByteArray("xy") + Hex("01030000000AC5CD")); // appended, address low byte

    CCodecPort objAscii(TRANS_MODE_ASCII);
    objOut.clear();
    objAscii.MakeFrame(stRqst, objOut);
    QCOMPARE(objOut, QByteArray(":01030000000AF2\r\n"));

    for (unsigned short nMode : {TRANS_MODE_TCP_SYNC, TRANS_MODE_TCP_ASYNC}) {
        CCodecPort objTcp(nMode);
        objOut.clear();
        objTcp.MakeFrame(stRqst, objOut);
        QCOMPARE(objOut, Hex("123400000006010300 00000A").replace(" ", ""));
    }
    CCodecPort objTcp(TRANS_MODE_TCP_SYNC);
    objOut.clear();
    objTcp.MakeFrame(Rqst(1, 0x03, QByteArray()), objOut);
    QCOMPARE(objOut, Hex("0000000000020103"));
}

void TstCodec::checkFrame_data()
{
    QTest::addColumn<int>("nMode");
    QTest::addColumn<QByteArray>("objFrame");
    QTest::addColumn<bool>("bOk");

    QTest::newRow("rtu good") << int(TRANS_MODE_RTU) << Hex("01030000000AC5CD") << true;
    QTest::newRow("rtu bad crc") << int(TRANS_MODE_RTU) << Hex("01030000000AC5CE") << false;
    QTest::newRow("rtu crc bytes swapped") << int(TRANS_MODE_RTU) << Hex("01030000000ACDC5") << false;
    QTest::newRow("rtu 3 bytes") << int(TRANS_MODE_RTU) << Hex("0103FF") << false;
    QTest::newRow("rtu 4 bytes good") << int(TRANS_MODE_RTU) << WithCrc(Hex("0183")) << true;
    QTest::newRow("ascii good") << int(TRANS_MODE_ASCII) << Hex("01030000000AF2") << true;
    QTest::newRow("ascii bad") << int(TRANS_MODE_ASCII) << Hex("01030000000AF3") << false;
    QTest::newRow("ascii 2 bytes") << int(TRANS_MODE_ASCII) << Hex("01FF") << false;
    QTest::newRow("tcp anything") << int(TRANS_MODE_TCP_SYNC) << Hex("01") << true;
    QTest::newRow("unknown mode") << 9 << Hex("01030000000AC5CD") << false;
}

void TstCodec::checkFrame()
{
    QFETCH(int, nMode);
    QFETCH(QByteArray, objFrame);
    QFETCH(bool, bOk);
    CCodecPort objPort(static_cast<unsigned short>(nMode));
    QCOMPARE(objPort.CheckFrame(objFrame), bOk);
}

void TstCodec::rtuReplyCutter()
{
    CCodecPort objPort(TRANS_MODE_RTU);
    const LINK_SEND_DATA_S stRqst = Rqst(1, 0x03, Hex("0000000A"));
    QByteArray objReply = Hex("0103 14");
    for (int i = 0; i < 20; ++i)
        objReply.append(static_cast<char>(i));
    objReply = WithCrc(objReply);
    QCOMPARE(objReply.size(), 25);
    QByteArray objOut;

    // Complete at 25 bytes, waiting at 24 with the buffer untouched.
    QByteArray objBuffer = objReply.left(24);
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_ERR_GENERAL);
    QCOMPARE(objBuffer, objReply.left(24));
    objBuffer = objReply + Hex("EEEE");
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_OK);
    QCOMPARE(objOut, objReply);
    QCOMPARE(objBuffer, objReply + Hex("EEEE")); // left for the caller to discard

    // Fewer than 4 bytes: wait.
    objBuffer = Hex("010314");
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_ERR_GENERAL);

    // Exception reply complete at 5 bytes.
    objBuffer = WithCrc(Hex("018302"));
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_OK);
    QCOMPARE(objOut, WithCrc(Hex("018302")));

    // Two garbage bytes: cut off first, then the reply.
    objBuffer = Hex("AA55") + objReply;
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_FRAME_ERR);
    QCOMPARE(objOut, Hex("AA55"));
    QCOMPARE(objBuffer, objReply);
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_OK);
    QCOMPARE(objOut, objReply);

    // A reply of another unit is not ours, whether ours follows or not: cut
    // whole once complete.
    const QByteArray objOther = WithCrc(Hex("0203020000"));
    objBuffer = objOther + objReply;
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_FRAME_ERR);
    QCOMPARE(objOut, objOther);
    const LINK_SEND_DATA_S stOne = Rqst(1, 0x03, Hex("00000001"));
    objBuffer = objOther.left(6);
    QCOMPARE(objPort.PreProcRecvRspData(stOne, objBuffer, objOut), LINK_ERR_GENERAL);
    objBuffer = objOther;
    QCOMPARE(objPort.PreProcRecvRspData(stOne, objBuffer, objOut), LINK_RECV_FRAME_ERR);
    QCOMPARE(objOut, objOther);
    QVERIFY(objBuffer.isEmpty());

    // Nothing that can start our reply: given up to where ours could begin.
    objBuffer = Hex("FFFFFF0103");
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_FRAME_ERR);
    QCOMPARE(objOut, Hex("FFFF"));
    QCOMPARE(objBuffer, Hex("FF0103"));

    // A request without known reply length throws the whole buffer away.
    const LINK_SEND_DATA_S stOdd = Rqst(1, 0x2B, Hex("0E010000"));
    objBuffer = Hex("012B0E01020304");
    QCOMPARE(objPort.PreProcRecvRspData(stOdd, objBuffer, objOut), LINK_RECV_FRAME_ERR);
    QCOMPARE(objOut, Hex("012B0E01020304"));
    QVERIFY(objBuffer.isEmpty());

    // Address above 255 matches on its low byte.
    objBuffer = WithCrc(Hex("018302"));
    QCOMPARE(objPort.PreProcRecvRspData(Rqst(0x0101, 0x03, Hex("0000000A")), objBuffer, objOut), LINK_RECV_OK);
}

void TstCodec::tcpReplyCutter()
{
    CCodecPort objPort(TRANS_MODE_TCP_SYNC);
    const LINK_SEND_DATA_S stRqst = Rqst(1, 0x03, Hex("00000001"), 0x0007);
    QByteArray objOut;
    const QByteArray objGood = Hex("0007000000050103020064");

    QByteArray objBuffer = objGood.left(7);
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_ERR_GENERAL);
    objBuffer = objGood.left(10);
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_ERR_GENERAL);
    QCOMPARE(objBuffer, objGood.left(10));

    objBuffer = objGood + Hex("00");
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_OK);
    QCOMPARE(objOut, Hex("0103020064"));
    QCOMPARE(objBuffer.size(), objGood.size() + 1);

    // Transaction identifier of another request: kind 7, removed.
    objBuffer = Hex("0008000000050103020064") + objGood;
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_SN_ERR);
    QCOMPARE(objOut, Hex("0008000000050103020064"));
    QCOMPARE(objBuffer, objGood);

    // Protocol identifier 1: kind 8, removed.
    objBuffer = Hex("0007000100050103020064");
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_TYPE_ERR);
    QCOMPARE(objOut.size(), 11);
    QVERIFY(objBuffer.isEmpty());

    // A length no ADU can have (below 2, above 254): the header is dropped
    // at once, nothing is awaited.
    for (const char *pFrame : {"000700000000", "000700000001", "000700000100", "00070000FFFF"}) {
        objBuffer = Hex(pFrame) + "xy";
        QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_RECV_FRAME_ERR);
        QCOMPARE(objOut, Hex(pFrame));
        QCOMPARE(objBuffer, QByteArray("xy"));
    }
    objBuffer = Hex("0007000000FE") + QByteArray(253, '\1');
    QCOMPARE(objPort.PreProcRecvRspData(stRqst, objBuffer, objOut), LINK_ERR_GENERAL);
}

void TstCodec::asciiReplyCutter_data()
{
    QTest::addColumn<QByteArray>("objBuffer");
    QTest::addColumn<int>("nResult");
    QTest::addColumn<QByteArray>("objOut");
    QTest::addColumn<QByteArray>("objLeft");

    QTest::newRow("empty") << QByteArray() << 0 << QByteArray() << QByteArray();
    QTest::newRow("no colon") << QByteArray("0103\r\n") << 5 << QByteArray("0103\r\n") << QByteArray();
    QTest::newRow("garbage before colon") << QByteArray("xx:0103") << 5 << QByteArray("xx") << QByteArray(":0103");
    QTest::newRow("no end of line") << QByteArray(":01030200") << 0 << QByteArray() << QByteArray(":01030200");
    QTest::newRow("good, upper case") << QByteArray(":010302ABCD7D\r\nzz") << 2 << Hex("010302ABCD7D")
                                      << QByteArray(":010302ABCD7D\r\nzz");
    QTest::newRow("good, lower case") << QByteArray(":010302abcd7d\r\n") << 2 << Hex("010302ABCD7D")
                                      << QByteArray(":010302abcd7d\r\n");
    QTest::newRow("odd digits") << QByteArray(":0103020\r\n:01") << 5 << QByteArray("0103020") << QByteArray(":01");
    QTest::newRow("not hex") << QByteArray(":01G302\r\n") << 5 << QByteArray("01G302") << QByteArray();
    QTest::newRow("two bytes only") << QByteArray(":0183\r\n") << 5 << QByteArray("0183") << QByteArray();
    QTest::newRow("empty text") << QByteArray(":\r\n:01") << 5 << QByteArray(":\r\n") << QByteArray(":01");
    QTest::newRow("colon aborts the frame") << QByteArray(":0103:010302") << 5 << QByteArray(":0103")
                                            << QByteArray(":010302");
    // No reply text is longer than 2 * 0x10000 characters: a longer one without
    // end of line is noise that must not pile up.
    const QByteArray objLongest = ":" + QByteArray(2 * 0x10000, 'A') + "\r";
    QTest::newRow("longest text still waits") << objLongest << 0 << QByteArray() << objLongest;
    QTest::newRow("text too long for any frame") << objLongest + "A" << 5 << objLongest + "A" << QByteArray();
}

void TstCodec::asciiReplyCutter()
{
    QFETCH(QByteArray, objBuffer);
    QFETCH(int, nResult);
    QFETCH(QByteArray, objOut);
    QFETCH(QByteArray, objLeft);
    CCodecPort objPort(TRANS_MODE_ASCII);
    QByteArray objResult = "stale";
    QCOMPARE(int(objPort.PreProcRecvRspData(Rqst(1, 3, Hex("00000001")), objBuffer, objResult)), nResult);
    QCOMPARE(objResult, objOut);
    QCOMPARE(objBuffer, objLeft);
}

void TstCodec::rtuRequestCutter()
{
    CCodecPort objPort(TRANS_MODE_RTU, WORK_MODE_SLAVE);
    LINK_RECV_DATA_S stRecv;
    QByteArray objRaw;

    // Write multiple registers: 13 bytes from the byte count.
    const QByteArray objWrite = WithCrc(Hex("01100000000204000A000B"));
    QCOMPARE(objWrite.size(), 13);
    QByteArray objBuffer = objWrite.left(9);
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QVERIFY(objRaw.isEmpty());
    objBuffer = objWrite.left(12);
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QVERIFY(objRaw.isEmpty());
    QCOMPARE(objBuffer.size(), 12);
    objBuffer = objWrite + Hex("11");
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, objWrite);
    QCOMPARE(objBuffer, Hex("11"));
    QCOMPARE(stRecv.enType, LINK_RECV_OK);
    QCOMPARE(stRecv.nAddr, quint8(1));
    QCOMPARE(stRecv.nFuncCode, quint8(0x10));
    QCOMPARE(stRecv.objData, Hex("00000002 04000A000B").replace(" ", ""));
    QCOMPARE(stRecv.nSN, quint16(1));

    // Resynchronisation: the first code-like byte at 3 loses two bytes.
    const QByteArray objRead = WithCrc(Hex("11030000000A"));
    objBuffer = Hex("FF00") + objRead;
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, Hex("FF00"));
    QCOMPARE(stRecv.enType, LINK_RECV_FRAME_ERR);
    QCOMPARE(stRecv.nAddr, quint8(0));
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, objRead);
    QCOMPARE(stRecv.enType, LINK_RECV_OK);
    QCOMPARE(stRecv.nSN, quint16(2)); // the link's counter goes on
    QVERIFY(objBuffer.isEmpty());

    // Bytes that may still become a frame of a code not served wait; what
    // is whole behind them is found.
    objBuffer = Hex("FF00FF00FF");
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QVERIFY(objRaw.isEmpty());
    objBuffer += objRead;
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, Hex("FF00FF00FF"));
    QCOMPARE(objBuffer, objRead);
    objBuffer.clear();

    // Bad checksum: given up as one request of kind 6 with the address once
    // the next frame shows where it ended.
    QByteArray objBad = objRead;
    objBad[7] = static_cast<char>(objBad[7] ^ 0x01);
    objBuffer = objBad + objRead;
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, objBad);
    QCOMPARE(stRecv.enType, LINK_RECV_CHECK_ERR);
    QCOMPARE(stRecv.nAddr, quint8(0x11));
    QCOMPARE(stRecv.nSN, quint16(0));
    QVERIFY(stRecv.objData.isEmpty());
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, objRead);

    // Another unit's reply to a write on a shared line: eight bytes, not
    // the length the write's byte count would give.
    objBuffer = WithCrc(Hex("111000000002")) + objRead;
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, WithCrc(Hex("111000000002")));
    QCOMPARE(objBuffer, objRead);

    // More than any frame can claim without one in it: given up to where a
    // frame could still begin.
    objBuffer = QByteArray(300, '\xFF');
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(stRecv.enType, LINK_RECV_FRAME_ERR);
    QVERIFY(objBuffer.size() < 256);

    // Fewer than 4 bytes: nothing.
    objBuffer = Hex("110300");
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QVERIFY(objRaw.isEmpty());
    QCOMPARE(objBuffer.size(), 3);
}

void TstCodec::asciiRequestCutter()
{
    CCodecPort objPort(TRANS_MODE_ASCII, WORK_MODE_SLAVE);
    LINK_RECV_DATA_S stRecv;
    QByteArray objRaw;

    QByteArray objBuffer = ":01030000000AF2\r\n:0103";
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, QByteArray("01030000000AF2"));
    QCOMPARE(stRecv.enType, LINK_RECV_OK);
    QCOMPARE(stRecv.nFuncCode, quint8(3));
    QCOMPARE(stRecv.objData, Hex("0000000A"));
    QCOMPARE(objBuffer, QByteArray(":0103"));

    objBuffer = ":01030000000AF\r\n";
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, QByteArray("01030000000AF"));
    QCOMPARE(stRecv.enType, LINK_RECV_FRAME_ERR);
    QCOMPARE(stRecv.nAddr, quint8(0));
    QVERIFY(objBuffer.isEmpty());

    objBuffer = ":01030000000AF3\r\n";
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(stRecv.enType, LINK_RECV_CHECK_ERR);

    // Empty text: reported, so a request behind it is cut in the same pass.
    objBuffer = ":\r\n:01030000000AF2\r\n";
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, QByteArray(":\r\n"));
    QCOMPARE(stRecv.enType, LINK_RECV_FRAME_ERR);
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(stRecv.enType, LINK_RECV_OK);

    // A text without end of line longer than any frame is cut as noise.
    const QByteArray objNoise = ":" + QByteArray(2 * 0x10000 + 2, '0');
    objBuffer = objNoise;
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, objNoise);
    QCOMPARE(stRecv.enType, LINK_RECV_FRAME_ERR);
    QVERIFY(objBuffer.isEmpty());

    objBuffer = "abc:01";
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, QByteArray("abc"));
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QVERIFY(objRaw.isEmpty());
    QCOMPARE(objBuffer, QByteArray(":01"));
}

void TstCodec::tcpRequestCutter()
{
    CCodecPort objPort(TRANS_MODE_TCP_SYNC, WORK_MODE_SLAVE);
    LINK_RECV_DATA_S stRecv;
    QByteArray objRaw;

    const QByteArray objFrame = Hex("BEEF00000006 11 03 0000000A").replace(" ", "");
    QByteArray objBuffer = objFrame.left(11);
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QVERIFY(objRaw.isEmpty());
    objBuffer = objFrame + objFrame.left(3);
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(objRaw, objFrame);
    QCOMPARE(stRecv.enType, LINK_RECV_OK);
    QCOMPARE(stRecv.nSN, quint16(0xBEEF));
    QCOMPARE(stRecv.nAddr, quint8(0x11));
    QCOMPARE(stRecv.objData, Hex("0000000A"));
    QCOMPARE(objBuffer, objFrame.left(3));

    objBuffer = Hex("BEEF00010006 11 03 0000000A").replace(" ", "");
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
    QCOMPARE(stRecv.enType, LINK_RECV_TYPE_ERR);
    QCOMPARE(stRecv.nAddr, quint8(0x11));

    // A length no ADU can have: the header alone is the frame error.
    for (const char *pFrame : {"000100000000FFFF", "00010000000111FF", "00010000FFFF1103"}) {
        objBuffer = Hex(pFrame);
        objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
        QCOMPARE(objRaw, Hex(pFrame).left(6));
        QCOMPARE(stRecv.enType, LINK_RECV_FRAME_ERR);
        QCOMPARE(stRecv.nAddr, quint8(0));
    }
}

void TstCodec::unknownModeNeverStalls()
{
    CCodecPort objPort(7);
    QByteArray objOut = "x";
    objPort.MakeFrame(Rqst(1, 3, Hex("00000001")), objOut);
    QCOMPARE(objOut, QByteArray("x"));
    QByteArray objBuffer = Hex("0103");
    QCOMPARE(objPort.PreProcRecvRspData(Rqst(1, 3, Hex("00000001")), objBuffer, objOut), LINK_RECV_FRAME_ERR);
    QVERIFY(objBuffer.isEmpty());
    objBuffer = Hex("0103");
    LINK_RECV_DATA_S stRecv;
    objPort.PreProcRecvRqstData(objBuffer, stRecv, objOut);
    QCOMPARE(objOut, Hex("0103"));
    QCOMPARE(stRecv.enType, LINK_RECV_FRAME_ERR);
}

// Every frame the codec makes is cut back whole, and every proper prefix of it
// only makes the cutter wait.
void TstCodec::roundTripEveryModeAndCode()
{
    for (unsigned short nMode : ALL_MODES) {
        CCodecPort objMaster(nMode, WORK_MODE_MASTER);
        CCodecPort objSlave(nMode, WORK_MODE_SLAVE);
        quint16 nSN = 100;
        for (const ServedCase &stCase : ServedCases()) {
            const QString strWhere = QStringLiteral("mode %1 code %2").arg(nMode).arg(stCase.nFunc);
            const LINK_SEND_DATA_S stRqst = Rqst(0x21, stCase.nFunc, stCase.objRqstData, ++nSN);

            // Request, as a slave link cuts it.
            QByteArray objFrame;
            objMaster.MakeFrame(stRqst, objFrame);
            LINK_RECV_DATA_S stRecv;
            QByteArray objRaw;
            for (int nLen = 0; nLen < objFrame.size(); ++nLen) {
                QByteArray objPart = objFrame.left(nLen);
                objSlave.PreProcRecvRqstData(objPart, stRecv, objRaw);
                QVERIFY2(objRaw.isEmpty(), qPrintable(strWhere));
                QCOMPARE(objPart.size(), nLen);
            }
            QByteArray objBuffer = objFrame;
            objSlave.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
            QVERIFY2(stRecv.enType == LINK_RECV_OK, qPrintable(strWhere));
            QVERIFY(objBuffer.isEmpty());
            QCOMPARE(stRecv.nAddr, quint8(0x21));
            QCOMPARE(stRecv.nFuncCode, stCase.nFunc);
            QCOMPARE(stRecv.objData, stCase.objRqstData);
            if (nMode >= TRANS_MODE_TCP_SYNC)
                QCOMPARE(stRecv.nSN, nSN);

            // Normal and exception reply, as the master link cuts them.
            for (const bool bException : {false, true}) {
                LINK_SEND_DATA_S stRsp = Rqst(0x21, stCase.nFunc, stCase.objRspData, nSN);
                if (bException) {
                    stRsp.nFuncCode = static_cast<quint8>(stCase.nFunc | 0x80);
                    stRsp.objData = Hex("02");
                }
                QByteArray objRspFrame;
                objSlave.MakeFrame(stRsp, objRspFrame);
                QByteArray objOut;
                for (int nLen = 0; nLen < objRspFrame.size(); ++nLen) {
                    QByteArray objPart = objRspFrame.left(nLen);
                    QVERIFY2(objMaster.PreProcRecvRspData(stRqst, objPart, objOut) == LINK_ERR_GENERAL,
                             qPrintable(strWhere + QStringLiteral(" prefix %1").arg(nLen)));
                }
                objBuffer = objRspFrame;
                QVERIFY2(objMaster.PreProcRecvRspData(stRqst, objBuffer, objOut) == LINK_RECV_OK, qPrintable(strWhere));
                QVERIFY(objMaster.CheckFrame(objOut));
                QCOMPARE(quint8(objOut[1]), stRsp.nFuncCode);
                const int nTrim = nMode == TRANS_MODE_RTU ? 4 : nMode == TRANS_MODE_ASCII ? 3 : 2;
                QCOMPARE(objOut.mid(2, objOut.size() - nTrim), stRsp.objData);

                // In the asynchronous mode replies are cut by the request cutter.
                if (nMode == TRANS_MODE_TCP_ASYNC) {
                    objBuffer = objRspFrame;
                    objMaster.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
                    QCOMPARE(stRecv.enType, LINK_RECV_OK);
                    QCOMPARE(stRecv.nSN, nSN);
                    QCOMPARE(stRecv.objData, stRsp.objData);
                }
            }
        }
    }
}

QTEST_GUILESS_MAIN(TstCodec)
#include "tst_codec.moc"
