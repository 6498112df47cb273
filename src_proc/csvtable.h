#ifndef CSVTABLE_H
#define CSVTABLE_H

#include <QList>
#include <QString>
#include <QStringList>

// A small CSV table: the remembered project path and the curve export.
// The separator is the system locale's group separator. A cell containing the
// separator, a double quote or a line break is quoted on save and read back whole.
class CsvTable
{
public:
    CsvTable();
    explicit CsvTable(const QString &strPath);

    // Writes strPath + ".csv" (or strPath itself when bNoExtension is set),
    // replacing any existing file. False when the file cannot be written.
    bool Save(const QString &strPath, bool bNoExtension = false) const;

    QString GetCell(int nRow, int nCol) const;
    void SetCell(int nRow, int nCol, const QString &strText);
    void SetCell(int nRow, int nCol, double fValue);

    int RowCount() const { return m_objRows.size(); }
    QStringList Row(int nRow) const { return m_objRows.value(nRow); }
    QChar Separator() const { return m_cSeparator; }

    static const int MAX_LINES = 65536;

private:
    void Load(const QString &strPath);
    QString QuoteCell(const QString &strCell) const;

    QList<QStringList> m_objRows;
    QChar m_cSeparator;
};

#endif // CSVTABLE_H
