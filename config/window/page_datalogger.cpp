// The "Datalogger" page: the logger mode, the thirteen recorded fields and
// the capacity line below them.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "page_widget.h"
#include "param_table.h"

namespace {

// Field boxes by column: the primary quantity and the drop or hail counts
// on the left, wind and hail rates on the right (bits of the field mask).
constexpr int tLeftColumn[] = {0, 1, 2, 3, 4, 11, 12};
constexpr int tRightColumn[] = {5, 6, 7, 8, 9, 10};

}  // namespace

PageWidget* CreateDataloggerPage(QWidget* pParent)
{
    auto* page = new PageWidget(PAGE_DATALOGGER, pParent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN, PAGE_MARGIN);
    layout->setSpacing(PAGE_SPACING);

    QGroupBox* mode = page->Group(tConfigControls[CTL_LOGGER_DISABLED].szGroup, page);
    auto* modes = new QHBoxLayout(mode);
    page->AddColumn(modes, CTL_LOGGER_DISABLED, CTL_LOGGER_CYCLIC);
    modes->addStretch(1);
    layout->addWidget(mode);

    QGroupBox* fields = page->Group(tConfigControls[CTL_FIELD_0].szGroup, page);
    auto* grid = new QGridLayout(fields);
    grid->setHorizontalSpacing(24);
    int row = 0;
    for (int bit : tLeftColumn)
        grid->addWidget(page->Add(nLoggerFieldIds[bit], fields).pWidget, row++, 0);
    row = 0;
    for (int bit : tRightColumn)
        grid->addWidget(page->Add(nLoggerFieldIds[bit], fields).pWidget, row++, 1);
    grid->setColumnStretch(2, 1);
    layout->addWidget(fields);

    auto* status = static_cast<QLabel*>(page->Add(CTL_LOGGER_STATUS, page).pWidget);
    status->setAlignment(Qt::AlignCenter);
    status->setWordWrap(true);
    // Two lines, so a long notice does not make the page jump.
    status->setMinimumHeight(2 * status->fontMetrics().lineSpacing() + 4);
    layout->addWidget(status);
    layout->addStretch(1);
    return page;
}
