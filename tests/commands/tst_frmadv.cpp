#include "app/frmmain.h"
#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "commands/frmadv.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using namespace Vexolo;

namespace {

QString &field(TrackSettings &form, int row, int column)
{
    return (row == 0 ? form.pauses : form.outputs[row - 1])[column];
}

// A form as "name|fade|volume|fields". Fade is "-" (no option), "N", "1" or "2", then "+" when play next is ticked.
// A field is "Ri=time": R is "P" (pauses), "1".."8" (an output) or "A" (all outputs), i the column 0..9.
QString describe(TrackSettings form)
{
    QStringList fields;
    for (int n = 0; n < 100; ++n) {
        if (const QString &time = field(form, n / 10, n % 10); !time.isEmpty())
            fields << QStringLiteral("P12345678A")[n / 10] + QString::number(n % 10) + u'=' + time;
    }
    const QString fade = QStringLiteral("-N12")[int(form.fade)] + QString(form.playNext ? "+" : "");
    return QStringList{form.trackName, fade, form.volume, fields.join(u' ')}.join(u'|');
}

// The string read into a form in use: "Old.mp3|2+|3|P4=9".
TrackSettings read(const QString &string)
{
    TrackSettings form{"Old.mp3", FadeOption::Fade2, true, "3", {"", "", "", "", "9"}, {}};
    readCommandString(form, string);
    return form;
}

} // namespace

// The advanced window, and the command strings it reads and writes.
class TestFrmAdv : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmMain> m_main;

private Q_SLOTS:
    void init()
    {
        m_platform = std::make_unique<ScriptedPlatform>();
        m_main = std::make_unique<frmMain>(*m_platform);
        m_main->show();
    }

    void cleanup()
    {
        m_main->close(); // takes the advanced window along, a hidden one too
        QVERIFY(!frmAdv::existing());
        m_main.reset();
    }

    void controls()
    {
        // Positions in the window's content area, through the group box a control sits in.
        const frmAdv *window = frmAdv::instance(*m_main);
        const QList<std::pair<const char *, QRect>> controls{
            {"txtVol", {728, 30, 46, 31}}, {"optFade2", {460, 151, 174, 16}}, {"txtOutput3(4)", {434, 317, 55, 26}},
            {"lblName", {20, 21, 515, 47}}, {"StaticText9", {68, 545, 75, 26}}, {"cmdClear", {586, 616, 130, 26}}};
        for (const auto &[name, geometry] : controls) {
            const QWidget *control = window->findChild<QWidget *>(name);
            QVERIFY2(control, name);
            QCOMPARE(QRect(control->mapTo(window, QPoint()), control->size()), geometry);
        }
    }

    void playlistSave()
    {
        m_main->lstList->addItems({"A.mp3", "Finale.mp3"});
        m_main->lstListAdv->addItems({"A.mp35V0 P3", "Finale.mp32V7"});
        m_main->lstList->setCurrentRow(0);
        m_main->cmdListAdvanced->click();
        QPointer<frmAdv> window = frmAdv::existing();
        const auto shown = [&window] { return encodeTrackSettings(window->settings()).text; }; // as saved
        QVERIFY(window && window->chkPlayNext->isChecked() && shown() == u"A.mp35V0 P3"_s);
        QTest::mouseClick(window->cmdMinus, Qt::LeftButton);
        QCOMPARE(window->txtVol->text(), u"9"_s);
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        QCOMPARE(window->txtVol->text(), u"0"_s);

        // Cancel hides the window; the next entry goes into it, and its string decides the play next tick.
        window->cmdCancel->click();
        QVERIFY(!window->isVisible());
        m_main->lstList->setCurrentRow(1);
        m_main->cmdListAdvanced->click();
        QVERIFY(frmAdv::existing() == window && window->isVisible() && window->workingIndex() == 1);
        QCOMPARE(shown(), u"Finale.mp32V7"_s);

        // 80 characters: refused with the string; the window keeps what was typed.
        for (int i = 0; i < 10; ++i)
            QTest::keyClicks(window->txtPause(i), i < 9 ? "1234" : "123");
        QTest::keyClicks(window->txtOutput(1, 0), "12345");
        window->cmdSave->click();
        const QString refused = "Finale.mp32V7 P123" + u" P1234"_s.repeated(9) + " 1+12345";
        QCOMPARE(m_platform->shown, QStringList{"Too many times!\n80 charachters out of 79!\n" + refused});
        QVERIFY(frmAdv::existing() == window && window->isVisible());
        QCOMPARE(shown(), refused);

        // Typed anew, the string holds what the fields show and nothing of the refused one; Save ends the window.
        window->cmdClear->click();
        window->chkPlayNext->click();
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        QTest::mouseClick(window->cmdPlus, Qt::LeftButton);
        QTest::keyClicks(window->txtPause(1), "15");
        QTest::keyClicks(window->txtOutput(2, 0), "15");
        QTest::keyClicks(window->txtOutputAll(0), "5");
        QTest::keyClicks(window->txtOutput(8, 1), "15");
        window->cmdSave->click();
        const QString finale = u"Finale.mp37V9 1A5 2+15 P15 8-15"_s;
        QCOMPARE(m_main->lstListAdv->item(1)->text(), finale);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window);

        // The main window stays usable: the row may be gone when Save is pressed.
        m_main->cmdListAdvanced->click();
        m_main->lstList->setCurrentRow(0);
        m_main->cmdRemove->click();
        QVERIFY(frmAdv::existing());
        frmAdv::existing()->cmdSave->click();
        QCOMPARE(m_platform->shown.mid(1), QStringList{"workingIndex < listcount"});
        QCOMPARE(m_main->lstListAdv->item(0)->text(), finale);
        frmAdv::instance(*m_main)->cmdCancel->click(); // hidden, for cleanup() to close
    }

    void cardSave_data()
    {
        // The card's one track is Café.mp3, with the command file given ("": none). After Save the command file
        // holds exactly the bytes given (UTF-8, no line end; "": as before); "../x.adv" and "a/b.adv", which a
        // careless write would hit, stay as they were.
        QTest::addColumn<QByteArray>("commandFile");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("messages");
        // clang-format off
        QTest::newRow("new file") << QByteArray() << "Caf\xc3\xa9.mp3 V7"_ba << "";
        QTest::newRow("longer file replaced") << "Café.mp32V5 P30\r\nline 2\r\n"_ba << "Café.mp32V5 P30"_ba << "";
        QTest::newRow("../x.mp3") << "../x.mp3 V7"_ba << QByteArray() << "Could not write to file: [../x.adv]";
        QTest::newRow("a/b.mp3") << "a/b.mp3 V7"_ba << QByteArray() << "Could not write to file: [a/b.adv]";
        QTest::newRow("empty") << "\r\n"_ba << QByteArray() << "Could not extract filename from string:\nCould not write to file: []";
        QTest::newRow("x.txt") << "x.txt V7"_ba << QByteArray() << "Could not write to file: []";
        // clang-format on
    }

    void cardSave()
    {
        QFETCH(QByteArray, commandFile);
        QFETCH(QByteArray, content);
        TestCard card;
        QVERIFY(card.write(u"Café.mp3"_s, {}) && card.write("../x.adv", "kept") && card.write("a/b.adv", "kept"));
        QVERIFY(commandFile.isEmpty() || card.write(u"Café.adv"_s, commandFile));
        m_main->drvCard->setEditText(card.root());
        m_main->lstCard->setCurrentRow(0);
        m_main->cmdCardAdvanced->click();
        QVERIFY(frmAdv::existing() && frmAdv::existing()->onCard());
        frmAdv::existing()->cmdSave->click();
        // Nothing else, neither on the card nor beside it.
        const QStringList entries{"card", "card/Café.adv", "card/Café.mp3", "card/a", "card/a/b.adv", "x.adv"};
        QCOMPARE(card.snapshot(), entries);
        QCOMPARE(card.read(u"Café.adv"_s), content.isEmpty() ? commandFile : content);
        QCOMPARE(card.read("../x.adv") + card.read("a/b.adv"), "keptkept"_ba);
        QTEST(m_platform->shown.join(u'\n'), "messages");
    }

    void strings_data()
    {
        // A string, the form it reads into (see describe) and what saving that form writes ("": the string).
        QTest::addColumn<QString>("string");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("saved");
        const auto row = [](const char *tag, const char *string, const char *form, const char *saved = "") {
            QTest::newRow(tag) << QString(string) << QString(form) << QString(saved);
        };
        // clang-format off
        row("intro", "Intro.mp3 V7", "Intro.mp3|N|7|");
        row("song", "Song.mp31V5 1+10 3+10 P30 1-40 1X60", "Song.mp3|1|5|P0=30 10=10 11=40 30=10 A1=60");
        row("finale", "Finale.mp37V9 1A5 2+15 P15 8-15", "Finale.mp3|2+|9|P0=15 20=15 81=15 A0=5", "Finale.mp37V9 1A5 P15 2+15 8-15");
        row("equal keys", "Song.mp3 V7 1+10 P10 2-10", "Song.mp3|N|7|P0=10 10=10 21=10", "Song.mp3 V7 P10 1+10 2-10");
        row("odd keys", "T.mp3 V7 P007 1+abc 2--5", "T.mp3|N|7|P0=007 10=abc 21=-5", "T.mp3 V7 2--5 1+abc P007");
        row("keys saturate", "T.mp3 V7 P2147483648 P-2147483648 1+2147483647 1--2147483649 2+5", "T.mp3|N|7|P0=2147483648 P1=-2147483648 10=2147483647 11=-2147483649 20=5", "T.mp3 V7 P-2147483648 1--2147483649 2+5 P2147483648 1+2147483647");
        row("fade and cue, play next", "T.mp35V7", "T.mp3|N+|7|");
        row("fade 1, play next", "T.mp36V7", "T.mp3|1+|7|");
        row("fade 2", "T.mp32V7", "T.mp3|2|7|");
        row("no mode: V taken for it", "Song.mp3V3", "Song.mp3|2+|7|", "Song.mp37V7");
        row("V10 sets 0", "S.mp3 V10", "S.mp3|N|0|", "S.mp3 V0");
        row("two blanks stop", "S.mp3 V7 P10  P20", "S.mp3|N|7|P0=10", "S.mp3 V7 P10");
        row("2-8: not + is Off", "S.mp3 V7 2X1 4A2 5?3 6-4 7+5", "S.mp3|N|7|21=1 41=2 51=3 61=4 70=5", "S.mp3 V7 2-1 4-2 5-3 6-4 7+5");
        row("0, 9, 1Q ignored", "S.mp3 V7 1Q10 9+10 0+10 Z5", "S.mp3|N|7|", "S.mp3 V7");
        row("sixth On dropped", "S.mp3 V7 3+1 3+2 3+3 3+4 3+5 3+6", "S.mp3|N|7|30=1 32=2 34=3 36=4 38=5", "S.mp3 V7 3+1 3+2 3+3 3+4 3+5");
        row("eleventh pause dropped", "S.mp3 V7 P1 P2 P3 P4 P5 P6 P7 P8 P9 P10 P11", "S.mp3|N|7|P0=1 P1=2 P2=3 P3=4 P4=5 P5=6 P6=7 P7=8 P8=9 P9=10", "S.mp3 V7 P1 P2 P3 P4 P5 P6 P7 P8 P9 P10");
        row("either case", "s.MP3 v5 p10 1a5 1x6", "s.MP3|N|5|P0=10 A0=5 A1=6", "s.MP3 V5 1A5 1X6 P10");
        row("no .mp3: three characters", "🎵🎵🎵🎵 1+5", "🎵🎵🎵|2+|7|10=5", "🎵🎵🎵7V7 1+5");
        row("blanks: no name", " \t ", "|2+|7|", "7V7");
        // clang-format on
    }

    void strings()
    {
        QFETCH(QString, string);
        QFETCH(QString, saved);
        QTEST(describe(read(string)), "form");
        QCOMPARE(encodeTrackSettings(read(string)).text, saved.isEmpty() ? string : saved);
    }

    void limit()
    {
        // 79 characters pass, 80 do not; a character outside the BMP counts as one.
        QVERIFY(!encodeTrackSettings(read(QStringLiteral("🎵").repeated(72) + ".mp3 V7")).tooLong());
        QVERIFY(encodeTrackSettings(read(QStringLiteral("🎵").repeated(73) + ".mp3 V7")).tooLong());
    }

    void roundTrip()
    {
        // Forms as the window makes them: an option, a one-digit volume, times without blanks, in any columns.
        // Reading packs the times to the left, so equal keys from different columns may change places once; the
        // commands stay the same, and after that the string too.
        const QStringList times{"5", "05", "-3", "abc", "2e3", "99999999999", "🎵", "+7", "1.5", "40"};
        const auto sorted = [](QStringList list) { list.sort(); return list; };
        QRandomGenerator random(20240611);
        for (int n = 0; n < 1000; ++n) {
            TrackSettings form{"T.mp3", FadeOption(1 + n % 3), n % 2 == 1, QString::number(n % 10), {}, {}};
            const int density = random.bounded(1, 9); // in eighths; 8: every field, 100 commands
            for (int f = 0; f < 100; ++f) // beyond the list, value() leaves the field empty
                field(form, f / 10, f % 10) = times.value(random.bounded(times.size() * 8 / density));
            const QString first = encodeTrackSettings(form).text;
            const QString second = encodeTrackSettings(read(first)).text;
            QCOMPARE(sorted(second.split(u' ')), sorted(first.split(u' ')));
            QCOMPARE(encodeTrackSettings(read(second)).text, second);
        }
    }
};

QTEST_MAIN(TestFrmAdv)
#include "tst_frmadv.moc"
