#ifndef SOCATPAIR_H
#define SOCATPAIR_H

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A pair of connected pseudo-terminals made by socat: bytes written to one end
// come out of the other, as on a null-modem cable. Both ends appear as links
// (EndA/EndB) inside a temporary folder; socat ends with the object.
class CSocatPair
{
public:
    CSocatPair();
    ~CSocatPair();

    // Starts socat and waits (bounded) until both links exist.
    bool Start(int nTimeoutMs = 5000);
    QString EndA() const;
    QString EndB() const;

private:
    QTemporaryDir m_objDir;
    QProcess m_objProcess;
};

#endif // SOCATPAIR_H
