#include "storage/cardtext.h"

#include <QTest>

using namespace Vexolo;

class TestCardText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void encodeWritesUtf8WithoutBom();
    void characterCount_data();
    void characterCount();
};

void TestCardText::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII") << QByteArray("Intro.mp3 V7") << QStringLiteral("Intro.mp3 V7");
    QTest::newRow("UTF-8") << QByteArray("Caf\xC3\xA9 \xE2\x82\xAC") << QStringLiteral("Café €");
    QTest::newRow("UTF-8 outside the BMP") << QByteArray("\xF0\x9F\x8E\xB5.mp3") << QStringLiteral("🎵.mp3");
    QTest::newRow("byte-order mark skipped") << QByteArray("\xEF\xBB\xBF"
                                                           "A.mp3")
                                             << QStringLiteral("A.mp3");
    QTest::newRow("NUL bytes kept") << QByteArray("a\0b", 3) << QString::fromUtf8("a\0b", 3);
    // Any invalid byte makes the whole file single-byte: it was written by another tool.
    QTest::newRow("Latin letter") << QByteArray("Caf\xE9.mp3") << QStringLiteral("Café.mp3");
    QTest::newRow("valid sequence beside an invalid byte") << QByteArray("\xC3\xA9\xE9") << QStringLiteral("Ã©é");
    QTest::newRow("euro and curly quotes") << QByteArray("\x80\x96\x91\x92") << QStringLiteral("€–‘’");
    QTest::newRow("undefined bytes keep C1 code points")
        << QByteArray("\x81\x8D\x8F\x90\x9D") << QStringLiteral("\u0081\u008D\u008F\u0090\u009D");
    QTest::newRow("edges of the table") << QByteArray("\x9F\xA0\xFF") << QStringLiteral("Ÿ\u00A0ÿ");
    QTest::newRow("truncated sequence at the end") << QByteArray("ab\xC3") << QStringLiteral("abÃ");
    QTest::newRow("overlong encoding") << QByteArray("\xC0\xAF") << QStringLiteral("À¯");
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("í\u00A0€");
}

void TestCardText::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(decodeCardText(bytes), expected);
}

void TestCardText::encodeWritesUtf8WithoutBom()
{
    const QString text = QStringLiteral("Élan 🎵.mp3 V7");
    QCOMPARE(encodeCardText(text), QByteArray("\xC3\x89lan \xF0\x9F\x8E\xB5.mp3 V7"));
    QCOMPARE(decodeCardText(encodeCardText(text)), text);
}

void TestCardText::characterCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("expected");

    QTest::newRow("empty") << QString() << qsizetype(0);
    QTest::newRow("ASCII") << QStringLiteral("A.mp3 V7") << qsizetype(8);
    QTest::newRow("accented letters are one each") << QStringLiteral("Ölfass") << qsizetype(6);
    QTest::newRow("outside the BMP is one, not two") << QStringLiteral("🎵🎵x") << qsizetype(3);
    QTest::newRow("a lone surrogate still counts") << QString(QChar(0xD800)) << qsizetype(1);
}

void TestCardText::characterCount()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, expected);
    QCOMPARE(Vexolo::characterCount(text), expected);
}

QTEST_GUILESS_MAIN(TestCardText)
#include "tst_cardtext.moc"
