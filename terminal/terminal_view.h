// The terminal's output box: shows a TerminalOutput as text lines (with
// their time stamps when asked) or as a hex dump of its bytes, laying out
// only the rows in sight. Its memory does not grow with the output, and an
// append costs a scroll range update and one repaint of what is in sight.
//
// Rows are selected with the mouse (or all at once) and copied as text;
// the right button offers Copy, Select all and Clear. The view follows the
// end only while it shows the end: a user who scrolled back to read stays
// where he is while data flows.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <cstdint>
#include <functional>

#include "terminal_output.h"

class TerminalView : public QAbstractScrollArea {
public:
    TerminalView(const TerminalOutput& output, QWidget* pParent);

    // Width of a time stamp and of a hex row, characters.
    static constexpr int STAMP_WIDTH = 15;   // "[hh:mm:ss.zzz] "
    // Bytes per hex row: HEX_BYTES_WIDE when the row fits the box, else
    // HEX_BYTES_NARROW (the smallest window).
    static constexpr int HEX_BYTES_WIDE = 16;
    static constexpr int HEX_BYTES_NARROW = 8;
    int HexBytes() const { return nHexBytes; }

    void SetHex(bool bOn);
    void SetStamps(bool bOn);
    bool Hex() const { return bHex; }
    bool Stamps() const { return bStamps; }

    // The output grew; uDroppedLines lines went at its front meanwhile.
    void OutputChanged(size_t uDroppedLines);
    // The output was emptied.
    void OutputCleared();

    int RowCount() const;
    // Row nRow as shown: a line with its stamp, or a hex row.
    QString RowText(int nRow) const;
    // Every row, one line break between two.
    QString Text() const;

    bool HasSelection() const { return bSelection && tAnchor != tCursor; }
    QString SelectedText() const;
    void SelectAll();
    void Copy() const;
    // "Clear" of the right button's menu.
    void SetClearHandler(std::function<void()> fn) { fnClear = std::move(fn); }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Spot {
        int nRow = 0;
        int nColumn = 0;
        bool operator==(const Spot& o) const { return nRow == o.nRow && nColumn == o.nColumn; }
        bool operator!=(const Spot& o) const { return !(*this == o); }
        bool operator<(const Spot& o) const { return nRow != o.nRow ? nRow < o.nRow : nColumn < o.nColumn; }
    };
    // Rows and scroll ranges after a change; keeps the end in sight when it
    // was, else the rows in sight (nDroppedRows went at the front).
    void UpdateRanges(int nDroppedRows);
    int VisibleRows() const;
    int LineHeight() const;
    int CharWidth() const;
    int Columns() const;
    uint64_t HexFirst() const;
    Spot SpotAt(const QPoint& pos) const;

    const TerminalOutput& tOutput;
    bool bHex = false;
    bool bStamps = false;
    bool bSelection = false;
    bool bSelecting = false;
    Spot tAnchor, tCursor;
    uint64_t uHexFirstShown = 0;
    int nRowsShown = 0;            // RowCount() at the last update
    int nHexBytes = HEX_BYTES_WIDE;
    // Bytes per hex row that fit the box now.
    int FittingHexBytes() const;
    bool bRedrawAll = false;       // scrolls while rows were dropped: no moving of pixels   // HexFirst() at the last update, to count dropped hex rows
    std::function<void()> fnClear;
};
