#include "noticetext.h"

#include "card/tracknames.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"

#include <QLocale>

#include <cerrno>

namespace Vexolo::Ui {

namespace {

// Longer names are shown shortened in the middle.
constexpr qsizetype NameShown = 100;

// A name as a message shows it: bytes that are no text as U+FFFD, control characters as their pictures, a long one
// cut in the middle.
QString shown(const QString &name)
{
    const QString text = controlsShown(shownName(name));
    if (characterCount(text) <= NameShown)
        return text;
    const QString head = leftCharacters(text, NameShown / 2);
    QString tail = text.right(NameShown / 2 - 1);
    if (tail.front().isLowSurrogate())
        tail.remove(0, 1);
    return head + u'…' + tail;
}

// The text with the notice's names after it, one a line (the first on the text's own line when asked),
// and how many more there were past a screenful.
QString withNames(QString text, const Notice &notice, bool firstOnSameLine)
{
    for (qsizetype i = 0; i < notice.names.size(); ++i)
        text += (i == 0 && firstOnSameLine ? QString() : QStringLiteral("\n")) + shown(notice.names[i]);
    if (notice.count > notice.names.size())
        text += QStringLiteral("\nand %1 more").arg(notice.count - notice.names.size());
    return text;
}

// Why dropped files were not copied: the cause is the message, as the names share it.
QString notCopiedText(const CardError &why)
{
    switch (why.cause) {
    case CardError::NotAFile:
        return why.number == ELOOP
            ? QStringLiteral("These are links, and a link is not followed; they were not copied onto the card:")
            : QStringLiteral("These are no regular files; they were not copied onto the card:");
    case CardError::TooLarge:
        return QStringLiteral("These are larger than a card holds; they were not copied onto the card:");
    case CardError::Refused:
        return QStringLiteral("These names hold a line break, a tab or another control character; they were not "
                              "copied onto the card:");
    default:
        return QStringLiteral("These files could not be read; they were not copied onto the card:");
    }
}

} // namespace

QString noticeMessage(const Notice &notice)
{
    using Message = Notice::Message;
    switch (notice.message) {
    case Message::NoCard:
        return NoCardMessage;
    case Message::CardChanged:
        return CardChangedMessage;
    case Message::CouldNotRead:
        return withNames(QStringLiteral("Could not read from file: "), notice, true);
    case Message::Omitted:
        return withNames(QStringLiteral("The following files were ommited since they were not found on your card!"),
                         notice, false);
    case Message::StringTooLong:
        return QStringLiteral("Advanced Text length too long: ") + QString::number(notice.count)
            + (notice.names.size() == 2
                   ? QStringLiteral("\nEntry %1, %2: a shorter track name or fewer times make it fit.")
                         .arg(notice.names[0], notice.names[1])
                   : QString());
    case Message::ProgramTooLong:
        return QStringLiteral("This playlist is too long to save: its program file would take %1 bytes, more than "
                              "the %2 that can be loaded again.")
            .arg(notice.count)
            .arg(ProgramFileLimit);
    case Message::NameTooLong:
        return QStringLiteral("This playlist name is too long to save: %1 bytes, more than the %2 that can be loaded "
                              "again.")
            .arg(notice.count)
            .arg(LineLimit);
    case Message::NotCreated:
        return QStringLiteral("Could not create file! Destination may be write protected!");
    case Message::NoListing:
        return QStringLiteral("Could not create root directory listing! Your card may be write portected!");
    case Message::DeleteFailed:
        return QStringLiteral("Could not delete Playlist Number %1! Your card may be write protected!")
            .arg(notice.count);
    case Message::WriteFailed:
        return QStringLiteral("Could not write to file: [") + shown(notice.names.value(0)) + u']';
    case Message::RepairFailed:
        // Where the file itself is the cause, the card's write protection is not.
        switch (notice.error.cause) {
        case CardError::NotAFile:
        case CardError::TooLarge:
        case CardError::NoFolder:
        case CardError::Refused:
            return QStringLiteral("Could not repair %1!").arg(notice.names.value(0));
        default:
            return QStringLiteral("Could not repair %1! Your card may be write protected!").arg(notice.names.value(0));
        }
    case Message::EntryGone:
        return QStringLiteral("workingIndex < listcount");
    case Message::NoMp3:
        return withNames(QStringLiteral("Only MP3 tracks go onto the card; these were not copied:"), notice, false);
    case Message::NotCopied:
        return withNames(notCopiedText(notice.error), notice, false);
    case Message::NoRoom:
        return QStringLiteral("The card has no room for these tracks: %1 more would be needed. Nothing was copied.")
            .arg(QLocale::system().formattedDataSize(notice.count));
    case Message::CopyFailed:
        // Tracks made durable together fail together.
        if (notice.names.size() > 1)
            return withNames(QStringLiteral("Could not copy these tracks onto the card:"), notice, false);
        return QStringLiteral("Could not copy the track onto the card: ") + shown(notice.names.value(0));
    }
    return {};
}

QString noticeText(const Notice &notice)
{
    const QString text = noticeMessage(notice);
    if (notice.message == Notice::Message::NotCopied)
        return text; // its cause is its message
    switch (notice.error.cause) {
    case CardError::Full:
        return text + QStringLiteral("\nThe card is full.");
    case CardError::ReadOnly:
        return text + QStringLiteral("\nThe card is write-protected.");
    case CardError::Gone:
        return text + QStringLiteral("\nThe card was removed.");
    case CardError::NotAFile:
        return text + u'\n' + shown(notice.error.path)
            + (notice.error.number == ELOOP ? QStringLiteral(" is a link, which is not followed.")
                                            : QStringLiteral(" is no regular file."));
    case CardError::TooLarge:
        return text + u'\n' + shown(notice.error.path) + QStringLiteral(" is larger than the program reads.");
    case CardError::NoFolder:
        return text + QStringLiteral("\nPrograms is no folder of the card.");
    case CardError::Busy:
        return text + QStringLiteral("\nAnother program is writing to this card.");
    default:
        return text; // another card in its place says so itself; other errors name no cause to act on
    }
}

QString overwriteQuestion()
{
    return QStringLiteral("This Playlist already exists! Overwrite?");
}

QString deleteQuestion(ProgramNumber number)
{
    return QStringLiteral("Are you sure you want to delete Playlist Number ") + number.text() + u'?';
}

} // namespace Vexolo::Ui
