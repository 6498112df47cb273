// The compiled-in images and the application style sheet: every picture the
// windows ask for by resource name must exist at the size the layout reserves
// for it, and the style sheet must parse, restyle the named buttons and leave
// alone the colours that widgets set in code.

#include "uiutils.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

namespace
{

QStringList g_lstStyleWarnings;
QtMessageHandler g_pfnPrevHandler = nullptr;

void CaptureStyleWarnings(QtMsgType nType, const QMessageLogContext &objCtx, const QString &strMsg)
{
    if (nType == QtWarningMsg && strMsg.contains(QLatin1String("style"), Qt::CaseInsensitive))
        g_lstStyleWarnings << strMsg;
    if (g_pfnPrevHandler != nullptr)
        g_pfnPrevHandler(nType, objCtx, strMsg);
}

// Share of pixels that are not fully transparent.
double OpaqueShare(const QImage &objImage)
{
    const QImage objArgb = objImage.convertToFormat(QImage::Format_ARGB32);
    qint64 nOpaque = 0;
    for (int y = 0; y < objArgb.height(); ++y)
        for (int x = 0; x < objArgb.width(); ++x)
            if (qAlpha(objArgb.pixel(x, y)) > 0)
                ++nOpaque;
    return double(nOpaque) / double(objArgb.width() * objArgb.height());
}

QImage Grab(QWidget *pWidget)
{
    pWidget->ensurePolished();
    return pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void imagesExistAtLayoutSize_data();
    void imagesExistAtLayoutSize();

    void styleSheetParsesWithoutWarnings();
    void codeSetColoursSurviveTheStyleSheet();
};

void TestResources::initTestCase()
{
    g_pfnPrevHandler = qInstallMessageHandler(CaptureStyleWarnings);
    InitUiResources();
    const QString strQss = LoadAppStyleSheet();
    QVERIFY(!strQss.trimmed().isEmpty());
    qApp->setStyleSheet(strQss);
}

void TestResources::cleanupTestCase()
{
    qInstallMessageHandler(g_pfnPrevHandler);
}

void TestResources::imagesExistAtLayoutSize_data()
{
    QTest::addColumn<QString>("strName");
    QTest::addColumn<QSize>("objSize");

    const QSize objNav(48, 48);
    for (const char *pName : {"device", "register", "selfdef", "count", "tool", "about"})
        QTest::newRow(pName) << QStringLiteral(":/toolWidget/") + QLatin1String(pName) << objNav;

    // Picture buttons draw name, name_hover and name_pressed scaled to the button.
    const struct
    {
        const char *pName;
        int nSide;
    } arrButtons[] = {{"prj_new", 40}, {"prj_import", 40}, {"prj_saveother", 40},
                      {"prj_save", 35}, {"refresh", 30}, {"adddevice", 30}};
    for (const auto &objBtn : arrButtons) {
        for (const char *pSuffix : {"", "_hover", "_pressed"}) {
            const QString strName = QStringLiteral(":/img/") + QLatin1String(objBtn.pName) + QLatin1String(pSuffix);
            QTest::newRow(qPrintable(strName)) << strName << QSize(objBtn.nSide, objBtn.nSide);
        }
    }

    QTest::newRow("window icon") << QStringLiteral(":/img/Kestrix") << QSize(128, 128);
    QTest::newRow("about picture") << QStringLiteral(":/img/qrcode") << QSize(150, 150);
    QTest::newRow("search") << QStringLiteral(":/img/search") << QSize(30, 30);
    QTest::newRow("band") << QStringLiteral(":/skin/18_big") << QSize(1920, 100);

    for (const char *pName : {"dline", "parabola", "sin", "swave"})
        QTest::newRow(pName) << QStringLiteral(":/curve/") + QLatin1String(pName) << QSize(300, 200);

    for (const char *pName : {"check_off", "check_off_hover", "check_off_disabled", "check_on", "check_on_hover",
                              "check_on_disabled", "check_partial"})
        QTest::newRow(pName) << QStringLiteral(":/style/") + QLatin1String(pName) << QSize(16, 16);
    for (const char *pName : {"arrow_down", "arrow_down_disabled"})
        QTest::newRow(pName) << QStringLiteral(":/style/") + QLatin1String(pName) << QSize(12, 12);
}

void TestResources::imagesExistAtLayoutSize()
{
    QFETCH(QString, strName);
    QFETCH(QSize, objSize);

    const QPixmap objPixmap(strName);
    QVERIFY2(!objPixmap.isNull(), qPrintable(strName));
    QCOMPARE(objPixmap.size(), objSize);
    // A picture that is nearly all transparent would leave an empty hole in the window.
    QVERIFY2(OpaqueShare(objPixmap.toImage()) > 0.04, qPrintable(strName));
}



void TestResources::styleSheetParsesWithoutWarnings()
{
    g_lstStyleWarnings.clear();
    // Polishing one of each styled class makes Qt parse every rule that applies.
    QWidget objHost;
    auto *pLayout = new QVBoxLayout(&objHost);
    pLayout->addWidget(new QPushButton(QStringLiteral("a"), &objHost));
    pLayout->addWidget(new QToolButton(&objHost));
    pLayout->addWidget(new QCheckBox(QStringLiteral("c"), &objHost));
    pLayout->addWidget(new QLineEdit(&objHost));
    pLayout->addWidget(new QComboBox(&objHost));
    pLayout->addWidget(new QTableWidget(2, 2, &objHost));
    objHost.resize(300, 400);
    Grab(&objHost);
    QVERIFY2(g_lstStyleWarnings.isEmpty(), qPrintable(g_lstStyleWarnings.join(QLatin1Char('\n'))));
}





void TestResources::codeSetColoursSurviveTheStyleSheet()
{
    // Toggle cells and search hits colour table items in code.
    QTableWidget objTable(2, 2);
    objTable.resize(300, 200);
    objTable.setAlternatingRowColors(true);
    auto *pItem = new QTableWidgetItem(QString());
    pItem->setBackground(QColor(0, 255, 255));
    objTable.setItem(1, 1, pItem);
    const QRect objCell = objTable.visualItemRect(pItem);
    const QPoint objInTable = objTable.viewport()->mapTo(&objTable, objCell.center());
    QCOMPARE(QColor(Grab(&objTable).pixel(objInTable)), QColor(0, 255, 255));

    // SetWidgetBaseColor colours an edit through its palette.
    QLineEdit objEdit;
    objEdit.resize(150, 30);
    SetWidgetBaseColor(&objEdit, QColor(194, 217, 233));
    QCOMPARE(QColor(Grab(&objEdit).pixel(QPoint(140, 15))), QColor(194, 217, 233));

    // ... and a table's empty area.
    QTableWidget objPlainTable(1, 1);
    objPlainTable.resize(300, 200);
    SetWidgetBaseColor(&objPlainTable, QColor(194, 217, 233));
    const QPoint objEmpty = objPlainTable.viewport()->mapTo(&objPlainTable, QPoint(250, 150));
    QCOMPARE(QColor(Grab(&objPlainTable).pixel(objEmpty)), QColor(194, 217, 233));
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
