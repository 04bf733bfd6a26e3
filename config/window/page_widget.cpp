#include "page_widget.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

PageWidget::PageWidget(int nPageIndex, QWidget* pParent) : QWidget(pParent), nPage(nPageIndex)
{
    setObjectName(QString::fromUtf8(tDlgMainTabInfo[nPageIndex].szName) + "Page");
}

const PageControl* PageWidget::Find(CtlId nId) const
{
    auto it = tControls.find(nId);
    return it != tControls.end() ? &it->second : nullptr;
}

const PageControl& PageWidget::Add(CtlId nId, QWidget* pParent)
{
    PageControl c = MakePageControl(nId, pParent);
    if (c.nKind == CTL_KIND_EDIT) {
        const int width = c.pWidget->fontMetrics().averageCharWidth() * PAGE_FIELD_CHARS + 12;
        c.pWidget->setMinimumWidth(width);
    }
    return tControls[nId] = c;
}

QGroupBox* PageWidget::Group(const char* szTitle, QWidget* pParent)
{
    auto* g = new QGroupBox(QString::fromUtf8(szTitle), pParent);
    return g;
}

void PageWidget::AddRow(QGridLayout* pGrid, int nRow, CtlId nId, int nColumn)
{
    const PageControl& c = Add(nId, pGrid->parentWidget());
    if (c.pCaption != nullptr)
        pGrid->addWidget(c.pCaption, nRow, nColumn);
    pGrid->addWidget(c.pWidget, nRow, nColumn + 1);
}

void PageWidget::AddColumn(QBoxLayout* pLayout, CtlId nFirst, CtlId nLast)
{
    for (int id = nFirst; id <= nLast; id++)
        pLayout->addWidget(Add(static_cast<CtlId>(id), pLayout->parentWidget()).pWidget);
}
