#include "terminal_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cstdlib>
#include <cstdio>

namespace {

// A scroll bar that draws itself anew only when what it shows changed: a
// view that follows a long output moves its value with every take, while
// the handle stays on the same pixels at the bottom. Changes between Begin
// and End are looked at once, at the End.
class SteadyScrollBar : public QScrollBar {
public:
    SteadyScrollBar(Qt::Orientation nOrientation, QWidget* pParent) : QScrollBar(nOrientation, pParent) {}

    void Begin() { bBatch = true; }
    void End()
    {
        bBatch = false;
        if (bPending)
            sliderChange(SliderValueChange);
    }

protected:
    void sliderChange(SliderChange nChange) override
    {
        if (bBatch) {
            bPending = true;
            return;
        }
        bPending = false;
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        const int ends = (value() == minimum() ? 1 : 0) | (value() == maximum() ? 2 : 0);
        if (nChange == SliderOrientationChange || handle != tHandle || ends != nEnds) {
            tHandle = handle;
            nEnds = ends;
            QScrollBar::sliderChange(nChange);
        }
    }

private:
    QRect tHandle;
    int nEnds = -1;
    bool bBatch = false;
    bool bPending = false;
};

constexpr int kPad = 3;              // blank border inside the box, pixels
constexpr int kTabStop = 8;          // tab stops every this many characters
constexpr int kFillBand = 32;        // background filled in bands of at most this many pixels
// Characters in a hex row of n bytes: "%08X  ", "%02X " per byte, " |", the bytes, "|".
constexpr int HexColumns(int n)
{
    return 8 + 2 + 3 * n + 2 + n + 1;
}

// 8-bit characters as they are, tabs to the next stop.
QString ShownText(const std::string& sLine)
{
    QString text;
    text.reserve(static_cast<int>(sLine.size()));
    for (const char c : sLine) {
        if (c == '\t') {
            do
                text += QChar(' ');
            while (text.size() % kTabStop != 0);
        } else {
            text += QChar(static_cast<unsigned char>(c));
        }
    }
    return text;
}

}  // namespace

TerminalView::TerminalView(const TerminalOutput& output, QWidget* pParent)
    : QAbstractScrollArea(pParent), tOutput(output)
{
    setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, this));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    // paintEvent fills what it draws on, row by row: a tall fill at once
    // would be handed to the painter's helper threads, waking them at
    // every take.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    UpdateRanges(0);
}

void TerminalView::SetHex(bool bOn)
{
    if (bHex == bOn)
        return;
    bHex = bOn;
    bSelection = false;
    nHexBytes = FittingHexBytes();
    uHexFirstShown = HexFirst();
    // Rows of the other view mean nothing here: show the end.
    UpdateRanges(0);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TerminalView::SetStamps(bool bOn)
{
    if (bStamps == bOn)
        return;
    bStamps = bOn;
    UpdateRanges(0);
    viewport()->update();
}

void TerminalView::OutputChanged(size_t uDroppedLines)
{
    const uint64_t first = HexFirst();
    const int dropped = bHex ? static_cast<int>((first - std::min(first, uHexFirstShown)) / nHexBytes)
                             : static_cast<int>(std::min<size_t>(uDroppedLines, INT32_MAX));
    uHexFirstShown = first;
    if (dropped > 0) {
        // Rows moved under the view: everything is drawn anew.
        bRedrawAll = true;
        UpdateRanges(dropped);
        bRedrawAll = false;
        viewport()->update();
        return;
    }
    // Only the last row can have grown, and rows come after it: after the
    // scroll (which moves what is drawn already), those are drawn.
    const int changedFrom = std::max(0, nRowsShown - 1);
    UpdateRanges(0);
    const int y = kPad + (changedFrom - verticalScrollBar()->value()) * LineHeight();
    if (y < viewport()->height())
        viewport()->update(0, std::max(0, y), viewport()->width(), viewport()->height() - std::max(0, y));
}

void TerminalView::OutputCleared()
{
    bSelection = false;
    uHexFirstShown = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateRanges(0);
    viewport()->update();
}

uint64_t TerminalView::HexFirst() const
{
    return tOutput.Base() - tOutput.Base() % static_cast<uint64_t>(nHexBytes);
}

int TerminalView::RowCount() const
{
    if (bHex) {
        const uint64_t bytes = tOutput.End() - HexFirst();
        const auto n = static_cast<uint64_t>(nHexBytes);
        return static_cast<int>(std::min<uint64_t>((bytes + n - 1) / n, INT32_MAX));
    }
    return static_cast<int>(std::min<size_t>(tOutput.LineCount(), INT32_MAX));
}

QString TerminalView::RowText(int nRow) const
{
    if (nRow < 0 || nRow >= RowCount())
        return QString();
    if (!bHex) {
        QString text = ShownText(tOutput.LineText(static_cast<size_t>(nRow)));
        if (!bStamps)
            return text;
        const int64_t stamp = tOutput.LineAt(static_cast<size_t>(nRow)).nStampMs;
        return (stamp > 0 ? QString::fromLatin1(TerminalStampText(stamp).c_str()) : QString(STAMP_WIDTH, QChar(' '))) + text;
    }
    // "00000040  41 42 ...  |AB..|": offset, the bytes, the printable ones.
    const uint64_t from = HexFirst() + static_cast<uint64_t>(nRow) * static_cast<uint64_t>(nHexBytes);
    char hex[3 * HEX_BYTES_WIDE + 1], chars[HEX_BYTES_WIDE + 1];
    for (int i = 0; i < nHexBytes; i++) {
        const uint64_t at = from + static_cast<uint64_t>(i);
        if (at < tOutput.Base() || at >= tOutput.End()) {
            std::snprintf(hex + 3 * i, 4, "   ");
            chars[i] = ' ';
            continue;
        }
        const auto c = static_cast<unsigned char>(tOutput.Bytes()[static_cast<size_t>(at - tOutput.Base())]);
        std::snprintf(hex + 3 * i, 4, "%02X ", c);
        chars[i] = c >= 32 && c < 127 ? static_cast<char>(c) : '.';
    }
    chars[nHexBytes] = '\0';
    char row[HexColumns(HEX_BYTES_WIDE) + 8];
    std::snprintf(row, sizeof row, "%08llX  %s |%s|", static_cast<unsigned long long>(from), hex, chars);
    return QString::fromLatin1(row);
}

QString TerminalView::Text() const
{
    QString text;
    const int rows = RowCount();
    for (int r = 0; r < rows; r++) {
        if (r > 0)
            text += QChar('\n');
        text += RowText(r);
    }
    return text;
}

QString TerminalView::SelectedText() const
{
    if (!HasSelection())
        return QString();
    const Spot from = std::min(tAnchor, tCursor), to = std::max(tAnchor, tCursor);
    QString text;
    for (int r = from.nRow; r <= to.nRow; r++) {
        const QString row = RowText(r);
        const int begin = r == from.nRow ? from.nColumn : 0;
        const int end = r == to.nRow ? to.nColumn : static_cast<int>(row.size());
        text += row.mid(begin, std::max(0, end - begin));
        if (r < to.nRow)
            text += QChar('\n');
    }
    return text;
}

void TerminalView::SelectAll()
{
    const int rows = RowCount();
    if (rows == 0)
        return;
    bSelection = true;
    tAnchor = {0, 0};
    tCursor = {rows - 1, static_cast<int>(RowText(rows - 1).size())};
    viewport()->update();
}

void TerminalView::Copy() const
{
    if (HasSelection())
        QApplication::clipboard()->setText(SelectedText());
}

int TerminalView::LineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int TerminalView::CharWidth() const
{
    return std::max(1, fontMetrics().horizontalAdvance(QChar('M')));
}

int TerminalView::VisibleRows() const
{
    return std::max(1, (viewport()->height() - 2 * kPad) / LineHeight());
}

int TerminalView::Columns() const
{
    if (bHex)
        return HexColumns(nHexBytes);
    return static_cast<int>(tOutput.Widest()) + (bStamps ? STAMP_WIDTH : 0);
}

void TerminalView::UpdateRanges(int nDroppedRows)
{
    auto* bar = static_cast<SteadyScrollBar*>(verticalScrollBar());
    const bool atEnd = bar->value() >= bar->maximum();
    const int value = std::max(0, bar->value() - nDroppedRows);
    const int visible = VisibleRows();
    nRowsShown = RowCount();
    // The scroll area answers every range signal by laying out its
    // children anew, which repaints the whole box: the vertical bar is
    // always shown, so its signals are held and the rows redrawn here.
    const int before = bar->value();
    bar->Begin();
    {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, std::max(0, nRowsShown - visible));
        bar->setPageStep(visible);
        bar->setValue(atEnd ? bar->maximum() : value);
    }
    bar->End();
    if (bar->value() != before)
        scrollContentsBy(0, before - bar->value());

    QScrollBar* across = horizontalScrollBar();
    across->setRange(0, std::max(0, Columns() * CharWidth() + 2 * kPad - viewport()->width()));
    across->setPageStep(std::max(1, viewport()->width()));
    across->setSingleStep(CharWidth());

    if (bSelection && nDroppedRows > 0) {
        tAnchor.nRow -= nDroppedRows;
        tCursor.nRow -= nDroppedRows;
        if (std::max(tAnchor.nRow, tCursor.nRow) < 0)
            bSelection = false;
        for (Spot* s : {&tAnchor, &tCursor})
            if (s->nRow < 0)
                *s = {0, 0};
    }
}

void TerminalView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(viewport());
    const QPalette& pal = palette();
    const QRect area = pEvent->rect();
    const QColor base = pal.color(QPalette::Base);
    painter.setFont(font());
    const int lh = LineHeight(), cw = CharWidth(), ascent = fontMetrics().ascent();
    const int first = verticalScrollBar()->value();
    const int x0 = kPad - horizontalScrollBar()->value();
    // Only the rows in the area to draw.
    const int top = first + std::max(0, (area.top() - kPad) / lh);
    const int last = std::min({RowCount(), first + VisibleRows() + 1, first + (area.bottom() - kPad) / lh + 1});
    const bool selected = HasSelection();
    const Spot from = std::min(tAnchor, tCursor), to = std::max(tAnchor, tCursor);
    // Bands of the background above, between and below the rows.
    auto fill = [&](int y0, int y1) {
        for (int y = std::max(y0, area.top()); y < std::min(y1, area.bottom() + 1); y += kFillBand)
            painter.fillRect(area.left(), y, area.width(), std::min(kFillBand, std::min(y1, area.bottom() + 1) - y),
                             base);
    };
    fill(area.top(), kPad + (top - first) * lh);
    for (int r = top; r < last; r++) {
        const QString text = RowText(r);
        const int y = kPad + (r - first) * lh;
        fill(y, y + lh);
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(x0, y + ascent, text);
        if (!selected || r < from.nRow || r > to.nRow)
            continue;
        const int begin = r == from.nRow ? from.nColumn : 0;
        const int end = r == to.nRow ? to.nColumn : static_cast<int>(text.size()) + 1;
        if (end <= begin)
            continue;
        painter.fillRect(x0 + begin * cw, y, (end - begin) * cw, lh, pal.color(QPalette::Highlight));
        painter.setPen(pal.color(QPalette::HighlightedText));
        painter.drawText(x0 + begin * cw, y + ascent, text.mid(begin, end - begin));
    }
    fill(kPad + (std::max(last, top) - first) * lh, area.bottom() + 1);
}

int TerminalView::FittingHexBytes() const
{
    return HexColumns(HEX_BYTES_WIDE) * CharWidth() + 2 * kPad <= viewport()->width() ? HEX_BYTES_WIDE
                                                                                       : HEX_BYTES_NARROW;
}

void TerminalView::resizeEvent(QResizeEvent* pEvent)
{
    QAbstractScrollArea::resizeEvent(pEvent);
    const int fitting = FittingHexBytes();
    if (fitting != nHexBytes) {
        // The hex rows change: the same bytes stay in sight (or the end).
        QScrollBar* bar = verticalScrollBar();
        const bool atEnd = bar->value() >= bar->maximum();
        const int row = static_cast<int>(static_cast<long long>(bar->value()) * nHexBytes / fitting);
        nHexBytes = fitting;
        if (bHex) {
            bSelection = false;
            uHexFirstShown = HexFirst();
            UpdateRanges(0);
            bar->setValue(atEnd ? bar->maximum() : row);
            viewport()->update();
            return;
        }
    }
    UpdateRanges(0);
}

void TerminalView::changeEvent(QEvent* pEvent)
{
    QAbstractScrollArea::changeEvent(pEvent);
    if (pEvent->type() == QEvent::FontChange) {
        UpdateRanges(0);
        viewport()->update();
    }
}

void TerminalView::scrollContentsBy(int dx, int dy)
{
    if (bRedrawAll || dx != 0 || std::abs(dy) >= VisibleRows()) {
        viewport()->update();
        return;
    }
    // Moves what is drawn and draws only the rows that came into sight
    // (and the blank border at the top, which a moved row would cover).
    viewport()->scroll(0, dy * LineHeight());
    viewport()->update(0, 0, viewport()->width(), kPad);
}

TerminalView::Spot TerminalView::SpotAt(const QPoint& pos) const
{
    const int rows = RowCount();
    if (rows == 0)
        return {};
    const int y = pos.y() - kPad;
    int row = verticalScrollBar()->value() + (y < 0 ? -1 : y / LineHeight());
    row = std::clamp(row, 0, rows - 1);
    const int x = pos.x() - kPad + horizontalScrollBar()->value();
    const int cw = CharWidth();
    const int column = std::clamp((x + cw / 2) / cw, 0, static_cast<int>(RowText(row).size()));
    return {row, column};
}

void TerminalView::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(pEvent);
        return;
    }
    tAnchor = tCursor = SpotAt(pEvent->position().toPoint());
    bSelection = bSelecting = true;
    viewport()->update();
}

void TerminalView::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (!bSelecting)
        return;
    const QPoint pos = pEvent->position().toPoint();
    // Dragging past an edge scrolls that way.
    if (pos.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (pos.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    tCursor = SpotAt(pos);
    viewport()->update();
}

void TerminalView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton && bSelecting) {
        bSelecting = false;
        // The desktop's selection buffer, where it has one (middle-click paste).
        QClipboard* clipboard = QApplication::clipboard();
        if (HasSelection() && clipboard->supportsSelection())
            clipboard->setText(SelectedText(), QClipboard::Selection);
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(pEvent);
}

void TerminalView::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->matches(QKeySequence::Copy)) {
        Copy();
    } else if (pEvent->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (pEvent->matches(QKeySequence::MoveToStartOfDocument)) {
        verticalScrollBar()->setValue(0);
    } else if (pEvent->matches(QKeySequence::MoveToEndOfDocument)) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(pEvent);
    }
}

void TerminalView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    QMenu menu(this);
    QAction* copy = menu.addAction("Copy", [this] { Copy(); });
    copy->setEnabled(HasSelection());
    menu.addAction("Select all", [this] { SelectAll(); });
    menu.addSeparator();
    QAction* clear = menu.addAction("Clear", [this] {
        if (fnClear)
            fnClear();
    });
    clear->setEnabled(static_cast<bool>(fnClear));
    menu.exec(pEvent->globalPos());
}
