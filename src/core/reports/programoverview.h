#pragma once

#include "storage/cardstore.h"

#include <QAbstractListModel>

#include <array>

namespace Vexolo {

// The ten programs of the chosen card at a glance: number, name and entry count. Read once per
// card; this program's own saves and deletes keep it up to date without reading again.
class ProgramOverview final : public QAbstractListModel
{
    Q_OBJECT

public:
    struct Program
    {
        bool exists = false;
        bool readable = true;
        QString name;
        qsizetype entries = 0;
        bool operator==(const Program &) const = default;
    };
    // The program's number, "0" to "9", under this role of each row.
    static constexpr int NumberRole = Qt::UserRole;

    explicit ProgramOverview(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ProgramOverview)

    // Reads the programs unless they were read for this very card already.
    void showCard(const CardStore &store);
    // Reads them again, whatever was read before.
    void reload(const CardStore &store);
    // This program's own changes on card; they count only for the card the overview was read for.
    void programSaved(const CardIdentity &card, ProgramNumber number, qsizetype entries, const QString &name);
    void programDeleted(const CardIdentity &card, ProgramNumber number);
    const Program &program(int number) const { return m_programs.at(number); }
    // "3  Name (12 entries)", the text of a row.
    static QString rowText(int number, const Program &program);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    void set(int number, const Program &program);

    std::array<Program, CardStore::ProgramCount> m_programs;
    CardIdentity m_card;
};

} // namespace Vexolo
