// The "Expert" page (linearization coefficients, system clock and
// watchdog, thresholds) and the "Factory" page (identity and calibration,
// changeable once unlocked, and the "Unlock" button).
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "page_widget.h"

namespace {

QGridLayout* PageGrid(PageWidget* pPage)
{
    auto* layout = new QGridLayout(pPage);
    layout->setContentsMargins(PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN);
    layout->setSpacing(PAGE_SPACING);
    return layout;
}

// A group box of caption-and-field rows; the group is named by the first
// control's table group.
QGroupBox* FieldGroup(PageWidget* pPage, std::initializer_list<CtlId> vIds, QGroupBox* pGroup = nullptr)
{
    QGroupBox* group = pGroup != nullptr ? pGroup : pPage->Group(tConfigControls[*vIds.begin()].szGroup, pPage);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (CtlId id : vIds)
        pPage->AddRow(grid, row++, id);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return group;
}

}  // namespace

PageWidget* CreateExpertPage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_EXPERT, pParent);
    QGridLayout* layout = PageGrid(page);

    // The two linearization groups are controls themselves: the load
    // renames the primary one after the sensor's quantity.
    auto* wind = static_cast<QGroupBox*>(page->Add(CTL_WIND_LIN_GROUP, page).pWidget);
    FieldGroup(page, {CTL_LIN_WC1, CTL_LIN_WC3, CTL_LIN_WC4, CTL_LIN_WC5, CTL_LIN_WC6, CTL_LIN_WE1, CTL_LIN_WE2}, wind);
    layout->addWidget(wind, 0, 0, 3, 1);

    auto* primary = static_cast<QGroupBox*>(page->Add(CTL_PRIMARY_LIN_GROUP, page).pWidget);
    FieldGroup(page, {CTL_LIN_XC1, CTL_LIN_XE1}, primary);
    layout->addWidget(primary, 0, 1);

    QGroupBox* system = page->Group(tConfigControls[CTL_SYS_SPEED].szGroup, page);
    auto* grid = new QGridLayout(system);
    page->AddRow(grid, 0, CTL_SYS_SPEED);
    page->AddRow(grid, 1, CTL_SYS_CLK);
    grid->addWidget(page->Add(CTL_SYS_WATCHDOG, system).pWidget, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addWidget(system, 1, 1);

    layout->addWidget(FieldGroup(page, {CTL_EXPERT_THLD, CTL_MISC_PWRDLY}), 2, 1);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 3);
    layout->setRowStretch(3, 1);
    return page;
}

PageWidget* CreateFactoryPage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_FACTORY, pParent);
    QGridLayout* layout = PageGrid(page);
    layout->addWidget(FieldGroup(page, {CTL_SENS_VERSION, CTL_SENS_DATE, CTL_SENS_SN}), 0, 0);
    layout->addWidget(FieldGroup(page, {CTL_HW_VERSION, CTL_HW_DATE}), 1, 0);
    layout->addWidget(FieldGroup(page, {CTL_CALIB_DATE, CTL_CALIB_PRIMARY, CTL_CALIB_WIND}), 0, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(page->Add(CTL_FACTORY_UNLOCK, page).pWidget);
    layout->addLayout(buttons, 1, 1, Qt::AlignTop);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);
    return page;
}
