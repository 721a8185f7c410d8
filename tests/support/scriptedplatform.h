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
    Confirmation confirmWithOption(const QString &text, const QString &option) override
    {
        const bool yes = MsgBox(text, QuestionYesNo) == AnswerYes;
        return {yes, yes && !ticks.isEmpty() && ticks.dequeue() && !option.isEmpty()};
    }
    std::optional<QString> askSaveFileName(QWidget *, const QString &, const QString &) override
    {
        return savePaths.isEmpty() ? std::nullopt : std::optional<QString>(savePaths.dequeue()); // none left: Cancel
    }
    QStringList volumes() override { return volumeList; }
    void watchVolumes(QObject *receiver, std::function<void()> changed) override
    {
        watchers.append({receiver, std::move(changed)});
    }
    // Tells every watcher still there that the volumes changed, in the order they began to watch.
    void volumesChanged()
    {
        watchers.removeIf([](const auto &watcher) { return !watcher.first; });
        for (const auto &[receiver, changed] : QList(watchers))
            if (receiver)
                changed();
    }
    Vexolo::VolumeFacts describeVolume(const QString &root) const override
    {
        const QMutexLocker locked(factsGuard.get());
        return volumeFacts.value(root);
    }
    // Makes the volume at root a card inserted into a reader of the desktop (asked from the card's worker).
    void insertCard(const QString &root)
    {
        const QMutexLocker locked(factsGuard.get());
        volumeFacts.insert(root,
                           {Vexolo::MountEntry {0, root, "vfat", "/dev/mmcblk0p1", "/"}, false,
                            Vexolo::DiskAnswer {true, "flash_sd", "sdio"}});
    }
    std::unique_ptr<QPrinter> OpenPrinterDialog(QWidget *) override { return printer ? printer() : nullptr; }
    std::unique_ptr<QPrinter> openPrinterDialogFor(QWidget *parent, const QString &name) override
    {
        printed = name;
        return OpenPrinterDialog(parent);
    }

    QQueue<int> answers; // the answer to each question, in order
    QQueue<QString> texts; // the text typed for each question asking for one
    QQueue<bool> ticks; // whether the box of each question with one is ticked when Yes is answered; none left: not
    QQueue<QString> savePaths; // the file chosen in each save dialog
    QStringList shown; // the text of every box, in order
    QList<int> codes; // and its buttons and icon
    std::function<void()> whileShown; // what the user does while the next box is open
    QStringList volumeList;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> watchers;
    QHash<QString, Vexolo::VolumeFacts> volumeFacts; // by root; a volume not named here is no card
    std::shared_ptr<QMutex> factsGuard = std::make_shared<QMutex>(); // the facts are asked from a worker
    std::function<std::unique_ptr<QPrinter>()> printer;
    QString printed; // the document the print dialog was last opened for
};
