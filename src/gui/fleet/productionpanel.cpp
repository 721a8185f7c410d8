#include "fleet/productionpanel.h"

#include "platform/platformadapter.h"
#include "printing/printing.h"
#include "printing/printjob.h"
#include "storage/cardsession.h"
#include "words/findingwords.h"

#include <QCheckBox>
#include <QDate>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Vexolo::Ui {

namespace {

QString failure(const FleetResult &result)
{
    if (result.cancelled)
        return QObject::tr("cancelled; the card holds no half track");
    const Findings problems = result.refusal + result.problems;
    return problems.isEmpty() ? QString() : findingLine(problems.constFirst());
}

// Progress of work on a card's worker, shown in the status line on the window's thread while the label is there.
// The relay object outlives the window for as long as the work may still report.
Progress statusProgress(QLabel *status, const QString &text)
{
    const std::shared_ptr<QObject> relay(new QObject, [](QObject *object) { object->deleteLater(); });
    const auto shown = std::make_shared<std::atomic<int>>(-1);
    return [relay, shown, label = QPointer<QLabel>(status), text](qint64 done, qint64 total) {
        const int percent = total > 0 ? int(done * 100 / total) : 0;
        if (shown->exchange(percent) == percent)
            return; // one update a percent
        QMetaObject::invokeMethod(
            relay.get(),
            [label, text, percent] {
                if (label)
                    label->setText(QStringLiteral("%1 %2%").arg(text).arg(percent));
            },
            Qt::QueuedConnection);
    };
}

// What the line did with a card, and the players registered afterwards.
struct Produced
{
    Production::Outcome outcome;
    qsizetype players = -1;
};

QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *made = new QPushButton(caption, parent);
    made->setObjectName(name);
    return made;
}

// The report's file, written whole or not at all; why not, or nothing.
QString writeReport(const QString &path, const QByteArray &csv)
{
    if (QFileInfo(path).isSymLink())
        return QObject::tr("%1 is a link; choose a file of its own.").arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit())
        return QObject::tr("The report could not be saved as %1: %2").arg(path, file.errorString());
    return {};
}

} // namespace

ProductionPanel::ProductionPanel(PlatformAdapter &platform, std::function<QString()> reference, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_reference(std::move(reference))
{
    chkProduce = new QCheckBox(tr("&Apply to each card inserted"), this);
    chkProduce->setObjectName(QStringLiteral("chkProduce"));
    spnCount = new QSpinBox(this);
    spnCount->setObjectName(QStringLiteral("spnCount"));
    spnCount->setRange(0, 9999);
    spnCount->setSpecialValueText(tr("one for each player"));
    auto *countLabel = new QLabel(tr("Cards to &make:"), this);
    countLabel->setBuddy(spnCount);
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblStatus = new QLabel(tr("Choose the reference, then tick the box and insert the first card."), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    cmdCancel = button(tr("Cancel"), QStringLiteral("cmdCancel"), this);
    cmdCancel->setVisible(false);
    lstReport = new QTreeWidget(this);
    lstReport->setObjectName(QStringLiteral("lstReport"));
    lstReport->setRootIsDecorated(false);
    lstReport->setHeaderLabels({tr("Card"), tr("Player"), tr("Result"), tr("Time"), tr("Version")});
    cmdSaveReport = button(tr("&Save Report…"), QStringLiteral("cmdSaveReport"), this);
    cmdPrintReport = button(tr("&Print Report…"), QStringLiteral("cmdPrintReport"), this);

    placeControls(countLabel);

    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        if (m_keepGoing)
            *m_keepGoing = false;
    });
    connect(chkProduce, &QCheckBox::toggled, this, [this](bool on) {
        m_known = m_platform.volumes(); // only cards inserted from now on
        m_everyCard = false;
        if (on)
            lblStatus->setText(tr("Insert the next card."));
    });
    connect(spnCount, &QSpinBox::valueChanged, this, &ProductionPanel::showCount);
    connect(cmdSaveReport, &QPushButton::clicked, this, &ProductionPanel::saveReport);
    connect(cmdPrintReport, &QPushButton::clicked, this, &ProductionPanel::printReport);
    m_known = m_platform.volumes();
    m_platform.watchVolumes(this, [this] { volumesChanged(); });
    // Players registered, forgotten or synced elsewhere in the program change what "one for each player" counts.
    connect(&CardSession::instance(), &CardSession::cardChanged, this,
            [this](const CardIdentity &, const CardChange &change) {
                if (change.kind == CardChange::PlayersChanged)
                    countPlayers();
            });
    countPlayers();
}

void ProductionPanel::placeControls(QLabel *countLabel)
{
    auto *line = new QHBoxLayout;
    line->addWidget(chkProduce);
    line->addStretch(1);
    line->addWidget(countLabel);
    line->addWidget(spnCount);
    line->addWidget(lblCount);
    auto *status = new QHBoxLayout;
    status->addWidget(lblStatus, 1);
    status->addWidget(cmdCancel);
    auto *reportButtons = new QVBoxLayout;
    reportButtons->addWidget(cmdSaveReport);
    reportButtons->addWidget(cmdPrintReport);
    reportButtons->addStretch(1);
    auto *report = new QHBoxLayout;
    report->addWidget(lstReport, 1);
    report->addLayout(reportButtons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins({});
    layout->addLayout(line);
    layout->addLayout(status);
    layout->addWidget(new QLabel(tr("Cards of this session:"), this));
    layout->addLayout(report, 1);
}

void ProductionPanel::volumesChanged()
{
    const QStringList now = m_platform.volumes();
    const QStringList before = std::exchange(m_known, now);
    if (!chkProduce->isChecked())
        return;
    for (const QString &volume : now) {
        if (!before.contains(volume))
            receive(volume);
    }
}

void ProductionPanel::receive(const QString &root)
{
    PlatformAdapter *platform = &m_platform;
    const QString reference = m_reference();
    CardSession::instance().run<Production::Card>(
        root, this,
        [platform, root, reference] {
            return Production::receive(root, platform->describeVolume(root), reference, FleetRepository());
        },
        [this](Production::Card card) { received(card); });
}

void ProductionPanel::received(const Production::Card &card)
{
    switch (card.arrival) {
    case Production::Arrival::NotACard:
    case Production::Arrival::Reference:
        return; // no card, or the reference itself: never written
    case Production::Arrival::NoReference:
        lblStatus->setText(tr("%1 was inserted, but no reference is chosen: nothing was written.").arg(card.root));
        return;
    case Production::Arrival::Cloned:
        lblStatus->setText(tr("%1 has the same identity as the card at %2 (a copy of it): nothing was recorded or "
                              "written. Give it an identity of its own first (see the README).")
                               .arg(card.root, card.clones.join(QStringLiteral(", "))));
        return;
    case Production::Arrival::NeedsName:
    case Production::Arrival::Ready:
        m_unnamed.append(card);
        askNames();
        return;
    case Production::Arrival::FleetUnreadable:
        lblStatus->setText(tr("%1: nothing was written — %2").arg(card.root, card.fleetError));
        return;
    }
}

void ProductionPanel::askNames()
{
    if (std::exchange(m_asking, true))
        return; // the question open asks the others in turn
    while (!m_unnamed.isEmpty()) {
        const Production::Card card = m_unnamed.takeFirst();
        const std::optional<QString> name = nameOf(card);
        if (name && confirmed(card, *name))
            produce(card, *name);
    }
    m_asking = false;
}

std::optional<QString> ProductionPanel::nameOf(const Production::Card &card)
{
    if (card.player)
        return card.player->name;
    const std::optional<QString> name
        = m_platform.askText(tr("The card %1 belongs to no player yet. The name of its player:").arg(card.root));
    if (name && !name->trimmed().isEmpty())
        return name->trimmed();
    lblStatus->setText(tr("%1: no player named; the card was left as it is.").arg(card.root));
    return std::nullopt;
}

bool ProductionPanel::confirmed(const Production::Card &card, const QString &name)
{
    if (m_everyCard)
        return true;
    const QString size = Production::sizeText(card.bytes);
    const QString player = card.player ? name : tr("%1, a new player").arg(name);
    const QString question
        = tr("Write reference %1 onto %2 (%3)?\n\nIts tracks, programs and command files are made to match the "
             "reference and read back; the setup it holds now is kept in its history first.")
              .arg(Production::referenceName(card), Production::cardName(card),
                   size.isEmpty() ? player : size + QStringLiteral(", ") + player);
    const PlatformAdapter::Confirmation answer
        = m_platform.confirmWithOption(question, tr("&For every card from now on"));
    if (!answer.yes) {
        lblStatus->setText(tr("%1: not written; the card was left as it is.").arg(Production::cardName(card)));
        return false;
    }
    m_everyCard = answer.option;
    return true;
}

void ProductionPanel::produce(const Production::Card &card, const QString &name)
{
    if (m_working++ == 0)
        m_keepGoing = std::make_shared<std::atomic<bool>>(true);
    cmdCancel->setVisible(true);
    const QString text = tr("Making the card of %1 match the reference…").arg(name);
    lblStatus->setText(text);
    const Progress progress = statusProgress(lblStatus, text);
    CardSession::instance().run<Produced>(
        card.root, this,
        [card, name, progress, going = m_keepGoing] {
            FleetRepository fleet;
            const Production::Outcome outcome
                = Production::finish(fleet, card, name, progress, [going] { return going->load(); });
            const FleetRead<QList<Player>> players = fleet.players();
            return Produced {outcome, players.failed() ? -1 : players.value.size()};
        },
        [this, card, name](Produced done) {
            if (done.players >= 0)
                m_players = done.players;
            produced(card, name, done.outcome);
            Q_EMIT cardDone(card.root);
        },
        CardSession::Mode::Write);
}

void ProductionPanel::produced(const Production::Card &card, const QString &name, const Production::Outcome &outcome)
{
    if (--m_working == 0)
        cmdCancel->setVisible(false);
    const Production::ReportRow row = Production::reportRow(card, name, outcome, QDateTime::currentDateTime());
    m_report.append(row);
    new QTreeWidgetItem(lstReport, {row.card, row.player, row.result, Production::reportTime(row.time), row.version});
    lstReport->header()->resizeSections(QHeaderView::ResizeToContents);
    if (row.verified)
        m_done.insert(card.label.key);
    showCount();
    QString text;
    if (!outcome.applied())
        text = tr("%1: failed — %2").arg(name, fleetChangeText(*outcome.registered));
    else if (outcome.result.verified()) {
        const QString out = outcome.ejected.done ? tr("take the card out") : tr("unmount the card and take it out");
        text = tr("%1: verified — %2 and insert the next").arg(name, out);
    } else {
        text = tr("%1: failed — %2").arg(name, failure(outcome.result));
    }
    if (outcome.result.logged.failed())
        text += u'\n' + fleetChangeText(outcome.result.logged);
    lblStatus->setText(text);
}

void ProductionPanel::countPlayers()
{
    CardSession::instance().run<qsizetype>(
        FleetRepository::defaultPath(), this,
        [] {
            const FleetRead<QList<Player>> players = FleetRepository().players();
            return players.failed() ? qsizetype(-1) : players.value.size();
        },
        [this](qsizetype players) {
            if (players >= 0)
                m_players = players;
            showCount();
        });
}

void ProductionPanel::showCount()
{
    const qsizetype target = spnCount->value() > 0 ? spnCount->value() : m_players;
    lblCount->setText(tr("%1 of %2 done").arg(m_done.size()).arg(target));
}

void ProductionPanel::saveReport()
{
    const QString name = tr("Production report %1.csv").arg(QDate::currentDate().toString(Qt::ISODate));
    const std::optional<QString> path = m_platform.askSaveFileName(window(), name, tr("CSV files (*.csv)"));
    if (!path)
        return;
    const QByteArray csv = Production::reportCsv(m_report);
    CardSession::instance().run<QString>(
        *path, this, [path = *path, csv] { return writeReport(path, csv); },
        [this, path = *path](const QString &error) {
            if (error.isEmpty())
                lblStatus->setText(tr("The report was saved as %1.").arg(path));
            else
                m_platform.warn(error);
        },
        CardSession::Mode::Write);
}

void ProductionPanel::printReport()
{
    std::unique_ptr<QPrinter> printer = m_platform.openPrinterDialogFor(window(), tr("Production report"));
    if (!printer || printer->copyCount() < 1)
        return;
    QStringList entries;
    for (const Production::ReportRow &row : std::as_const(m_report)) {
        QStringList fields {row.card, row.player, row.result, Production::reportTime(row.time)};
        if (!row.version.isEmpty())
            fields.append(tr("version %1").arg(row.version));
        entries.append(fields.join(QStringLiteral(" · ")));
    }
    const QString heading = tr("Production report: %1").arg(lblCount->text());
    // Drawn on the printer's worker, as every print job: the window never waits on a PDF file or a printer's queue.
    printAway(
        this, std::move(printer), tr("Printing\u2026"),
        [heading, entries](QPrinter &on, const PageProgress &) { return printList(on, heading, entries); },
        [platform = &m_platform](bool printed, bool) {
            if (!printed)
                platform->warn(NotPrintedMessage);
        });
}

} // namespace Vexolo::Ui
