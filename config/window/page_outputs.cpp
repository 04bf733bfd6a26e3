// The "Outputs" page: the two analogue output choices side by side, the
// full-scale rows below them and the pulse settings beside those.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "page_widget.h"

namespace {

struct FullScaleRow {
    CtlId nLabel;   // the row's five controls in table order: label, list, "=", value, unit
};
constexpr FullScaleRow tFullScaleRows[] = {{CTL_PRIMARY_FS_LABEL}, {CTL_WIND_FS_LABEL}, {CTL_HAIL_FS_LABEL}};

QGroupBox* OutputGroup(PageWidget* pPage, CtlId nFirst, CtlId nLast)
{
    QGroupBox* group = pPage->Group(tConfigControls[nFirst].szGroup, pPage);
    auto* column = new QVBoxLayout(group);
    pPage->AddColumn(column, nFirst, nLast);
    column->addStretch(1);
    return group;
}

}  // namespace

PageWidget* CreateOutputsPage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_OUTPUTS, pParent);
    auto* layout = new QGridLayout(page);
    layout->setContentsMargins(PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN);
    layout->setSpacing(PAGE_SPACING);
    layout->addWidget(OutputGroup(page, CTL_OUT1_DISABLED, CTL_OUT1_HAIL), 0, 0);
    layout->addWidget(OutputGroup(page, CTL_OUT2_DISABLED, CTL_OUT2_RAW), 0, 1);

    QGroupBox* ranges = page->Group(tConfigControls[CTL_PRIMARY_FS_LABEL].szGroup, page);
    auto* grid = new QGridLayout(ranges);
    for (int row = 0; row < 3; row++) {
        const int first = tFullScaleRows[row].nLabel;
        for (int column = 0; column < 5; column++)
            grid->addWidget(page->Add(static_cast<CtlId>(first + column), ranges).pWidget, row, column);
    }
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
    layout->addWidget(ranges, 1, 0);

    QGroupBox* pulse = page->Group(tConfigControls[CTL_PULSE_THLD].szGroup, page);
    auto* form = new QGridLayout(pulse);
    int row = 0;
    for (CtlId id : {CTL_PULSE_THLD, CTL_PULSE_TO, CTL_PULSE_LVL, CTL_PULSE_MS})
        page->AddRow(form, row++, id);
    form->setColumnStretch(1, 1);
    form->setRowStretch(row, 1);
    layout->addWidget(pulse, 1, 1);

    layout->setRowStretch(2, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    return page;
}
