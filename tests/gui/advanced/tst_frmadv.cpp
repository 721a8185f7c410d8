#include "advanced/frmadv.h"
#include "support/scriptedplatform.h"
#include "widgets/singlelinevalidator.h"

#include <QtTest>
#include <QtWidgets>

using Vexolo::Ui::AdvancedTarget;

// What the advanced window adds to the reader and the encoder: the fields it shows them in, its
// buttons, and the target it hands back with the string.
class TestFrmAdv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readEditSave()
    {
        ScriptedPlatform platform;
        QWidget owner;
        QPointer<frmAdv> window = frmAdv::instance(platform, owner);
        QList<std::pair<AdvancedTarget, QString>> saved;
        connect(window, &frmAdv::settingsSaved, this, [&saved](const AdvancedTarget &target, const QString &text) {
            saved.append({target, text});
        });

        window->InitForm("Finale.mp36V9 1A5 2+15 P15 8-15 1X60", AdvancedTarget::entry(7), 3);
        QCOMPARE(window->lblTarget->text(),
                 "Playlist entry 4: Save keeps these settings in the playlist until the program is saved.");
        QVERIFY(window->optFade1->isChecked() && window->chkPlayNext->isChecked());
        QTest::keyClicks(window->txtVol, "3"); // only the buttons change it
        const QStringList fields {window->txtVol->text(),          window->txtPause(0)->text(),
                                  window->txtOutputAll(0)->text(), window->txtOutputAll(1)->text(),
                                  window->txtOutput(2, 0)->text(), window->txtOutput(8, 1)->text(),
                                  window->lblOnOff(0)->text(),     window->lblOnOff(1)->text()};
        QCOMPARE(fields, QStringList({"9", "15", "5", "60", "15", "15", "On", "Off"}));
        window->cmdCancel->click();
        QVERIFY(!window->isVisible());

        window->InitForm("Song.mp3", AdvancedTarget::cardTrack({1, 2}, "Song.mp3"), 0);
        QVERIFY(window->isVisible() && window->optFade1->isChecked() && window->txtPause(0)->text().isEmpty());
        QCOMPARE(window->lblTarget->text(), "The card's track: Save writes these settings to the card at once.");
        for (int i = 0; i < 10; ++i)
            QTest::keyClicks(window->txtPause(i), "12345");
        window->cmdSave->click();
        QVERIFY(platform.shown.value(0).startsWith("Too many times!") && saved.isEmpty() && window->isVisible());

        window->cmdClear->click();
        QTest::mouseClick(window->cmdMinus, Qt::LeftButton);
        QTest::keyClicks(window->txtOutput(3, 1), " 2 0"); // a time takes no blank
        QTest::mouseClick(window->optFade2, Qt::LeftButton);
        window->cmdSave->click();
        QCOMPARE(saved.size(), 1);
        QVERIFY(saved[0].first.onCard() && saved[0].first.trackName == "Song.mp3");
        QCOMPARE(saved[0].second, "Song.mp37V6 3-20");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window && !frmAdv::existing());

        frmAdv::instance(platform, owner)->InitForm("", {}, 0);
        QCOMPARE(platform.shown.last(), "Could not extract filename from string:");
        frmAdv::existing()->close();
        QVERIFY(!frmAdv::existing()); // at once, though deleted later
    }

    // Escape drops no typed time without asking: Save, Discard or Cancel, as the main window asks.
    void escapeAsks_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer"); // 0: no question
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("saved");
        QTest::newRow("unchanged") << "" << 0 << false << "";
        QTest::newRow("cancel") << "5" << int(PlatformAdapter::AnswerCancel) << true << "";
        QTest::newRow("discard") << "5" << int(PlatformAdapter::AnswerDiscard) << false << "";
        QTest::newRow("save") << "5" << int(PlatformAdapter::AnswerSave) << false << "Song.mp3 V7 P5";
    }

    void escapeAsks()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        ScriptedPlatform platform;
        QWidget owner;
        frmAdv *window = frmAdv::instance(platform, owner);
        QString saved;
        connect(window, &frmAdv::settingsSaved, this,
                [&saved](const AdvancedTarget &, const QString &text) { saved = text; });
        window->InitForm("Song.mp3 V7", AdvancedTarget::entry(1), 0);
        QTest::keyClicks(window->txtPause(0), typed);
        if (answer)
            platform.answers << answer;
        QApplication::setActiveWindow(window);
        QTest::keyClick(window->txtPause(0), Qt::Key_Escape);
        QTEST(window->isVisible(), "open");
        QTEST(saved, "saved");
        QCOMPARE(platform.shown.size(), answer ? 1 : 0);
        QVERIFY(platform.answers.isEmpty());
        window->close();
    }

    // Fields keep one line: of pasted text only the first line stays, what stood after the cursor stays too,
    // and control characters go; a time field takes no blank.
    void singleLine_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("keptCursor");
        QTest::addColumn<bool>("time");
        QTest::newRow("lines pasted between X and Y") << "Xab\ncdY\nZ" << 6 << "XabY" << 3 << false;
        QTest::newRow("control characters") << "\ta b\x7f\x01" << 2 << "a b" << 1 << false;
        QTest::newRow("a time: no blanks") << " 1 2\t" << 2 << "12" << 1 << true;
    }

    void singleLine()
    {
        QFETCH(QString, input);
        QFETCH(int, cursor);
        QFETCH(bool, time);
        const SingleLineValidator validator(nullptr,
                                            time ? SingleLineValidator::NoBlanks : SingleLineValidator::BlanksKept);
        QCOMPARE(validator.validate(input, cursor), QValidator::Acceptable);
        QTEST(input, "kept");
        QTEST(cursor, "keptCursor");
    }
};

QTEST_MAIN(TestFrmAdv)
#include "tst_frmadv.moc"
