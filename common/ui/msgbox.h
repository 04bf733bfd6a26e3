// Message and question boxes, caption szAppTitle, owned by the main window
// (hDlgMain). Callable from a worker: the box runs on the window thread
// (through the window-thread gate) and the caller waits for the answer.
#pragma once

#include <functional>
#include <string>

#include "log.h"

// Installs the reporter handler of log.h that shows a modal message box
// (caption szAppTitle, owner hDlgMain, the kind's icon, one OK button) on the
// window thread; callable from a worker, which waits until the user closed it.
void UiInstallMessageBoxes();

// The question is reached through a handler that tests replace to answer
// it without a screen; nullptr restores the real box.

// Yes/No question, caption szAppTitle, question icon (MESSAGE_INFO or
// MESSAGE_WARNING) or error icon (MESSAGE_ERROR). Returns 1 for Yes, else 0.
int UiQuestion(MessageKind nIcon, const char* szText);
using QuestionHandler = std::function<int(MessageKind nIcon, const std::string& sText)>;
void SetQuestionHandler(QuestionHandler fn);

