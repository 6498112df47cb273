#include "cwtitlewidget.h"

#include "pushbutton.h"
#include "toolbutton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalMapper>
#include <QVBoxLayout>

namespace {

struct NAV_BUTTON_S
{
    const char *pIcon;
    const char *pText;
};

// In page order.
const NAV_BUTTON_S NAV_BUTTONS[] = {
    {":/toolWidget/device", "设备"},  {":/toolWidget/register", "数据"}, {":/toolWidget/selfdef", "自定义"},
    {":/toolWidget/count", "统计"},   {":/toolWidget/tool", "辅助"},     {":/toolWidget/about", "关于"},
};

} // namespace

CWTitleWidget::CWTitleWidget(QWidget *pParent)
    : QWidget(pParent)
{
    setFixedHeight(100);

    auto *pMapper = new QSignalMapper(this);
    auto *pNavLayout = new QHBoxLayout();
    pNavLayout->setSpacing(8);
    pNavLayout->setContentsMargins(10, 10, 10, 0);
    for (const NAV_BUTTON_S &objNav : NAV_BUTTONS) {
        auto *pButton = new ToolButton(QString::fromLatin1(objNav.pIcon), this);
        pButton->setText(QString::fromUtf8(objNav.pText));
        pMapper->setMapping(pButton, QString::number(m_lstNavButtons.size()));
        connect(pButton, &ToolButton::clicked, pMapper, qOverload<>(&QSignalMapper::map));
        pNavLayout->addWidget(pButton, 0, Qt::AlignBottom);
        m_lstNavButtons.append(pButton);
    }
    connect(pMapper, &QSignalMapper::mappedString, this, qOverload<const QString &>(&CWTitleWidget::turnPage));

    struct PROJECT_BUTTON_S
    {
        const char *pImage;
        int nSize;
        const char *pToolTip;
        void (CWTitleWidget::*pfnSignal)();
    };
    // Left to right.
    const PROJECT_BUTTON_S objProjectButtons[] = {
        {":/img/prj_new", 40, "新建配置文件", &CWTitleWidget::siNewWorkCfg},
        {":/img/prj_import", 40, "导入配置文件", &CWTitleWidget::siInputWorkCfg},
        {":/img/prj_saveother", 40, "另存为配置文件", &CWTitleWidget::siSaveOtherWorkCfg},
        {":/img/prj_save", 35, "保存配置文件", &CWTitleWidget::siSaveWorkCfg},
    };
    auto *pProjectLayout = new QHBoxLayout();
    pProjectLayout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pProjectLayout->setSpacing(30);
    pProjectLayout->setContentsMargins(10, 5, 10, 0);
    for (const PROJECT_BUTTON_S &objProject : objProjectButtons) {
        auto *pButton = new PushButton(this);
        pButton->SetImagePath(QString::fromLatin1(objProject.pImage));
        pButton->setFixedSize(objProject.nSize, objProject.nSize);
        pButton->setToolTip(QString::fromUtf8(objProject.pToolTip));
        connect(pButton, &PushButton::clicked, this, objProject.pfnSignal);
        pProjectLayout->addWidget(pButton, 0, Qt::AlignRight);
    }

    auto *pSlogan = new QLabel(QStringLiteral("Kestrix For Your Work Sincerely."), this);
    pSlogan->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont objFont = pSlogan->font();
    objFont.setPixelSize(18);
    pSlogan->setFont(objFont);
    pSlogan->setFixedHeight(30);

    auto *pDeviceList = new QCheckBox(QStringLiteral("设备列表"), this);
    pDeviceList->setFixedSize(90, 30);
    pDeviceList->setChecked(true);
    connect(pDeviceList, &QCheckBox::stateChanged, this, &CWTitleWidget::siShowDeviceList);
    auto *pFrameLog = new QCheckBox(QStringLiteral("报文"), this);
    pFrameLog->setFixedSize(60, 30);
    connect(pFrameLog, &QCheckBox::stateChanged, this, &CWTitleWidget::siShowFrameData);

    auto *pSwitchLayout = new QHBoxLayout();
    pSwitchLayout->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    pSwitchLayout->setSpacing(20);
    pSwitchLayout->setContentsMargins(0, 0, 0, 0);
    pSwitchLayout->addWidget(pSlogan, 0, Qt::AlignBottom);
    pSwitchLayout->addWidget(pDeviceList, 0, Qt::AlignBottom);
    pSwitchLayout->addWidget(pFrameLog, 0, Qt::AlignBottom);

    auto *pRightLayout = new QVBoxLayout();
    pRightLayout->addLayout(pProjectLayout);
    pRightLayout->addLayout(pSwitchLayout);

    auto *pLayout = new QHBoxLayout(this);
    pLayout->setSpacing(0);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addLayout(pNavLayout);
    pLayout->addLayout(pRightLayout);
}

void CWTitleWidget::turnPage(const QString &strCurrentPage)
{
    const int nPage = strCurrentPage.toInt(nullptr, 10);
    for (int i = 0; i < m_lstNavButtons.size(); ++i)
        m_lstNavButtons.at(i)->SetMousePress(i == nPage);
    emit turnPage(nPage);
}
