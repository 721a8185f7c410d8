#include "reports/programoverview.h"

#include "storage/cardfiles.h"

namespace Vexolo {

ProgramOverview::ProgramOverview(QObject *parent)
    : QAbstractListModel(parent)
{
}

void ProgramOverview::show(const CardIdentity &card, const CardStore::ProgramFiles &files)
{
    m_card = files.readable ? card : CardIdentity();
    for (int n = 0; n < CardStore::ProgramCount; ++n) {
        const CardStore::CardFile &file = files.programs[n];
        Program program;
        program.exists = file.status != ReadStatus::Missing;
        program.entries = countProgramEntries(file.bytes);
        // More entries than Load reads: Load refuses the file, so does the overview.
        program.readable = file.status != ReadStatus::Unreadable && program.entries <= ProgramRecordLimit;
        if (program.exists && files.names[n].status == ReadStatus::Read)
            program.name = CardStore::firstLine(files.names[n].bytes);
        set(n, program);
    }
}

void ProgramOverview::programSaved(const CardIdentity &card, ProgramNumber number, qsizetype entries,
                                   const QString &name)
{
    if (card == m_card)
        set(number.value(), {true, true, name, entries});
}

void ProgramOverview::programDeleted(const CardIdentity &card, ProgramNumber number)
{
    if (card == m_card)
        set(number.value(), {});
}

QString ProgramOverview::rowText(int number, const Program &program)
{
    const QString head = QString::number(number) + QStringLiteral("  ");
    if (!program.exists)
        return head + QStringLiteral("(no program)");
    if (!program.readable)
        return head + QStringLiteral("(cannot be read)");
    const QString count
        = program.entries == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(program.entries);
    return head + (program.name.isEmpty() ? QStringLiteral("(no name)") : program.name) + QStringLiteral(", ") + count;
}

int ProgramOverview::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : CardStore::ProgramCount;
}

QVariant ProgramOverview::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= CardStore::ProgramCount)
        return {};
    if (role == Qt::DisplayRole)
        return rowText(index.row(), m_programs.at(index.row()));
    if (role == NumberRole)
        return QString::number(index.row());
    return {};
}

void ProgramOverview::set(int number, const Program &program)
{
    if (m_programs.at(number) == program)
        return;
    m_programs.at(number) = program;
    Q_EMIT dataChanged(index(number), index(number));
}

} // namespace Vexolo
