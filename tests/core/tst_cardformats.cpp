#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardstore.h"
#include "storage/cardtext.h"
#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace Vexolo;

// The card file formats byte for byte, reading files of any origin, and the track command lookup.
class TestCardFormats : public QObject
{
    Q_OBJECT

    // Note: one character outside the BMP.
    static inline const QByteArray A = record("A.mp3 V7"), B = record("B.mp31V5 P30"), Note = "\xF0\x9F\x8E\xB5"_ba;

private Q_SLOTS:
    void write_data()
    {
        QTest::addColumn<QStringList>("strings");
        QTest::addColumn<QByteArray>("bytes"); // the listing; the program file too unless refused
        QTest::addColumn<int>("tooLong"); // the refused length, -1 when the program file is written
        const QString notes = QString("🎵").repeated(79);
        // clang-format off
        QTest::newRow("empty playlist") << QStringList() << "end"_ba << -1;
        QTest::newRow("A.mp3 V7: 84 bytes") << QStringList { "A.mp3 V7" } << A + "end" << -1;
        QTest::newRow("two tracks: 165 bytes") << QStringList { "A.mp3 V7", "B.mp31V5 P30" } << A + B + "end" << -1;
        QTest::newRow("78 characters, a space") << QStringList { QString(78, u'x') }
                                                << QByteArray(78, 'x') + " \r\nend" << -1;
        QTest::newRow("79 characters, no padding") << QStringList { notes } << Note.repeated(79) + "\r\nend" << -1;
        QTest::newRow("80 refused but listed") << QStringList { notes + u'x' } << Note.repeated(79) + "x\r\nend" << 80;
        // clang-format on
    }

    void write()
    {
        QFETCH(QStringList, strings);
        QFETCH(QByteArray, bytes);
        QFETCH(int, tooLong);
        QCOMPARE(formatProgramFile(strings).tooLongLength, qsizetype(tooLong));
        QCOMPARE(formatProgramFile(strings).content, tooLong < 0 ? bytes : QByteArray());
        QCOMPARE(formatListing(strings), bytes);
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("entries"); // a line per entry: track name|display name|command string
        const QString ab = "A.mp3|A.mp3|A.mp3 V7\nB.mp3|B.mp3|B.mp31V5 P30";
        // clang-format off
        QTest::newRow("lines after END still read") << A + "END\r\n" + B << ab;
        QTest::newRow("lone CR, LF; empty lines") << "\nA.mp3 V7\r\rB.mp31V5 P30\nend\n"_ba << ab;
        QTest::newRow("BOM, then UTF-8") << "\xEF\xBB\xBF\xC3\xA9.mp3"_ba << "é.mp3|é.mp3|é.mp3";
        QTest::newRow("not UTF-8: name bytes kept") << "\xE9.mp3 F\xEAte"_ba
                                                    << u"\xDCE9.mp3|\xDCE9.mp3|\xDCE9.mp3 Fête"_s;
        QTest::newRow("U+FFFD, then UTF-8") << "\xEF\xBF\xBD.mp3 F\xC3\xAAte"_ba
                                            << u"\xFFFD.mp3|\xFFFD.mp3|\xFFFD.mp3 Fête"_s;
        QTest::newRow(".mp3 alone") << ".mp3 V7"_ba << ".mp3|.mp3|.mp3 V7";
        QTest::newRow("spaces in names") << " A b.mp3 V7 \r\nend"_ba << " A b.mp3|A b.mp3|A b.mp3 V7";
        QTest::newRow(".MP3, .mp3 twice") << "a.MP3.mp3 V7"_ba << "a.MP3|a.MP3|a.MP3.mp3 V7";
        QTest::newRow("no .mp3: 3 characters") << "Hello\r\n"_ba + Note.repeated(4)
                                               << "Hel|Hel|Hello\n🎵🎵🎵|🎵🎵🎵|🎵🎵🎵🎵";
        // clang-format on
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QStringList lines;
        for (const ProgramEntry &entry : parseProgramFile(content))
            lines.append(entry.trackName + u'|' + entry.displayName + u'|' + entry.commandString);
        QTEST(lines.join(u'\n'), "entries");
    }

    void names_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // a name on the card
        QTest::addColumn<QString>("name"); // a byte that is no text as U+DC00 + byte
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("a lone continuation byte") << "a\x80"_ba << u"a\xDC80"_s << u"a\xFFFD"_s;
        QTest::newRow("bytes around a letter") << "\xFF\xC3\xA9\x80"_ba << u"\xDCFF\xE9\xDC80"_s
                                               << u"\xFFFD\xE9\xFFFD"_s;
        // The first and last of each length, the last before the surrogates and the first after them.
        QTest::newRow("UTF-8 bounds") << "\xFF\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80"
                                         "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"_ba
                                      << u"\xDCFF\x80\x7FF\x800\xD7FF\xE000\U00010000\U0010FFFF"_s
                                      << u"\xFFFD\x80\x7FF\x800\xD7FF\xE000\U00010000\U0010FFFF"_s;
        // Overlong, surrogates, past U+10FFFF, no such lead, a wrong and a missing continuation.
        QTest::newRow("no UTF-8") << "\xC0\xAF\xE0\x9F\xBF\xED\xA0\x80\xED\xBF\xBF\xF4\x90\x80\x80\xF5(\xE2(("_ba
                                  << u"\xDCC0\xDCAF\xDCE0\xDC9F\xDCBF\xDCED\xDCA0\xDC80\xDCED\xDCBF\xDCBF"
                                     u"\xDCF4\xDC90\xDC80\xDC80\xDCF5(\xDCE2(("_s
                                  << QString(16, u'\xFFFD') + u"(\xFFFD(("_s;
        QTest::newRow("a pair ending like a byte") << "\xF0\x9F\x82\xA1\xFF\xE2\x82"_ba
                                                   << u"\U0001F0A1\xDCFF\xDCE2\xDC82"_s
                                                   << u"\U0001F0A1\xFFFD\xFFFD\xFFFD"_s;
        // clang-format on
    }

    void names()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QCOMPARE(decodeFileName(bytes), name);
        QCOMPARE(encodeFileName(name), bytes);
        QTEST(shownName(name), "shown");
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("track");
        // Made in the card root: a FIFO for "fifo", a link for "->target", a hard link for "=>target", a file with
        // "../out.txt" bound over it for "bound".
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("missing: default") << "In.mp3" << "" << QByteArray() << "In.mp3 V7";
        QTest::newRow("first line, CR LF") << "S.mp3" << "S.adv" << "S V5 P30\r\nx"_ba << "S V5 P30";
        QTest::newRow("lone CR, untrimmed") << " S.mp3" << " S.adv" << " S V3 \rx"_ba << " S V3 ";
        QTest::newRow("LF, Windows-1252") << "LOUD.MP3" << "LOUD.adv" << "\xCAte\nx"_ba << "Ête";
        QTest::newRow(".mp3 alone") << ".mp3" << ".adv" << ".mp3 V3"_ba << ".mp3 V3";
        QTest::newRow("dots before .adv") << "..mp3" << "..adv" << "..mp3 V3"_ba << "..mp3 V3";
        QTest::newRow("not ASCII, upper case") << "Ü.MP3" << "Ü.adv" << "Ü V3"_ba << "Ü V3";
        QTest::newRow("a track is no command file") << "a.mp3.mp3" << "a.adv.mp3" << "a V1"_ba << "a.mp3.mp3 V7";
        QTest::newRow("longest line") << "K.mp3" << "K.adv" << QByteArray(LineLimit, 'k') + "\n"
                                      << QString(LineLimit, u'k');
        QTest::newRow("unreadable: longer line") << "H.mp3" << "H.adv" << QByteArray(LineLimit + 1, 'h') << "H.mp3 V7";
        QTest::newRow("unreadable: link out") << "O.mp3" << "O.adv" << "->../out.txt"_ba << "O.mp3 V7";
        QTest::newRow("unreadable: hard link") << "O.mp3" << "O.adv" << "=>../out.txt"_ba << "O.mp3 V7";
        QTest::newRow("unreadable: a file bound over it") << "B.mp3" << "B.adv" << "bound"_ba << "B.mp3 V7";
        QTest::newRow("unreadable: FIFO") << "F.mp3" << "F.adv" << "fifo"_ba << "F.mp3 V7";
        QTest::newRow("slash: never outside") << "../out.mp3" << "" << QByteArray() << "../out.mp3 V7";
        QTest::newRow("NUL: never another file") << u"i\0.mp3"_s << "i" << QByteArray() << u"i\0.mp3 V7"_s;
        // clang-format on
    }

    void lookup()
    {
        QFETCH(QString, track);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        TestCard card; // beside the card root, "out.adv" is a folder: reading it would fail
        QVERIFY(QDir().mkpath(card.path("../out.adv")) && card.write("../out.txt", {}));
        const QString command = card.path(file);
        if (content == "fifo")
            QCOMPARE(::mkfifo(qPrintable(command), 0644), 0);
        else if (content.startsWith("->"))
            QVERIFY(QFile::link(QString::fromUtf8(content.sliced(2)), command));
        else if (content.startsWith("=>"))
            QCOMPARE(::link(qPrintable(card.path(content.sliced(2))), qPrintable(command)), 0);
        else if (!file.isEmpty())
            QVERIFY(card.write(file, content));
        if (content == "bound" && !card.bindFile(card.path("../out.txt"), file))
            QSKIP("mounting is not permitted here");
        CardStore store(card);
        const bool unreadable = QByteArray(QTest::currentDataTag()).startsWith("unreadable");
        // One track alone and among others take different ways to the file; unreadable ones make one message.
        for (const QStringList &tracks : {QStringList {track}, QStringList {track, track}}) {
            const CardStore::Lookup found = store.lookupCommands(tracks);
            QTEST(found.commandStrings.constLast(), "expected");
            const Notices failed {
                {Notice::Plain, Notice::Message::CouldNotRead, QStringList(tracks.size(), file), tracks.size(), {}}};
            QCOMPARE(found.notices, unreadable ? failed : Notices());
        }
    }
};

QTEST_GUILESS_MAIN(TestCardFormats)
#include "tst_cardformats.moc"
