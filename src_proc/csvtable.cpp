#include "csvtable.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

CsvTable::CsvTable()
    : m_cSeparator(QLocale::system().groupSeparator())
{
}

CsvTable::CsvTable(const QString &strPath)
    : CsvTable()
{
    Load(strPath);
}

void CsvTable::Load(const QString &strPath)
{
    QFile objFile(strPath);
    if (!objFile.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream objStream(&objFile);
    objStream.setCodec("UTF-8");

    int nLines = 0;
    while (!objStream.atEnd() && nLines < MAX_LINES) {
        QString strLine = objStream.readLine();
        ++nLines;
        if (strLine.isEmpty())
            continue;

        QStringList objCells;
        QString strCell;
        bool bQuoted = false;   // inside a quoted cell
        bool bCellOpen = false; // a cell has begun since the last separator
        for (int i = 0;; ++i) {
            if (i == strLine.size()) {
                // A quoted cell may hold line breaks: keep reading its lines.
                if (bQuoted && !objStream.atEnd() && nLines < MAX_LINES) {
                    strCell += QLatin1Char('\n');
                    strLine = objStream.readLine();
                    ++nLines;
                    i = -1;
                    continue;
                }
                break;
            }
            const QChar c = strLine.at(i);
            if (bQuoted) {
                if (c == QLatin1Char('"')) {
                    if (i + 1 < strLine.size() && strLine.at(i + 1) == QLatin1Char('"')) {
                        strCell += c;
                        ++i;
                    } else {
                        bQuoted = false;
                    }
                } else {
                    strCell += c;
                }
            } else if (c == m_cSeparator) {
                objCells.append(strCell);
                strCell.clear();
                bCellOpen = false;
            } else if (c == QLatin1Char('"') && !bCellOpen) {
                bQuoted = true;
                bCellOpen = true;
            } else {
                strCell += c;
                bCellOpen = true;
            }
        }
        // A trailing separator ends the line without adding an empty cell.
        if (bCellOpen)
            objCells.append(strCell);
        m_objRows.append(objCells);
    }
}

QString CsvTable::QuoteCell(const QString &strCell) const
{
    if (!strCell.contains(m_cSeparator) && !strCell.contains(QLatin1Char('"'))
        && !strCell.contains(QLatin1Char('\n')) && !strCell.contains(QLatin1Char('\r')))
        return strCell;
    QString strQuoted = strCell;
    strQuoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + strQuoted + QLatin1Char('"');
}

bool CsvTable::Save(const QString &strPath, bool bNoExtension) const
{
    const QString strFileName = bNoExtension ? strPath : strPath + QStringLiteral(".csv");
    // Written beside the target and moved over it only when complete, so a
    // failed write never leaves a half table behind.
    QSaveFile objFile(strFileName);
    if (!objFile.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream objStream(&objFile);
    objStream.setCodec("UTF-8");
    for (const QStringList &objRow : m_objRows) {
        if (objRow.isEmpty())
            objStream << m_cSeparator;
        for (const QString &strCell : objRow)
            objStream << QuoteCell(strCell) << m_cSeparator;
        objStream << '\n';
    }
    objStream.flush();
    // commit() may not notice a failed write of what the device still buffers.
    if (objStream.status() != QTextStream::Ok || !objFile.flush()) {
        objFile.cancelWriting();
        return false;
    }
    return objFile.commit();
}

QString CsvTable::GetCell(int nRow, int nCol) const
{
    if (nRow < 0 || nRow >= m_objRows.size())
        return QString();
    return m_objRows.at(nRow).value(nCol);
}

void CsvTable::SetCell(int nRow, int nCol, const QString &strText)
{
    if (nRow < 0 || nCol < 0)
        return;
    while (m_objRows.size() <= nRow)
        m_objRows.append(QStringList());
    QStringList &objRow = m_objRows[nRow];
    while (objRow.size() <= nCol)
        objRow.append(QString());
    objRow[nCol] = strText;
}

void CsvTable::SetCell(int nRow, int nCol, double fValue)
{
    SetCell(nRow, nCol, QString::asprintf("%.6f", fValue));
}
