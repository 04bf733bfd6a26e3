// The "SDI12" and "Serial" pages: which measurements each digital output
// carries, the SDI12 address and the console's idle time-out.
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "page_widget.h"

namespace {

// The channel choices of a group, then a grid for its fields below them.
QGridLayout* ChannelGroup(PageWidget* pPage, QVBoxLayout* pLayout, CtlId nFirst, CtlId nLast)
{
    QGroupBox* group = pPage->Group(tConfigControls[nFirst].szGroup, pPage);
    auto* column = new QVBoxLayout(group);
    pPage->AddColumn(column, nFirst, nLast);
    auto* fields = new QGridLayout;
    column->addLayout(fields);
    fields->setColumnStretch(2, 1);
    pLayout->addWidget(group);
    return fields;
}

QVBoxLayout* PageColumn(PageWidget* pPage)
{
    auto* layout = new QVBoxLayout(pPage);
    layout->setContentsMargins(PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN);
    layout->setSpacing(PAGE_SPACING);
    return layout;
}

}  // namespace

PageWidget* CreateSdi12Page(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_SDI12, pParent);
    QVBoxLayout* layout = PageColumn(page);
    QGridLayout* fields = ChannelGroup(page, layout, CTL_SDI12_DISABLED, CTL_SDI12_BOTH);
    page->AddRow(fields, 0, CTL_SDI12_ADDR);
    layout->addStretch(1);
    return page;
}

PageWidget* CreateSerialPage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_SERIAL, pParent);
    QVBoxLayout* layout = PageColumn(page);
    ChannelGroup(page, layout, CTL_SERIAL_DISABLED, CTL_SERIAL_BOTH);
    QGroupBox* console = page->Group(tConfigControls[CTL_CONS_IDLE].szGroup, page);
    auto* grid = new QGridLayout(console);
    page->AddRow(grid, 0, CTL_CONS_IDLE);
    grid->setColumnStretch(2, 1);
    layout->addWidget(console);
    layout->addStretch(1);
    return page;
}
