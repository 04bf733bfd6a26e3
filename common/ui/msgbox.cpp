#include "msgbox.h"

#include <QMessageBox>
#include <mutex>

#include "appframe.h"
#include "appmain.h"
#include "windowthread.h"

namespace {

std::mutex mHandler;
QuestionHandler fnQuestion;

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

}  // namespace

void UiInstallMessageBoxes()
{
    SetMessageHandler(ShowMessageBox);
}

int UiQuestion(MessageKind nIcon, const char* szText)
{
    QuestionHandler fn;
    {
        std::lock_guard<std::mutex> lock(mHandler);
        fn = fnQuestion;
    }
    return fn ? fn(nIcon, szText) : RealQuestion(nIcon, szText);
}

void SetQuestionHandler(QuestionHandler fn)
{
    std::lock_guard<std::mutex> lock(mHandler);
    fnQuestion = std::move(fn);
}
