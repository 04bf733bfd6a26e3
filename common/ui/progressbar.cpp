#include "progressbar.h"

#include <QProgressBar>

void SetProgress(QProgressBar* pBar, int nPosition)
{
    const int max = pBar->maximum();
    if (nPosition >= max) {
        // One step past the end and back, so the full bar is drawn at once;
        // positions beyond the range show as full.
        pBar->setMaximum(max + 1);
        pBar->setValue(max + 1);
        pBar->setValue(max);
        pBar->setMaximum(max);
        return;
    }
    pBar->setValue(nPosition + 1);
    pBar->setValue(nPosition);
}
