#include "cdlgcommtools.h"

#include "cdlgfilesel.h"
#include "commcalc.h"
#include "commonfunc.h"
#include "cport_base.h"
#include "greenbutton.h"
#include "uiutils.h"

#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Lines of a long "码流" result put into the editor per event loop turn.
const int FILL_STEP_LINES = 4000;
const int FILL_STEP_CHARS = FILL_STEP_LINES * (DUMP_BYTES_PER_LINE * 3 + 1);

const int FIELD_GROUP_W = 280;
const int FIELD_GROUP_H = 62;

QDateTime EpochToDateTime(quint32 nSeconds)
{
    return QDateTime::fromSecsSinceEpoch(nSeconds, Qt::UTC);
}

// A programmatic setText moves the cursor to the end: leave a field alone
// when it already shows the text, so typing in it is not disturbed.
void SetFieldText(QLineEdit *pEdit, const QString &strText)
{
    if (pEdit->text() != strText)
        pEdit->setText(strText);
}

} // namespace

CDlgCommTools::CDlgCommTools(QWidget *pParent) : QWidget(pParent)
{
    auto *pTabs = new QTabWidget(this);
    auto *pTab = new QWidget;
    pTabs->addTab(pTab, T("常用小工具"));
    auto *pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(pTabs);

    // Epoch seconds. The editor covers exactly what 32 unsigned bits of
    // seconds can count, so every date shown converts both ways.
    auto *pEpochGroup = new QGroupBox(T("纪元秒转换"), pTab);
    pEpochGroup->setGeometry(10, 10, 890, 95);
    m_pDateTimeEdit = new QDateTimeEdit;
    m_pDateTimeEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    m_pDateTimeEdit->setTimeSpec(Qt::UTC);
    m_pDateTimeEdit->setDateTimeRange(EpochToDateTime(0), EpochToDateTime(0xFFFFFFFF));
    m_pDateTimeEdit->setDateTime(EpochToDateTime(0));
    m_pEpoch10Edit = new QLineEdit(QStringLiteral("0"));
    m_pEpoch16Edit = new QLineEdit(QStringLiteral("0X00000000"));
    NewFieldGroup(T("日期时间"), pEpochGroup, 10, 25, m_pDateTimeEdit);
    NewFieldGroup(T("纪元秒(十进制)"), pEpochGroup, 305, 25, m_pEpoch10Edit);
    NewFieldGroup(T("纪元秒(十六进制)"), pEpochGroup, 600, 25, m_pEpoch16Edit);

    auto *pValueGroup = new QGroupBox(T("数值转换"), pTab);
    pValueGroup->setGeometry(10, 115, 890, 95);
    m_pFloatEdit = new QLineEdit(QStringLiteral("0.0"));
    m_pHexEdit = new QLineEdit(QStringLiteral("0X00000000"));
    m_pInt32Edit = new QLineEdit(QStringLiteral("0"));
    NewFieldGroup(T("浮点数(float)"), pValueGroup, 10, 25, m_pFloatEdit);
    NewFieldGroup(T("十六进制数"), pValueGroup, 305, 25, m_pHexEdit);
    NewFieldGroup(T("十进制数(INT32)"), pValueGroup, 600, 25, m_pInt32Edit);

    auto *pStreamGroup = new QGroupBox(T("字节流处理"), pTab);
    pStreamGroup->setGeometry(10, 220, 890, 250);
    m_pStreamEdit = new QPlainTextEdit(pStreamGroup);
    m_pStreamEdit->setGeometry(10, 25, 750, 215);
    m_pToStringBtn = NewGreenButton(T("字符串"), pStreamGroup, 100, 30);
    m_pToStringBtn->move(775, 40);
    m_pToBytesBtn = NewGreenButton(T("码流"), pStreamGroup, 100, 30);
    m_pToBytesBtn->move(775, 115);
    m_pCrcSizeBtn = NewGreenButton(T("CRC / Size"), pStreamGroup, 100, 30);
    m_pCrcSizeBtn->move(775, 190);

    auto *pFileGroup = new QGroupBox(T("文件分析"), pTab);
    pFileGroup->setGeometry(10, 480, 130, FIELD_GROUP_H);
    QPushButton *pImportBtn = NewGreenButton(T("导入文件"), pFileGroup, 100, 30);
    pImportBtn->move(15, 25);
    m_pSizeEdit = new QLineEdit(QStringLiteral("0"));
    m_pCrc10Edit = new QLineEdit(QStringLiteral("0"));
    m_pCrc16Edit = new QLineEdit(QStringLiteral("0X0000"));
    NewFieldGroup(T("数据长度"), pTab, 150, 480, m_pSizeEdit)->setFixedWidth(200);
    NewFieldGroup(T("CRC(十进制)"), pTab, 360, 480, m_pCrc10Edit)->setFixedWidth(200);
    NewFieldGroup(T("CRC(十六进制)"), pTab, 570, 480, m_pCrc16Edit)->setFixedWidth(190);
    auto *pDumpGroup = new QGroupBox(T("码流文件"), pTab);
    pDumpGroup->setGeometry(770, 480, 130, FIELD_GROUP_H);
    QPushButton *pExportBtn = NewGreenButton(T("导出文件"), pDumpGroup, 100, 30);
    pExportBtn->move(15, 25);

    m_pFillTimer = new QTimer(this);
    m_pFillTimer->setInterval(0);

    connect(m_pDateTimeEdit, &QDateTimeEdit::dateTimeChanged, this, &CDlgCommTools::slDateTimeChanged);
    connect(m_pEpoch10Edit, &QLineEdit::textChanged, this, &CDlgCommTools::slEpochTime10Changed);
    connect(m_pEpoch16Edit, &QLineEdit::textChanged, this, &CDlgCommTools::slEpochTime16Changed);
    connect(m_pFloatEdit, &QLineEdit::textEdited, this, &CDlgCommTools::slDVFloatChanged);
    connect(m_pInt32Edit, &QLineEdit::textEdited, this, &CDlgCommTools::slDV10Changed);
    connect(m_pHexEdit, &QLineEdit::textEdited, this, &CDlgCommTools::slDV16Changed);
    connect(m_pToStringBtn, &QPushButton::clicked, this, &CDlgCommTools::slConvToString);
    connect(m_pToBytesBtn, &QPushButton::clicked, this, &CDlgCommTools::slConvToBytes);
    connect(m_pCrcSizeBtn, &QPushButton::clicked, this, &CDlgCommTools::slCountCRCSizeFromBytes);
    connect(pImportBtn, &QPushButton::pressed, this, &CDlgCommTools::slCountCRCSizeFromFile);
    connect(pExportBtn, &QPushButton::pressed, this, &CDlgCommTools::slConvToBytesFile);
    connect(m_pFillTimer, &QTimer::timeout, this, &CDlgCommTools::slFillStreamStep);
}

bool CDlgCommTools::IsFillingStream() const
{
    return m_pFillTimer->isActive();
}

QGroupBox *CDlgCommTools::NewFieldGroup(const QString &strTitle, QWidget *pParent, int nX, int nY, QWidget *pField)
{
    auto *pGroup = new QGroupBox(strTitle, pParent);
    pGroup->setGeometry(nX, nY, FIELD_GROUP_W, FIELD_GROUP_H);
    auto *pLayout = new QVBoxLayout(pGroup);
    pLayout->setContentsMargins(10, 4, 10, 6);
    pLayout->addWidget(pField);
    pField->setFixedHeight(28);
    return pGroup;
}

void CDlgCommTools::SetEpoch(quint32 nSeconds)
{
    SetFieldText(m_pEpoch16Edit, EpochHexText(nSeconds));
    m_pDateTimeEdit->setDateTime(EpochToDateTime(nSeconds));
}

void CDlgCommTools::slDateTimeChanged()
{
    const qint64 nSeconds = m_pDateTimeEdit->dateTime().toSecsSinceEpoch();
    SetFieldText(m_pEpoch10Edit, EpochDecText(static_cast<quint32>(nSeconds)));
    SetFieldText(m_pEpoch16Edit, EpochHexText(ParseEpochDec(m_pEpoch10Edit->text())));
}

void CDlgCommTools::slEpochTime10Changed()
{
    SetEpoch(ParseEpochDec(m_pEpoch10Edit->text()));
}

void CDlgCommTools::slEpochTime16Changed()
{
    const quint32 nSeconds = ParseEpochHex(m_pEpoch16Edit->text());
    SetFieldText(m_pEpoch10Edit, EpochDecText(nSeconds));
    m_pDateTimeEdit->setDateTime(EpochToDateTime(nSeconds));
}

// The value fields are written with setText, which does not emit
// textEdited: only the field the user types in drives the others.
void CDlgCommTools::slDVFloatChanged()
{
    const FLOAT_BITS_TEXT_S stText = FloatBitsFromFloatText(m_pFloatEdit->text());
    m_pHexEdit->setText(stText.strHex);
    m_pInt32Edit->setText(stText.strInt32);
}

void CDlgCommTools::slDV10Changed()
{
    const FLOAT_BITS_TEXT_S stText = FloatBitsFromInt32Text(m_pInt32Edit->text());
    m_pHexEdit->setText(stText.strHex);
    m_pFloatEdit->setText(stText.strFloat);
}

void CDlgCommTools::slDV16Changed()
{
    const FLOAT_BITS_TEXT_S stText = FloatBitsFromHexText(m_pHexEdit->text());
    m_pInt32Edit->setText(stText.strInt32);
    m_pFloatEdit->setText(stText.strFloat);
}

void CDlgCommTools::slConvToString()
{
    m_pStreamEdit->setPlainText(HexTextToPrintable(m_pStreamEdit->toPlainText()));
}

void CDlgCommTools::slConvToBytes()
{
    m_pToBytesBtn->setEnabled(false);
    const QString strText = m_pStreamEdit->toPlainText();
    if (strText.size() > MAX_STREAM_TEXT_LEN) {
        ShowInfoBox(T("字符串长度过长，处理失败！"));
        m_pToBytesBtn->setEnabled(true);
        return;
    }
    if (strText.size() <= LONG_STREAM_TEXT_LEN) {
        m_pStreamEdit->setPlainText(ConvertBytesToHexString(TextToLatin1Codes(strText)));
        m_pToBytesBtn->setEnabled(true);
        return;
    }
    ShowInfoBox(T("字符串长度过长，请耐心等待！"));
    // One line of three million blanks and digits would take the editor
    // minutes to lay out; in dump lines it fills in steps instead.
    m_strFillText = BytesToHexLines(TextToLatin1Codes(strText));
    m_nFillPos = 0;
    SetStreamBusy(true);
    m_pFillTimer->start();
}

void CDlgCommTools::slFillStreamStep()
{
    const int nEnd = qMin(m_strFillText.size(), m_nFillPos + FILL_STEP_CHARS);
    QString strSlice = m_strFillText.mid(m_nFillPos, nEnd - m_nFillPos);
    if (strSlice.endsWith(QLatin1Char('\n')))
        strSlice.chop(1);
    if (m_nFillPos == 0)
        m_pStreamEdit->setPlainText(strSlice);
    else
        m_pStreamEdit->appendPlainText(strSlice);
    m_nFillPos = nEnd;
    if (m_nFillPos < m_strFillText.size())
        return;
    m_pFillTimer->stop();
    m_strFillText = QString();
    SetStreamBusy(false);
}

void CDlgCommTools::SetStreamBusy(bool bBusy)
{
    // A half-filled result must not be converted or checked again.
    m_pStreamEdit->setReadOnly(bBusy);
    m_pStreamEdit->document()->setUndoRedoEnabled(!bBusy);
    m_pToStringBtn->setEnabled(!bBusy);
    m_pToBytesBtn->setEnabled(!bBusy);
    m_pCrcSizeBtn->setEnabled(!bBusy);
}

void CDlgCommTools::ShowCrcSize(qint64 nSize, quint16 nCrc)
{
    m_pSizeEdit->setText(QString::number(nSize));
    m_pCrc10Edit->setText(CrcDecText(nCrc));
    m_pCrc16Edit->setText(CrcHexText(nCrc));
}

void CDlgCommTools::slCountCRCSizeFromBytes()
{
    const QByteArray objBytes = ConvertHexStringToBytes(m_pStreamEdit->toPlainText());
    ShowCrcSize(objBytes.size(), CalcCRC16(objBytes.constData(), objBytes.size()));
}

void CDlgCommTools::slCountCRCSizeFromFile()
{
    CDlgFileSel objDialog(this, T("选择计算文件"), QString(), QString());
    if (ExecDialog(&objDialog) != QDialog::Accepted || objDialog.GetFilePath().isEmpty())
        return;
    m_strLastFile = objDialog.GetFilePath();
    qint64 nSize = 0;
    quint16 nCrc = 0;
    if (!CalcFileCrcSize(m_strLastFile, nSize, nCrc)) {
        ShowCrcSize(0, 0);
        ShowInfoBox(T("文件打开失败"));
        return;
    }
    ShowCrcSize(nSize, nCrc);
}

void CDlgCommTools::slConvToBytesFile()
{
    if (m_strLastFile.isEmpty()) {
        ShowInfoBox(T("请选择待转换的文件！"));
        return;
    }
    const QString strDump = BytesDumpPath(m_strLastFile);
    const QString strResult = WriteBytesDump(m_strLastFile, strDump);
    if (strResult != QLatin1String(RESULT_OK)) {
        ShowInfoBox(strResult);
        return;
    }
    // Without a desktop opener the dump is still written: nothing to report.
    QDesktopServices::openUrl(QUrl::fromLocalFile(strDump));
}
