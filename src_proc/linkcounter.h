#ifndef LINKCOUNTER_H
#define LINKCOUNTER_H

// Traffic counts of one link or one device, as the statistics page keeps them.

#include <QString>
#include <QtGlobal>

#include "linkdefine.h"

struct LINK_COUNT_S
{
    quint32 nSend = 0;
    quint32 nRecv = 0;
    quint32 nTimeout = 0;
    quint32 nSendFail = 0;
    quint32 nFrameErr = 0;
    quint32 nCheckErr = 0;

    // False for the kinds that have no counter (general, sequence and type
    // errors, unknown values).
    bool Count(LINK_PROC_ERR_EN enType);
    // Share of requests without reply in percent, "%.2f%"; more replies than
    // requests count as no loss.
    QString LossRateText() const;
};

#endif // LINKCOUNTER_H
