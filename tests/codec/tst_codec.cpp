// Frame codec: checksums, reply lengths, framing and the cutters that keep a
// link in step with a noisy wire.

#include <QtTest>

#include "common/codecport.h"
#include "common/framebytes.h"

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

QString Hexed(const QByteArray &objBytes)
{
    return QString::fromLatin1(objBytes.size() > 40 ? objBytes.left(20).toHex() + "..." : objBytes.toHex());
}

const unsigned short RTU = TRANS_MODE_RTU, ASCII = TRANS_MODE_ASCII, TCP = TRANS_MODE_TCP_SYNC;

} // namespace

class TstCodec : public QObject
{
    Q_OBJECT

private slots:
    void checksumsAndLengths()
    {
        QCOMPARE(CalcCRC16(QByteArray("123456789")), quint16(0x4B37));
        QCOMPARE(CalcCRC16("123456789", 9), quint16(0x4B37));
        QCOMPARE(WithCrc(Hex("01030000000A")), Hex("01030000000AC5CD"));
        QCOMPARE(CalcCRC16(QByteArray()), quint16(0xFFFF));
        QCOMPARE(CalcLRC(Hex("01030000000A")), static_cast<unsigned char>(0xF2));
        QCOMPARE(CalcLRC(Hex("8080")), static_cast<unsigned char>(0x00)); // the sum wraps at 256
        QVERIFY(IsRspFuncCode(0x03, 0x83) && IsRspFuncCode(0x90, 0x10) && !IsRspFuncCode(0x03, 0x04));
        // Reply PDU length of a request; 0xFFFF when no reply of known length can exist.
        const struct { int nRqst, nRsp; const char *pData; int nLen; } arrLens[] = {
            {0x03, 0x83, "0000000A", 2}, {0x80, 0x00, "0000000A", 2}, {0x01, 0x01, "00000001", 3},
            {0x01, 0x01, "00000008", 3}, {0x02, 0x02, "00000009", 4}, {0x01, 0x01, "0000FFFF", 2 + 8192},
            {0x03, 0x03, "0000000A", 22}, {0x04, 0x04, "00000000", 2}, {0x03, 0x03, "00007FFE", 0xFFFE},
            {0x03, 0x03, "00007FFF", 0xFFFF}, {0x04, 0x04, "00008000", 0xFFFF}, {0x05, 0x05, "0000FF00", 5},
            {0x06, 0x06, "00000001", 5}, {0x0F, 0x0F, "0000000A02FF03", 5}, {0x10, 0x10, "000000020400010002", 5},
            {0x07, 0x07, "00000000", 0xFFFF}, {0x03, 0x03, "000000", 0xFFFF}, {0x03, 0x83, "", 0xFFFF}};
        for (const auto &stCase : arrLens)
            QVERIFY2(GetRspPduLen(quint8(stCase.nRqst), quint8(stCase.nRsp), Hex(stCase.pData)) == stCase.nLen,
                     stCase.pData);
    }

    void framing()
    {
        const LINK_SEND_DATA_S stRqst = Rqst(0x0101, 0x03, Hex("0000000A"), 0x1234);
        const struct { unsigned short nMode; QByteArray objFrame; } arrFrames[] = {
            {RTU, Hex("01030000000AC5CD")}, // address low byte, CRC low byte first
            {ASCII, QByteArray(":01030000000AF2\r\n")},
            {TCP, Hex("12340000000601030000000A")},
            {TRANS_MODE_TCP_ASYNC, Hex("12340000000601030000000A")},
            {7, QByteArray()}};
        for (const auto &stCase : arrFrames) {
            CCodecPort objPort(stCase.nMode);
            QByteArray objOut = "xy";
            objPort.MakeFrame(stRqst, objOut);
            QCOMPARE(objOut, "xy" + stCase.objFrame); // appended
        }
        const struct { unsigned short nMode; QByteArray objFrame; bool bOk; } arrChecks[] = {
            {RTU, Hex("01030000000AC5CD"), true}, {RTU, Hex("01030000000AC5CE"), false},
            {RTU, Hex("01030000000ACDC5"), false}, {RTU, Hex("0103FF"), false}, {RTU, WithCrc(Hex("0183")), true},
            {ASCII, Hex("01030000000AF2"), true}, {ASCII, Hex("01030000000AF3"), false}, {ASCII, Hex("01FF"), false},
            {TCP, Hex("01"), true}, {9, Hex("01030000000AC5CD"), false}};
        for (const auto &stCase : arrChecks)
            QVERIFY2(CCodecPort(stCase.nMode).CheckFrame(stCase.objFrame) == stCase.bOk, qPrintable(Hexed(stCase.objFrame)));
    }

    // A master's cutter on the bytes received so far: the result kind, what
    // it cut (or the reply, which stays in the buffer) and what is left.
    void replyCutters()
    {
        QByteArray objReply = Hex("010314");
        for (int i = 0; i < 20; ++i)
            objReply.append(char(i));
        objReply = WithCrc(objReply);
        const QByteArray objOther = WithCrc(Hex("0203020000"));
        const QByteArray objTcp = Hex("0007000000050103020064");
        const QByteArray objLongest = ":" + QByteArray(2 * 0x10000, 'A') + "\r";
        const LINK_SEND_DATA_S stRead10 = Rqst(1, 0x03, Hex("0000000A")), stRead1 = Rqst(1, 0x03, Hex("00000001"), 7);
        const struct { unsigned short nMode; LINK_SEND_DATA_S stRqst; QByteArray objBuffer; int nResult; QByteArray objOut, objLeft; } arrCases[] = {
            {RTU, stRead10, objReply.left(24), 0, {}, objReply.left(24)},
            {RTU, stRead10, objReply + Hex("EEEE"), 2, objReply, objReply + Hex("EEEE")}, // left for the caller to discard
            {RTU, stRead10, Hex("010314"), 0, {}, Hex("010314")},
            {RTU, stRead10, WithCrc(Hex("018302")), 2, WithCrc(Hex("018302")), WithCrc(Hex("018302"))},
            {RTU, Rqst(0x0101, 0x03, Hex("0000000A")), WithCrc(Hex("018302")), 2, WithCrc(Hex("018302")), WithCrc(Hex("018302"))},
            {RTU, stRead10, Hex("AA55") + objReply, 5, Hex("AA55"), objReply},
            {RTU, stRead10, objOther + objReply, 5, objOther, objReply},   // another unit's reply, cut whole
            {RTU, stRead1, objOther.left(6), 0, {}, objOther.left(6)},
            {RTU, stRead1, objOther, 5, objOther, {}},
            {RTU, stRead10, Hex("FFFFFF0103"), 5, Hex("FFFF"), Hex("FF0103")}, // up to where ours could begin
            {RTU, Rqst(1, 0x2B, Hex("0E010000")), Hex("012B0E01020304"), 5, Hex("012B0E01020304"), {}},
            {TCP, stRead1, objTcp.left(10), 0, {}, objTcp.left(10)},
            {TCP, stRead1, objTcp + Hex("00"), 2, Hex("0103020064"), objTcp + Hex("00")},
            {TCP, stRead1, Hex("0008000000050103020064") + objTcp, 7, Hex("0008000000050103020064"), objTcp},
            {TCP, stRead1, Hex("0007000100050103020064"), 8, Hex("0007000100050103020064"), {}},
            {TCP, stRead1, Hex("0007000000050203020064"), 5, Hex("0007000000050203020064"), {}}, // another unit
            {TCP, stRead1, Hex("000700000001") + "xy", 5, Hex("000700000001"), "xy"}, // no ADU has such a length
            {TCP, stRead1, Hex("000700000100") + "xy", 5, Hex("000700000100"), "xy"},
            {TCP, stRead1, Hex("0007000000FE") + QByteArray(253, '\1'), 0, {}, Hex("0007000000FE") + QByteArray(253, '\1')},
            {ASCII, stRead1, "0103\r\n", 5, "0103\r\n", {}},
            {ASCII, stRead1, "xx:0103", 5, "xx", ":0103"},
            {ASCII, stRead1, ":01030200", 0, {}, ":01030200"},
            {ASCII, stRead1, ":010302ABCD7D\r\nzz", 2, Hex("010302ABCD7D"), ":010302ABCD7D\r\nzz"},
            {ASCII, stRead1, ":010302abcd7d\r\n", 2, Hex("010302ABCD7D"), ":010302abcd7d\r\n"},
            {ASCII, stRead1, ":0103020\r\n:01", 5, "0103020", ":01"},
            {ASCII, stRead1, ":01G302\r\n", 5, "01G302", {}},
            {ASCII, stRead1, ":\r\n:01", 5, ":\r\n", ":01"},
            {ASCII, stRead1, ":0103:010302", 5, ":0103", ":010302"}, // a colon aborts the frame
            {ASCII, stRead1, ":020302ABCD81\r\n", 5, "020302ABCD81", {}}, // another unit
            // No reply text is longer: one longer without end of line is noise that must not pile up.
            {ASCII, stRead1, objLongest, 0, {}, objLongest},
            {ASCII, stRead1, objLongest + "A", 5, objLongest + "A", {}},
            {7, stRead1, Hex("0103"), 5, Hex("0103"), {}},
        };
        for (const auto &stCase : arrCases) {
            CCodecPort objPort(stCase.nMode);
            QByteArray objBuffer = stCase.objBuffer, objOut = "stale";
            const int nResult = objPort.PreProcRecvRspData(stCase.stRqst, objBuffer, objOut);
            const QString strWhere = Hexed(stCase.objBuffer) + ": ";
            QCOMPARE(strWhere + QStringLiteral("%1 %2 %3").arg(nResult).arg(Hexed(objOut), Hexed(objBuffer)),
                     strWhere + QStringLiteral("%1 %2 %3").arg(stCase.nResult).arg(Hexed(stCase.objOut), Hexed(stCase.objLeft)));
        }
    }

    // A slave's cutter: the kind and address of the record, the raw frame it
    // reports and what is left in the buffer.
    void requestCutters()
    {
        const QByteArray objWrite = WithCrc(Hex("01100000000204000A000B")), objRead = WithCrc(Hex("11030000000A"));
        QByteArray objBad = objRead;
        objBad[7] = char(objBad[7] ^ 0x01);
        const QByteArray objTcp = Hex("BEEF00000006110300 00000A").replace(" ", "");
        const QByteArray objNoise = ":" + QByteArray(2 * 0x10000 + 2, '0');
        const struct { unsigned short nMode; QByteArray objBuffer; int nType, nAddr; QByteArray objRaw, objLeft; } arrCases[] = {
            {RTU, objWrite.left(12), 0, 0, {}, objWrite.left(12)},
            {RTU, objWrite + Hex("11"), 2, 1, objWrite, Hex("11")}, // 13 bytes from the byte count
            {RTU, Hex("FF00") + objRead, 5, 0, Hex("FF00"), objRead},
            {RTU, Hex("FF00FF00FF"), 0, 0, {}, Hex("FF00FF00FF")}, // may still become a frame of a code not served
            {RTU, Hex("FF00FF00FF") + objRead, 5, 0, Hex("FF00FF00FF"), objRead},
            {RTU, objBad + objRead, 6, 0x11, objBad, objRead},
            {RTU, WithCrc(Hex("111000000002")) + objRead, 2, 0x11, WithCrc(Hex("111000000002")), objRead}, // a reply, 8 bytes
            {RTU, WithCrc(Hex("112B0E0100")) + objRead, 2, 0x11, WithCrc(Hex("112B0E0100")), objRead},
            {RTU, WithCrc(Hex("11030400010002")) + objRead, 2, 0x11, WithCrc(Hex("11030400010002")), objRead},
            {RTU, WithCrc(Hex("118302")) + objRead, 2, 0x11, WithCrc(Hex("118302")), objRead},
            {RTU, Hex("110300"), 0, 0, {}, Hex("110300")},
            {ASCII, ":01030000000AF2\r\n:0103", 2, 1, "01030000000AF2", ":0103"},
            {ASCII, ":01030000000AF\r\n", 5, 0, "01030000000AF", {}},
            {ASCII, ":01030000000AF3\r\n", 6, 1, "01030000000AF3", {}},
            {ASCII, ":\r\n:01030000000AF2\r\n", 5, 0, ":\r\n", ":01030000000AF2\r\n"}, // reported, so the next is cut
            {ASCII, ":0103:01030000000AF2\r\n", 5, 0, ":0103", ":01030000000AF2\r\n"},
            {ASCII, objNoise, 5, 0, objNoise, {}},
            {ASCII, "abc:01", 5, 0, "abc", ":01"},
            {ASCII, ":01", 0, 0, {}, ":01"},
            {TCP, objTcp.left(11), 0, 0, {}, objTcp.left(11)},
            {TCP, objTcp + objTcp.left(3), 2, 0x11, objTcp, objTcp.left(3)},
            {TCP, Hex("BEEF000100061103 0000000A").replace(" ", ""), 8, 0x11, Hex("BEEF0001000611030000000A"), {}},
            {TCP, Hex("000100000000FFFF"), 5, 0, Hex("000100000000"), Hex("FFFF")}, // the header alone
            {TCP, Hex("00010000000111FF"), 5, 0, Hex("000100000001"), Hex("11FF")},
            {TCP, Hex("00010000FFFF1103"), 5, 0, Hex("00010000FFFF"), Hex("1103")},
            {7, Hex("0103"), 5, 0, Hex("0103"), {}},
        };
        for (const auto &stCase : arrCases) {
            CCodecPort objPort(stCase.nMode, WORK_MODE_SLAVE);
            QByteArray objBuffer = stCase.objBuffer, objRaw = "stale";
            LINK_RECV_DATA_S stRecv;
            objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
            const QString strWhere = Hexed(stCase.objBuffer) + ": ";
            QCOMPARE(strWhere + QStringLiteral("%1 %2 %3 %4").arg(stRecv.enType).arg(stRecv.nAddr).arg(Hexed(objRaw), Hexed(objBuffer)),
                     strWhere + QStringLiteral("%1 %2 %3 %4").arg(stCase.nType).arg(stCase.nAddr).arg(Hexed(stCase.objRaw), Hexed(stCase.objLeft)));
        }
        // More than any frame can claim without one in it: given up to where a frame could still begin.
        CCodecPort objPort(RTU, WORK_MODE_SLAVE);
        QByteArray objBuffer(300, '\xFF'), objRaw;
        LINK_RECV_DATA_S stRecv;
        objPort.PreProcRecvRqstData(objBuffer, stRecv, objRaw);
        QVERIFY(stRecv.enType == LINK_RECV_FRAME_ERR && objBuffer.size() < 256);
    }
};

QTEST_GUILESS_MAIN(TstCodec)
#include "tst_codec.moc"
