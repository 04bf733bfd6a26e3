// VARN-Scope's window: the control bar of the kit (port, refresh, "Debug",
// "Connect", "Disconnect", "Menu >>") above the two plots of the display.
//
// The connection, the receive thread, the display state and the recorder
// are the Qt-free ScopeSession (scope_session.h); this window only places
// the controls, paints a snapshot of the display and asks for redraws. The
// receive thread never waits for painting: it posts an update through the
// window-thread gate.
#pragma once

#include <QElapsedTimer>
#include <memory>

#include "scope_draw.h"
#include "scope_session.h"
#include "scope_settings.h"
#include "toolwindow.h"

class ScopeWindow : public ToolWindow, public ScopeFrontEnd {
    Q_OBJECT
public:
    explicit ScopeWindow(QWidget* pParent = nullptr);
    ~ScopeWindow() override;

    // "Connect": 1 when connected (failures reported).
    int DlgMainConnect();
    // "Disconnect": stops the receive thread between two frames, finishes
    // the current WAV file, closes the port. 0 when the thread did not end
    // in time (still connected).
    int DlgMainDisconnect();
    // Connected (1) or disconnected (0) controls and Tools items.
    void DlgMainStatus(int bConnected) { SetBusy(bConnected ? TASK_BUSY : TASK_IDLE); }

    bool IsConnected() const { return tSession.Connected(); }
    ScopeSession& Session() { return tSession; }
    ScopeSettings& Settings() { return tSettings; }
    // The plot area's widget (what the plots are painted on).
    QWidget* Plots() const;

    // ScopeFrontEnd.
    void Redraw(int bErase) override;
    void Status(int bConnected) override { DlgMainStatus(bConnected); }
    // The error box has been shown: "Record to wav" is unticked to match.
    void RecordingFailed() override;
    // A stream that ended by itself (a lost line, a bad frame) greys the
    // plots with "No signal"; the window stays connected.
    void Ended(int nResult) override;

    // The "View" menu: the picture frozen (the stream and any recording go
    // on), the spectrum instead of the traces, the statistics under the
    // labels.
    void SetPaused(bool bPaused);
    bool Paused() const;
    const ScopeDrawOptions& DrawOptions() const;
    // The plots as shown now (below the control bar), as the picture
    // "Save picture as PNG..." writes.
    QImage Picture() const;
    // Writes Picture() as a PNG file, replaced only once it is whole; 1 when
    // written, else 0 after reporting.
    int SavePicture(const std::string& sPath) const;

    // No frame for this long while streaming: the plots show "No signal".
    static constexpr int NO_SIGNAL_MS = 2000;

    // The window's fixed size: 394 x 300 dialog units of its font.
    static QSize DialogSize(const QFontMetrics& fm);

protected:
    void OnClosed() override;

private:
    class PlotView;
    void CheckSignal();
    void SavePictureAs();

    // Settings first: the session keeps a reference to them.
    ScopeSettings tSettings;
    ScopeSession tSession;
    PlotView* pPlots = nullptr;
    // The signal watch: the frame count last seen and when it last moved.
    unsigned uLastFrames = 0;
    qint64 nLastFrameMs = 0;
    QElapsedTimer tClock;
};
