#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace Vexolo {

// Why card work failed, as a value: the system's error number sorted into the causes a user can act on.
struct CardError
{
    enum Cause {
        None,
        Gone, // the card chosen is no longer there, or was pulled while written
        Changed, // another card is in its place
        ReadOnly, // write-protected, or mounted read-only
        Full,
        NotAFile, // a link, a folder, a FIFO, a device or another mount's file where a file was to be
        TooLarge, // larger than the program reads
        NoFolder, // where a folder of the card was to be, something else is (a file, a link)
        Refused, // not a file the program may change there (no setup file of the card's own, or its track came back)
        Busy, // another program is writing to the card
        Io, // any other failure; number says which
    };
    Cause cause = None;
    int number = 0; // the system's error number (errno), where one was given
    QString path; // what it concerns, from the card's root, where known

    static CardError fromErrno(int number, const QString &path = {});
    // A cause the program itself found, with no error number.
    static CardError of(Cause cause, const QString &path = {}) { return {cause, 0, path}; }
    bool failed() const { return cause != None; }
    bool operator==(const CardError &) const = default;
};
using CardErrors = QList<CardError>;

// What the window must tell, and how: what happened and the names and number it concerns, as values. The
// window words it (widgets/noticetext), in the texts users have always read.
struct Notice
{
    enum Kind { Plain, Caution };
    enum class Message {
        NoCard, // no card chosen, or the chosen one gone
        CardChanged, // another card in the chosen one's place
        CouldNotRead, // names: the files that could not be read (the first few); count: all of them
        Omitted, // names: the tracks Load left out, not on the card (the first few); count: all of them
        StringTooLong, // count: the length of the first string too long; names: its entry's number, its track
        ProgramTooLong, // count: the bytes the program file would take
        NameTooLong, // count: the bytes of the name
        NotCreated, // the program file could not be written
        NoListing, // the listing could not be written
        DeleteFailed, // count: the program's number
        WriteFailed, // names: the command file
        RepairFailed, // names: the place of the finding
        EntryGone, // the playlist entry the advanced window edits is no longer there
        NoMp3, // names: the dropped files that are no MP3 tracks (the first few); count: all of them
        // names: dropped files refused for error's cause (a link, no regular file, too large; Refused: a name holding a
        // control character; another: unreadable), the first few; count: all of them
        NotCopied,
        NoRoom, // count: the bytes the tracks need beyond the card's free space
        CopyFailed, // names: the track that could not be copied onto the card
    };
    Kind kind = Plain;
    Message message = Message::NoCard;
    QStringList names;
    qint64 count = 0;
    CardError error; // why, where the card or the system told
    bool operator==(const Notice &) const = default;
};
using Notices = QList<Notice>;

} // namespace Vexolo
