#include "support/scriptedplatform.h"

#include <QPrinter>

int ScriptedPlatform::MsgBox(const QString &text, int code, const QString &title)
{
    shown.append({text, code, title});
    if (code != QuestionYesNo)
        return AnswerOk;
    if (answers.isEmpty()) {
        unexpectedQuestion = true;
        return AnswerNo;
    }
    return answers.dequeue();
}

std::unique_ptr<QPrinter> ScriptedPlatform::OpenPrinterDialog(QWidget *)
{
    ++printerDialogs;
    return printer ? printer() : nullptr;
}

QStringList ScriptedPlatform::texts() const
{
    QStringList result;
    for (const Shown &box : shown)
        result.append(box.text);
    return result;
}
