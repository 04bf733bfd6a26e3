// Progress bars that draw their new position at once.
#pragma once

class QProgressBar;

// Sets the bar to position + 1 and back to position, so the new position is
// drawn at once; when position is at or above the maximum the range is
// widened by one for that step and restored, so 100 (and 110) of 100 draw a
// full bar immediately.
void SetProgress(QProgressBar* pBar, int nPosition);

