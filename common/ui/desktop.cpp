#include "desktop.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <algorithm>

#include "appframe.h"
#include "portaccess.h"
#include "portname.h"
#include "serial.h"
#include "worker.h"

QWidget* hDlgMain = nullptr;

namespace {

// The gate's state. One mutex orders everything a call hands over, in both
// directions, with standard primitives the thread sanitizer sees (it does
// not see inside Qt's queued calls).
struct GateCall {
    enum Stage { PENDING, RUNNING, DONE, DROPPED };
    Stage nStage = PENDING;
    std::condition_variable cvChanged;
};

std::mutex mGate;
bool bGateShut = false;
unsigned long long uGateGeneration = 0;          // counts the shuts
std::vector<std::shared_ptr<GateCall>> vGateWaiting;

bool OnWindowThread(QCoreApplication* app)
{
    return QThread::currentThread() == app->thread();
}

}  // namespace

bool RunOnWindowThread(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || OnWindowThread(app)) {
        fn();
        return true;
    }
    auto call = std::make_shared<GateCall>();
    std::unique_lock<std::mutex> lock(mGate);
    if (bGateShut)
        return false;
    vGateWaiting.push_back(call);
    // The queued part looks at the call's stage first: a call dropped by
    // the shutdown never touches fn, whose owner has returned by then.
    QMetaObject::invokeMethod(
        app,
        [call, &fn] {
            {
                std::lock_guard<std::mutex> hold(mGate);
                if (call->nStage != GateCall::PENDING)
                    return;
                call->nStage = GateCall::RUNNING;
            }
            fn();
            std::lock_guard<std::mutex> hold(mGate);
            call->nStage = GateCall::DONE;
            call->cvChanged.notify_all();
        },
        Qt::QueuedConnection);
    call->cvChanged.wait(lock, [&] { return call->nStage == GateCall::DONE || call->nStage == GateCall::DROPPED; });
    vGateWaiting.erase(std::find(vGateWaiting.begin(), vGateWaiting.end(), call));
    return call->nStage == GateCall::DONE;
}

bool PostToWindowThread(std::function<void()> fn, QObject* pContext)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        {
            std::lock_guard<std::mutex> lock(mGate);
            if (bGateShut)
                return false;
        }
        fn();
        return true;
    }
    // Posted while the gate's mutex is held, as RunOnWindowThread does: the
    // queued part takes the mutex before it touches what it carries, so the
    // hand-over is ordered by a primitive the thread sanitizer sees.
    std::lock_guard<std::mutex> lock(mGate);
    if (bGateShut)
        return false;
    const unsigned long long generation = uGateGeneration;
    QMetaObject::invokeMethod(
        pContext != nullptr ? pContext : app,
        [generation, fn = std::move(fn)] {
            {
                std::lock_guard<std::mutex> hold(mGate);
                if (bGateShut || generation != uGateGeneration)
                    return;
            }
            fn();
        },
        Qt::QueuedConnection);
    return true;
}

void UiGateOpen()
{
    std::lock_guard<std::mutex> lock(mGate);
    bGateShut = false;
}

void UiGateShut()
{
    std::lock_guard<std::mutex> lock(mGate);
    bGateShut = true;
    uGateGeneration++;
    for (const std::shared_ptr<GateCall>& call : vGateWaiting) {
        if (call->nStage == GateCall::PENDING) {
            call->nStage = GateCall::DROPPED;
            call->cvChanged.notify_all();
        }
    }
}

bool UiGateIsShut()
{
    std::lock_guard<std::mutex> lock(mGate);
    return bGateShut;
}

namespace {

void WindowWaitPump()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && OnWindowThread(app))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

void UiInstallWaitPump()
{
    SetWaitPump(WindowWaitPump);
}

bool UiWaitFor(const std::function<bool()>& pred, unsigned uTimeoutMs)
{
    return WaitWithPump(pred, uTimeoutMs, WindowWaitPump);
}

namespace {

std::mutex mHandlers;
QuestionHandler fnQuestion;
FileDialogHandler fnFileDialog;
PasswordHandler fnPassword;
PortCandidatesHandler fnPortCandidates;

template <typename T>
T Current(const T& handler)
{
    std::lock_guard<std::mutex> lock(mHandlers);
    return handler;
}

void ShowMessageBox(MessageKind nKind, const char* szText)
{
    static const QMessageBox::Icon tIcon[] = {QMessageBox::Critical, QMessageBox::Warning,
                                              QMessageBox::Information};
    const QString text = QString::fromLocal8Bit(szText);
    RunOnWindowThread([&] {
        QMessageBox box(tIcon[nKind], QString::fromLocal8Bit(szAppTitle), text, QMessageBox::Ok, hDlgMain);
        box.exec();
    });
}

int RealQuestion(MessageKind nIcon, const std::string& sText)
{
    int answer = 0;
    RunOnWindowThread([&] {
        QMessageBox box(nIcon == MESSAGE_ERROR ? QMessageBox::Critical : QMessageBox::Question,
                        QString::fromLocal8Bit(szAppTitle), QString::fromLocal8Bit(sText.c_str()),
                        QMessageBox::Yes | QMessageBox::No, hDlgMain);
        box.setDefaultButton(QMessageBox::No);
        answer = box.exec() == QMessageBox::Yes ? 1 : 0;
    });
    return answer;
}

// "Text file (*.txt)" with pattern "*.TXT" becomes "Text file (*.TXT *.txt)":
// the pattern in both cases, since Linux names are case-sensitive and the
// suite's patterns come from a case-insensitive platform. "*.*" means every
// file, which is "*" here.
QString QtFilter(const std::pair<std::string, std::string>& filter)
{
    QString label = QString::fromLocal8Bit(filter.first.c_str());
    int paren = label.indexOf('(');
    if (paren >= 0)
        label = label.left(paren).trimmed();
    QStringList patterns;
    for (const QString& p : QString::fromLocal8Bit(filter.second.c_str()).split(';', Qt::SkipEmptyParts)) {
        QString pat = p.trimmed() == "*.*" ? QString("*") : p.trimmed();
        for (const QString& v : {pat, pat.toLower(), pat.toUpper()}) {
            if (!patterns.contains(v))
                patterns << v;
        }
    }
    return label + " (" + patterns.join(' ') + ")";
}

bool RealFileDialog(FileDialogMode nMode, const FileDialogRequest& request, std::string* pPath)
{
    bool chosen = false;
    RunOnWindowThread([&] {
        QFileDialog dlg(hDlgMain);
        dlg.setOption(QFileDialog::DontUseNativeDialog, QGuiApplication::platformName() == "offscreen");
        QStringList filters;
        for (const auto& f : request.vFilters)
            filters << QtFilter(f);
        dlg.setNameFilters(filters);
        if (request.nFilter >= 0 && request.nFilter < filters.size())
            dlg.selectNameFilter(filters[request.nFilter]);
        if (!request.sDefaultExt.empty())
            dlg.setDefaultSuffix(QString::fromLocal8Bit(request.sDefaultExt.c_str()));
        if (!request.sStartDir.empty())
            dlg.setDirectory(QString::fromLocal8Bit(request.sStartDir.c_str()));
        if (!request.sStartFile.empty())
            dlg.selectFile(QString::fromLocal8Bit(request.sStartFile.c_str()));
        if (!request.sTitle.empty())
            dlg.setWindowTitle(QString::fromLocal8Bit(request.sTitle.c_str()));
        if (nMode == FILE_DIALOG_SAVE) {
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        } else {
            dlg.setAcceptMode(QFileDialog::AcceptOpen);
            dlg.setFileMode(QFileDialog::ExistingFile);
        }
        if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
            const QByteArray path = dlg.selectedFiles().first().toLocal8Bit();
            if (path.size() < APP_PATH_SIZE) {
                *pPath = path.toStdString();
                chosen = true;
            } else {
                Error("The path is too long (%d characters, at most %d) !", static_cast<int>(path.size()),
                      APP_PATH_SIZE - 1);
            }
        }
    });
    return chosen;
}

bool RealPassword(std::string* pOut)
{
    bool ok = false;
    RunOnWindowThread([&] {
        const QString text = QInputDialog::getText(hDlgMain, QString::fromLocal8Bit(szAppTitle), "Password :",
                                                   QLineEdit::Password, QString(), &ok);
        if (ok)
            *pOut = text.toLocal8Bit().toStdString();
    });
    return ok;
}

}  // namespace

void UiInstallMessageBoxes()
{
    SetMessageHandler(ShowMessageBox);
}

int UiQuestion(MessageKind nIcon, const char* szText)
{
    QuestionHandler fn = Current(fnQuestion);
    return fn ? fn(nIcon, szText) : RealQuestion(nIcon, szText);
}

void SetQuestionHandler(QuestionHandler fn)
{
    std::lock_guard<std::mutex> lock(mHandlers);
    fnQuestion = std::move(fn);
}

bool UiOpenFile(const FileDialogRequest& request, std::string* pPath)
{
    FileDialogHandler fn = Current(fnFileDialog);
    return fn ? fn(FILE_DIALOG_OPEN, request, pPath) : RealFileDialog(FILE_DIALOG_OPEN, request, pPath);
}

bool UiSaveFile(const FileDialogRequest& request, std::string* pPath)
{
    FileDialogHandler fn = Current(fnFileDialog);
    return fn ? fn(FILE_DIALOG_SAVE, request, pPath) : RealFileDialog(FILE_DIALOG_SAVE, request, pPath);
}

void SetFileDialogHandler(FileDialogHandler fn)
{
    std::lock_guard<std::mutex> lock(mHandlers);
    fnFileDialog = std::move(fn);
}

bool UiPassword(std::string* pOut)
{
    PasswordHandler fn = Current(fnPassword);
    return fn ? fn(pOut) : RealPassword(pOut);
}

void SetPasswordHandler(PasswordHandler fn)
{
    std::lock_guard<std::mutex> lock(mHandlers);
    fnPassword = std::move(fn);
}

namespace {

// Each port shows what tells it apart (portname.h); its path is the item's
// data, which is what is opened, and its tool tip. "Select..." has no data.
void FillFromList(QComboBox* pCombo, const PortList& list)
{
    pCombo->clear();
    if (list.vEntries.empty())
        return;
    pCombo->addItem(QString::fromLocal8Bit(list.vEntries[0].c_str()));
    const std::vector<std::string> paths(list.vEntries.begin() + 1, list.vEntries.end());
    const std::vector<std::string> names = PortDisplayNames(paths);
    for (size_t i = 0; i < paths.size(); i++) {
        const QString path = QString::fromLocal8Bit(paths[i].c_str());
        const std::string& note = i + 1 < list.vNotes.size() ? list.vNotes[i + 1] : std::string();
        QString text = QString::fromLocal8Bit(names[i].c_str());
        QString tip = path;
        // A port the user may not open says so, and how to get access;
        // connecting to it reports the same.
        if (!note.empty()) {
            text += QString::fromLocal8Bit((" (" + note + ")").c_str());
            tip += QString::fromLocal8Bit(("\n" + SerialPortOpenReason(paths[i], EACCES)).c_str());
        }
        pCombo->addItem(text, path);
        pCombo->setItemData(pCombo->count() - 1, tip, Qt::ToolTipRole);
    }
    pCombo->setCurrentIndex(list.nSelected);
}

}  // namespace

void FillPortList(QComboBox* pCombo)
{
    PortCandidatesHandler fn = Current(fnPortCandidates);
    FillFromList(pCombo, fn ? LoadPortList(fn()) : LoadPortList());
}

void SetPortCandidatesHandler(PortCandidatesHandler fn)
{
    std::lock_guard<std::mutex> lock(mHandlers);
    fnPortCandidates = std::move(fn);
}

std::string PortListSelection(const QComboBox* pCombo)
{
    if (pCombo == nullptr || pCombo->currentIndex() <= 0)
        return std::string();
    return pCombo->currentData().toString().toLocal8Bit().toStdString();
}

void FillPortList(QComboBox* pCombo, const std::vector<std::string>& vCandidates)
{
    FillFromList(pCombo, LoadPortList(vCandidates));
}

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

void UiQuitProgram()
{
    if (hDlgMain != nullptr)
        hDlgMain->close();
    QCoreApplication::exit(0);
}
