#pragma once

#include "platform/platformadapter.h"

#include <QPrinter>
#include <QtTest>

#include <functional>

// The only test double: the user-facing side of the platform. Questions are answered from a queue (an empty
// one fails the test), every box's text is recorded, and the printer dialog returns what the test prepared.
class ScriptedPlatform final : public PlatformAdapter
{
public:
    Answer MsgBox(const QString &text, int code = Plain, const QString & = {}) override
    {
        shown.append(text);
        codes.append(code);
        if (whileShown)
            std::exchange(whileShown, nullptr)();
        if (!isQuestion(code))
            return AnswerOk;
        if (answers.isEmpty())
            QTest::qFail(qPrintable("unscripted question: " + text), __FILE__, __LINE__);
        return answers.isEmpty() ? AnswerNo : Answer(answers.dequeue());
    }
    std::optional<QString> askText(const QString &text) override
    {
        shown.append(text);
        codes.append(QuestionYesNo);
        return texts.isEmpty() ? std::nullopt : std::optional<QString>(texts.dequeue()); // none left: Cancel
    }
    QStringList volumes() override { return volumeList; }
    void watchVolumes(QObject *, std::function<void()> changed) override { volumesChanged = changed; }
    std::unique_ptr<QPrinter> OpenPrinterDialog(QWidget *) override { return printer ? printer() : nullptr; }
    std::unique_ptr<QPrinter> openPrinterDialogFor(QWidget *parent, const QString &name) override
    {
        printed = name;
        return OpenPrinterDialog(parent);
    }

    QQueue<int> answers; // the answer to each question, in order
    QQueue<QString> texts; // the text typed for each question asking for one
    QStringList shown; // the text of every box, in order
    QList<int> codes; // and its buttons and icon
    std::function<void()> whileShown; // what the user does while the next box is open
    QStringList volumeList;
    std::function<void()> volumesChanged;
    std::function<std::unique_ptr<QPrinter>()> printer;
    QString printed; // the document the print dialog was last opened for
};
