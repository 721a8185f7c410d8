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
    void showCard(const CardStore &store)
    {
        if (needsReading(store.identity()))
            reload(store);
    }
    // Reads them again, whatever was read before.
    void reload(const CardStore &store) { show(store.identity(), store.readProgramFiles()); }
    // Whether the programs of card are still to be read (another card, or card changed since).
    bool needsReading(const CardIdentity &card) const { return !card.isValid() || card != m_card; }
    // The programs as read from card.
    void show(const CardIdentity &card, const CardStore::ProgramFiles &files);
    // The card was written by other means than this program's Save and Delete: read it again next time.
    void forget() { m_card = {}; }
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
