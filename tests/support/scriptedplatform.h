#pragma once

#include "platform/platformadapter.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

// The only test double: the user-facing side of the platform. Questions are answered from a
// queue (an empty queue fails the test), every box shown is recorded, and the printer dialog
// returns what the test prepared.
class ScriptedPlatform final : public PlatformAdapter
{
public:
    struct Shown
    {
        QString text;
        int code = Plain;
        QString title;
    };

    int MsgBox(const QString &text, int code = Plain, const QString &title = {}) override;
    QStringList volumes() override { return volumeList; }
    std::unique_ptr<QPrinter> OpenPrinterDialog(QWidget *parent) override;

    QQueue<int> answers;    // AnswerYes / AnswerNo for each question, in order
    QList<Shown> shown;     // every box, in order
    QStringList volumeList; // what volumes() returns
    std::function<std::unique_ptr<QPrinter>()> printer; // unset: the dialog is cancelled
    int printerDialogs = 0;
    bool unexpectedQuestion = false; // a question came with no scripted answer

    QStringList texts() const;
};
