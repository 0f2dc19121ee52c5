#include <QtTest>

#include "admin/Transliterate.h"

using namespace Qt::StringLiterals;

class TestTransliterate : public QObject {
    Q_OBJECT
private slots:
    void names_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("latin");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("latin unchanged") << u"Smith-Jones.2"_s << u"Smith-Jones.2"_s;
        QTest::newRow("blank to underscore") << u"Иванова Петрова"_s << u"Ivanova_Petrova"_s;
        QTest::newRow("hyphen kept") << u"Салтыков-Щедрин"_s << u"Saltykov-SHHedrin"_s;
        QTest::newRow("two blanks") << u"а  б"_s << u"a__b"_s;
        QTest::newRow("Ё and ё") << u"Ёжик ёлка"_s << u"JOzhik_jolka"_s;
        QTest::newRow("Е and е") << u"Елена"_s << u"Elena"_s;
        QTest::newRow("hard sign both cases") << u"подъезд ПОДЪЕЗД"_s << u"pod''ezd_POD''EZD"_s;
        QTest::newRow("soft sign both cases") << u"Игорь ИГОРЬ"_s << u"Igor'_IGOR'"_s;
        QTest::newRow("upper groups wholly upper") << u"ЖЩЧШХЮЯЭ"_s << u"ZHSHHCHSHKHJUJAEH"_s;
        QTest::newRow("ukrainian і passes") << u"Київ і"_s << u"Kiїv_і"_s;
        QTest::newRow("digits and punctuation") << u"№5, (д)!"_s << u"№5,_(d)!"_s;
    }
    void names() {
        QFETCH(QString, text);
        QFETCH(QString, latin);
        QCOMPARE(Transliterate(text), latin);
    }

    void wholeAlphabet() {
        QCOMPARE(Transliterate(u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"_s),
                 u"abvgdejozhzijklmnoprstufkhcchshshh''y'ehjuja"_s);
        QCOMPARE(Transliterate(u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_s),
                 u"ABVGDEJOZHZIJKLMNOPRSTUFKHCCHSHSHH''Y'EHJUJA"_s);
    }

    void everyOtherCharacterPasses() {
        const QString alphabet = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ "_s;
        for (char16_t c = 1; c < 0x0500; ++c) {
            const QString one(QChar{c});
            if (alphabet.contains(one)) continue;
            QCOMPARE(Transliterate(one), one);
        }
    }
};

QTEST_APPLESS_MAIN(TestTransliterate)
#include "test_Transliterate.moc"
