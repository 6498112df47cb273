#ifndef CDLGTESTFRAMEINPUT_H
#define CDLGTESTFRAMEINPUT_H

// Takes a pasted Modbus PDU (function code and data, as hex text) and, for a
// read reply, the start address it answers; accepts only input that can be
// explained. The caller hands GetPdu() and GetStartAddr() to the device.

#include <QByteArray>
#include <QDialog>

class QLineEdit;
class QTextEdit;

class CDlgTestFrameInput : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgTestFrameInput(const QString &strTitle, QWidget *pParent = nullptr);

    QByteArray GetPdu() const;
    quint16 GetStartAddr() const;

public slots:
    void slCheckInput();

private:
    QLineEdit *m_pAddrEdit;
    QTextEdit *m_pPduEdit;
};

#endif // CDLGTESTFRAMEINPUT_H
