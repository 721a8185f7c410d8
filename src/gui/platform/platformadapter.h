#pragma once

#include "fleet/productionline.h"

#include <QPrinter>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QObject;
class QWidget;

// The one seam between the program and the user or the desktop: message boxes, the mounted
// volumes and the printer dialog. The windows talk to the user only through it, so tests can
// script the answers and record what was shown.
class PlatformAdapter
{
public:
    // Message box codes, with the framework's values: 4 (Yes/No) + 32 (question icon), 48 (caution
    // icon, OK). DefaultSecond is added to a code to make the second button (No) the default answer.
    // QuestionSaveDiscardCancel is the framework's 3 (three answers) + 32, asked about unsaved changes:
    // Save is the default, Escape cancels.
    enum Code : int {
        Plain = 0,
        QuestionSaveDiscardCancel = 35,
        QuestionYesNo = 36,
        Caution = 48,
        DefaultSecond = 256
    };
    // Answers, with the framework's values; Save and Discard have none there.
    enum Answer : int {
        AnswerOk = 1,
        AnswerCancel = 2,
        AnswerYes = 6,
        AnswerNo = 7,
        AnswerSave = 8,
        AnswerDiscard = 9
    };
    // Whether a code asks a question, whichever answer is the default.
    static constexpr bool isQuestion(int code)
    {
        return (code & ~DefaultSecond) == QuestionYesNo || code == QuestionSaveDiscardCancel;
    }

    virtual ~PlatformAdapter() = default;

    // Shows a modal message box; returns AnswerYes or AnswerNo for a Yes/No question, AnswerSave,
    // AnswerDiscard or AnswerCancel for QuestionSaveDiscardCancel, AnswerOk otherwise.
    // code is a Code, or QuestionYesNo | DefaultSecond.
    virtual Answer MsgBox(const QString &text, int code = Plain, const QString &title = {}) = 0;
    // Asks for one line of text; none when the user cancels.
    virtual std::optional<QString> askText(const QString &text) = 0;
    // A Yes/No question with a box to tick below it (option, such as "for every card from now on"): whether the
    // answer was Yes, and whether the box was ticked then. No is the answer Escape gives.
    struct Confirmation
    {
        bool yes = false;
        bool option = false;
    };
    virtual Confirmation confirmWithOption(const QString &text, const QString &option)
    {
        Q_UNUSED(option);
        return {ask(text), false};
    }
    // The file the user chooses in the platform's save dialog, proposed as name in the user's documents, of the
    // type filter names ("CSV files (*.csv)"); none when the user cancels. The dialog asks before a file is replaced.
    virtual std::optional<QString> askSaveFileName(QWidget *parent, const QString &name, const QString &filter)
    {
        Q_UNUSED(parent);
        Q_UNUSED(name);
        Q_UNUSED(filter);
        return std::nullopt;
    }
    // Absolute root paths of the mounted volumes, in the platform's order.
    virtual QStringList volumes() = 0;
    // Calls changed whenever the mounted volumes may have changed, until receiver goes: every receiver hears of
    // every change. A platform that cannot watch them never calls it; "Refresh" still re-reads them.
    virtual void watchVolumes(QObject *receiver, std::function<void()> changed)
    {
        Q_UNUSED(receiver);
        Q_UNUSED(changed);
    }
    // What the mount table and the desktop's disk service say of the volume at root, to tell a card from other
    // mounts. Called off the window's thread (it may wait for the disk service), from any thread.
    virtual Vexolo::VolumeFacts describeVolume(const QString &root) const { return Vexolo::describeVolume(root); }
    // The printer chosen in the platform's print dialog, or nullptr when the user cancels.
    virtual std::unique_ptr<QPrinter> OpenPrinterDialog(QWidget *parent) = 0;
    // The same, for a document so named: printing to a file proposes that name in the user's documents.
    virtual std::unique_ptr<QPrinter> openPrinterDialogFor(QWidget *parent, const QString &documentName)
    {
        Q_UNUSED(documentName);
        return OpenPrinterDialog(parent);
    }

    bool ask(const QString &text) { return MsgBox(text, QuestionYesNo) == AnswerYes; }
    // "Save", "Discard" or "Cancel" for changes not saved yet; anything but Save or Discard is Cancel.
    Answer askSaveDiscardCancel(const QString &text)
    {
        const Answer answer = MsgBox(text, QuestionSaveDiscardCancel);
        return answer == AnswerSave || answer == AnswerDiscard ? answer : AnswerCancel;
    }
    void warn(const QString &text) { MsgBox(text, Caution); }
    void tell(const QString &text) { MsgBox(text, Plain); }
};
