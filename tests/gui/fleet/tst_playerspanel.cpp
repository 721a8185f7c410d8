#include "fleet/playerspanel.h"
#include "storage/cardsession.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"
#include "support/windows.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo;
using namespace Vexolo::Ui;

// The Fleet window's players on a real fleet repository and a real card folder, the user scripted.
class TestPlayersPanel : public QObject
{
    Q_OBJECT

    // "name|card|location" of every row.
    static QStringList rows(const PlayersPanel &panel)
    {
        QStringList texts;
        for (int row = 0; row < panel.lstPlayers->topLevelItemCount(); ++row) {
            const QTreeWidgetItem *item = panel.lstPlayers->topLevelItem(row);
            texts << QStringList {item->text(0), item->text(1), item->text(2)}.join('|');
        }
        return texts;
    }

private Q_SLOTS:
    // The list follows its own changes, refusals said, and another program's change of the register at once.
    void followsEveryChange()
    {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        TestCard card;
        ScriptedPlatform platform;
        QVERIFY(!FleetRepository().registerPlayer({"uuid:A", "Player 1", "Foyer", {}, "PLAYER01", 64000000}).failed());
        PlayersPanel panel(
            platform, [&card] { return card.root(); }, [] { return QString(); }, nullptr);
        QVERIFY(settled());
        QCOMPARE(rows(panel), QStringList {"Player 1|PLAYER01 (64 MB)|Foyer"});
        platform.texts << " player 1"
                       << "Player 2";
        panel.cmdRegister->click();
        QVERIFY(settled());
        QCOMPARE(platform.shown.last(), "\"Player 1\" is already the name of the player of the card PLAYER01 (64 MB)");
        panel.cmdRegister->click();
        QVERIFY(settled());
        const QString key = "path:" + card.root();
        QCOMPARE(rows(panel), QStringList({"Player 1|PLAYER01 (64 MB)|Foyer", "Player 2|" + key + '|'}));
        panel.lstPlayers->topLevelItem(1)->setSelected(true);
        platform.texts << "Hall";
        panel.cmdLocation->click();
        QVERIFY(settled());
        QCOMPARE(rows(panel).last(), "Player 2|" + key + "|Hall");
        platform.answers << PlatformAdapter::AnswerYes;
        panel.cmdForget->click();
        QVERIFY(settled());
        QCOMPARE(rows(panel), QStringList {"Player 1|PLAYER01 (64 MB)|Foyer"});
        QVERIFY(!FleetRepository().renamePlayer("uuid:A", "Player 7").failed()); // as another program would
        QTRY_COMPARE(rows(panel), QStringList {"Player 7|PLAYER01 (64 MB)|Foyer"});
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_MAIN(TestPlayersPanel)
#include "tst_playerspanel.moc"
