#ifndef CDLGCOMMTOOLS_H
#define CDLGCOMMTOOLS_H

// The tools page: epoch seconds, float bit patterns, byte streams, CRC and
// length of a stream or a file, and a hex dump of a file. What is computed
// lives in commcalc.h; the page reads its fields and writes the results.

#include <QString>
#include <QWidget>

class QDateTimeEdit;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class CDlgCommTools : public QWidget
{
    Q_OBJECT

public:
    explicit CDlgCommTools(QWidget *pParent = nullptr);

    // True while a long "码流" result is still being filled in.
    bool IsFillingStream() const;

private slots:
    void slDateTimeChanged();
    void slEpochTime10Changed();
    void slEpochTime16Changed();
    void slDVFloatChanged();
    void slDV10Changed();
    void slDV16Changed();
    void slConvToString();
    void slConvToBytes();
    void slCountCRCSizeFromBytes();
    void slCountCRCSizeFromFile();
    void slConvToBytesFile();
    void slFillStreamStep();

private:
    QGroupBox *NewFieldGroup(const QString &strTitle, QWidget *pParent, int nX, int nY, QWidget *pField);
    void SetEpoch(quint32 nSeconds);
    void ShowCrcSize(qint64 nSize, quint16 nCrc);
    void SetStreamBusy(bool bBusy);

    QDateTimeEdit *m_pDateTimeEdit;
    QLineEdit *m_pEpoch10Edit;
    QLineEdit *m_pEpoch16Edit;
    QLineEdit *m_pFloatEdit;
    QLineEdit *m_pHexEdit;
    QLineEdit *m_pInt32Edit;
    QPlainTextEdit *m_pStreamEdit;
    QPushButton *m_pToStringBtn;
    QPushButton *m_pToBytesBtn;
    QPushButton *m_pCrcSizeBtn;
    QLineEdit *m_pSizeEdit;
    QLineEdit *m_pCrc10Edit;
    QLineEdit *m_pCrc16Edit;
    QString m_strLastFile;

    // A long "码流" result goes into the editor a slice of lines per event
    // loop turn, so the window keeps answering while it grows.
    QTimer *m_pFillTimer;
    QString m_strFillText;
    int m_nFillPos = 0;
};

#endif // CDLGCOMMTOOLS_H
