#include "progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "log.h"
#include "msgbox.h"
#include "progressbar.h"
#include "windowthread.h"

namespace {

constexpr char kWaiting[] = "Waiting...";
constexpr int kWidthChars = 52;   // the longest status with its percentage, and room

}  // namespace

ProgressWindow::ProgressWindow(QWidget* pOwner) : QDialog(pOwner)
{
    setObjectName("DlgPrg");
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    pBar = new QProgressBar(this);
    pBar->setObjectName("prgBar");
    pBar->setRange(0, 100);
    pBar->setValue(0);
    pBar->setTextVisible(false);
    pStatus = new QLabel(QString::fromLatin1(kWaiting), this);
    pStatus->setObjectName("prgStatus");
    pStatus->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(10);
    layout->addWidget(pBar);
    layout->addWidget(pStatus);
    setMinimumWidth(fontMetrics().averageCharWidth() * kWidthChars);
    adjustSize();
    setFixedHeight(sizeHint().height());
}

void ProgressWindow::Open(const QString& sTitle)
{
    setWindowTitle(sTitle);
    pBar->setRange(0, 100);
    pBar->setValue(0);
    pStatus->setText(QString::fromLatin1(kWaiting));
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
}

void ProgressWindow::ShowProgress(int nPosition, const QString& sText)
{
    pStatus->setText(sText);
    if (nPosition != TASK_POSITION_KEEP)
        SetProgress(pBar, nPosition < 0 ? 0 : nPosition);
    pStatus->repaint();
    pBar->repaint();
}

ProgressFrontEnd::ProgressFrontEnd(QWidget* pOwnerWidget, std::function<void(bool)> fnInput)
    : pOwner(pOwnerWidget), fnOwnerInput(std::move(fnInput))
{
}

ProgressFrontEnd::~ProgressFrontEnd() = default;

void ProgressFrontEnd::Progress(int nPosition, int, const char* szText)
{
    const QString text = QString::fromLocal8Bit(szText);
    RunOnWindowThread([&] {
        if (pWindow != nullptr && bOpen)
            pWindow->ShowProgress(nPosition, text);
    });
}

void ProgressFrontEnd::State(int nState, const char* szTitle)
{
    const QString title = QString::fromLocal8Bit(szTitle != nullptr ? szTitle : "");
    RunOnWindowThread([&] {
        if (nState == TASK_IDLE) {
            if (pWindow != nullptr)
                pWindow->hide();
            bOpen = false;
            fnOwnerInput(true);
            return;
        }
        if (bOpen)
            Log("Progress window already open: '%s' takes it over", title.toLocal8Bit().constData());
        if (pWindow == nullptr)
            pWindow = new ProgressWindow(pOwner);
        fnOwnerInput(false);
        bOpen = true;
        pWindow->Open(title);
    });
}

int ProgressFrontEnd::Question(MessageKind nIcon, const char* szText)
{
    return UiQuestion(nIcon, szText);
}

void ProgressFrontEnd::Information(const char* szText)
{
    GetMessageHandler()(MESSAGE_INFO, szText);
}
