#include "frmmain.h"

#include "card/tracknames.h"
#include "platform/platformadapter.h"
#include "storage/cardfiles.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"
#include "storage/trackcommandlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>

// Save, Load and Delete of programs, and the track command lookup. Every file is replaced
// safely: the old program stays on the card until the new one is completely written.

namespace {

const QString NoCardMessage = QStringLiteral("No card is chosen! Choose the volume of your card first.");

} // namespace

QString frmMain::ProgramsFolder(const QString &cardRoot, bool create)
{
    const QString folder = cardRoot + QLatin1Char('/') + Vexolo::ProgramsFolderName;
    // A failure to create it shows up when the files inside cannot be written.
    if (create && !QFileInfo(folder).isDir())
        QDir(cardRoot).mkdir(Vexolo::ProgramsFolderName);
    return folder;
}

QString frmMain::commandStringOf(const Vexolo::TrackCommandLookup &found)
{
    if (found.readFailed)
        m_platform.tell(QStringLiteral("Could not read from file: ") + found.fileName);
    return found.commandString;
}

QString frmMain::AdvStringCard(const QString &trackName)
{
    return commandStringOf(Vexolo::lookupTrackCommand(cardRoot(), trackName));
}

QStringList frmMain::AdvStringsCard(const QStringList &trackNames)
{
    QStringList commandStrings;
    commandStrings.reserve(trackNames.size());
    for (const Vexolo::TrackCommandLookup &found : Vexolo::lookupTrackCommands(cardRoot(), trackNames))
        commandStrings.append(commandStringOf(found));
    return commandStrings;
}

void frmMain::cmdSave_Action()
{
    Vexolo::Ui::BusyFeedback busy(this);
    const QString root = cardRoot();
    if (root.isEmpty()) {
        m_platform.warn(NoCardMessage);
        return;
    }
    // The lengths are checked before the card is touched, so a refused save changes nothing.
    const Vexolo::ProgramFormat program = Vexolo::formatProgramFile(rowTexts(lstListAdv));
    if (!program.ok()) {
        m_platform.tell(QStringLiteral("Advanced Text length too long: ") + QString::number(program.tooLongLength));
        return;
    }

    const QString number = txtList->text();
    const QString folder = ProgramsFolder(root, true);
    const QString programPath = folder + QLatin1Char('/') + Vexolo::programFileName(number);
    if (QFileInfo::exists(programPath) && !m_platform.ask(QStringLiteral("This Playlist already exists! Overwrite?")))
        return;
    if (!Vexolo::writeFileSafely(programPath, program.content))
        m_platform.warn(QStringLiteral("Could not create file! Destination may be write protected!"));

    // A failure to write the name file is not reported; the listing's message follows anyway.
    Vexolo::writeFileSafely(folder + QLatin1Char('/') + Vexolo::programNameFileName(number),
                            Vexolo::encodeCardText(txtName->text()));
    SaveRootDir();
}

void frmMain::cmdLoad_Action()
{
    Vexolo::Ui::BusyFeedback busy(this);
    lstList->clear();
    lstListAdv->clear();

    const QString root = cardRoot();
    const QString number = txtList->text();
    const QString folder = ProgramsFolder(root, false);
    const QString programName = Vexolo::programFileName(number);
    if (root.isEmpty() || !QFileInfo::exists(folder + QLatin1Char('/') + programName)) {
        txtName->clear();
        return;
    }

    QFile programFile(folder + QLatin1Char('/') + programName);
    if (!programFile.open(QIODevice::ReadOnly)) {
        m_platform.tell(QStringLiteral("Could not read from file: ") + programName);
        txtName->clear();
        return;
    }
    const QList<Vexolo::ProgramEntry> entries = Vexolo::parseProgramFile(programFile.readAll());
    programFile.close();

    QStringList names;
    QStringList commandStrings;
    QString omitted;
    const QDir card(root);
    for (const Vexolo::ProgramEntry &entry : entries) {
        // A name that is not a plain file name is never looked for outside the card root.
        if (Vexolo::isPlainFileName(entry.trackName) && QFileInfo::exists(card.filePath(entry.trackName))) {
            names.append(entry.displayName);
            commandStrings.append(entry.commandString);
        } else {
            omitted += QLatin1Char('\n') + entry.trackName;
        }
    }
    lstList->addItems(names);
    lstListAdv->addItems(commandStrings);
    if (!omitted.isEmpty())
        m_platform.tell(QStringLiteral("The following files were ommited since they were not found on your card!")
                        + omitted);

    const QString nameFileName = Vexolo::programNameFileName(number);
    QFile nameFile(folder + QLatin1Char('/') + nameFileName);
    QString name;
    if (nameFile.exists()) {
        if (nameFile.open(QIODevice::ReadOnly))
            name = Vexolo::readSingleValue(nameFile.readAll());
        else
            m_platform.tell(QStringLiteral("Could not read from file: ") + nameFileName);
    }
    txtName->setText(name);
}

void frmMain::cmdDelete_Action()
{
    const QString root = cardRoot();
    if (root.isEmpty()) {
        m_platform.warn(NoCardMessage);
        return;
    }
    const QString number = txtList->text();
    const QString programPath = ProgramsFolder(root, false) + QLatin1Char('/') + Vexolo::programFileName(number);
    if (!QFileInfo::exists(programPath))
        return;
    if (!m_platform.ask(QStringLiteral("Are you sure you want to delete Playlist Number ") + number + QLatin1Char('?')))
        return;
    // A failed delete must not look like a successful one: the playlist stays as it is.
    if (!QFile::remove(programPath)) {
        m_platform.warn(QStringLiteral("Could not delete Playlist Number ") + number
                        + QStringLiteral("! Your card may be write protected!"));
        return;
    }
    lstList->clear();
    lstListAdv->clear();
}
