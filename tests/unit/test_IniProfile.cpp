#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "core/Win1251.h"
#include "settings/EIniFileException.h"
#include "settings/IniProfile.h"
#include "settings/SettingsFileName.h"
#include "settings/TIniFile.h"

using namespace Qt::StringLiterals;

namespace {
// Test texts are written with LF for readability and turned into the file's CR LF.
QByteArray Crlf(const QString& text) {
    QByteArray b = ToWin1251(text);
    b.replace("\n", "\r\n");
    return b;
}
}  // namespace

class TestIniProfile : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QString d = u"<default>"_s;
        QTest::newRow("plain") << Crlf(u"[Main]\nA=1\n"_s) << u"Main"_s << u"A"_s << u"1"_s;
        QTest::newRow("no file content") << QByteArray() << u"Main"_s << u"A"_s << d;
        QTest::newRow("missing section") << Crlf(u"[Other]\nA=1\n"_s) << u"Main"_s << u"A"_s << d;
        QTest::newRow("missing key") << Crlf(u"[Main]\nB=1\n"_s) << u"Main"_s << u"A"_s << d;
        QTest::newRow("present empty is empty") << Crlf(u"[Main]\nA=\n"_s) << u"Main"_s << u"A"_s << QString();
        QTest::newRow("blanks only is empty") << Crlf(u"[Main]\nA= \t \n"_s) << u"Main"_s << u"A"_s << QString();
        QTest::newRow("blanks trimmed") << Crlf(u"[Main]\n  A \t=  x y \t\n"_s) << u"Main"_s << u"A"_s << u"x y"_s;
        QTest::newRow("section case") << Crlf(u"[mAiN]\nA=1\n"_s) << u"MAIN"_s << u"a"_s << u"1"_s;
        QTest::newRow("cyrillic names case") << Crlf(u"[Прочее]\nКлюч=Значение\n"_s) << u"ПРОЧЕЕ"_s << u"ключ"_s
                                             << u"Значение"_s;
        QTest::newRow("section blanks") << Crlf(u"  [ Main ]  \nA=1\n"_s) << u"Main"_s << u"A"_s << u"1"_s;
        QTest::newRow("key before any section") << Crlf(u"A=0\n[Main]\nB=1\n"_s) << u"Main"_s << u"A"_s << d;
        QTest::newRow("key of the next section") << Crlf(u"[Main]\n[Next]\nA=1\n"_s) << u"Main"_s << u"A"_s << d;
        QTest::newRow("first of duplicate keys") << Crlf(u"[Main]\nA=1\nA=2\n"_s) << u"Main"_s << u"A"_s << u"1"_s;
        QTest::newRow("second section of that name") << Crlf(u"[Main]\nB=1\n[X]\n[MAIN]\nA=2\n"_s) << u"Main"_s
                                                     << u"A"_s << u"2"_s;
        QTest::newRow("value holds =") << Crlf(u"[Main]\nA=b=c\n"_s) << u"Main"_s << u"A"_s << u"b=c"_s;
        QTest::newRow("double quotes") << Crlf(u"[Main]\nA= \"q v\" \n"_s) << u"Main"_s << u"A"_s << u"q v"_s;
        QTest::newRow("single quotes") << Crlf(u"[Main]\nA='q'\n"_s) << u"Main"_s << u"A"_s << u"q"_s;
        QTest::newRow("one pair only") << Crlf(u"[Main]\nA=\"\"q\"\"\n"_s) << u"Main"_s << u"A"_s << u"\"q\""_s;
        QTest::newRow("mismatched quotes") << Crlf(u"[Main]\nA=\"q'\n"_s) << u"Main"_s << u"A"_s << u"\"q'"_s;
        QTest::newRow("lone quote") << Crlf(u"[Main]\nA=\"\n"_s) << u"Main"_s << u"A"_s << u"\""_s;
        QTest::newRow("empty quotes") << Crlf(u"[Main]\nA=''\n"_s) << u"Main"_s << u"A"_s << QString();
        QTest::newRow("quote inside") << Crlf(u"[Main]\nA=a\"b\n"_s) << u"Main"_s << u"A"_s << u"a\"b"_s;
        QTest::newRow("LF only lines") << QByteArray("[Main]\nA=1\nB=2") << u"Main"_s << u"B"_s << u"2"_s;
        QTest::newRow("comment is no key") << Crlf(u"[Main]\n;A=1\n"_s) << u"Main"_s << u";A"_s << d;
        QTest::newRow("line without =") << Crlf(u"[Main]\nA\n"_s) << u"Main"_s << u"A"_s << d;
        QTest::newRow("unclosed header is no section") << Crlf(u"[Main]\n[Other\nA=1\n"_s) << u"Main"_s << u"A"_s
                                                       << u"1"_s;
        QTest::newRow("windows-1251") << QByteArray("[Main]\r\nSERVER=\xD1\xC5\xD0\xC2\xC5\xD0\r\n") << u"main"_s
                                      << u"server"_s << u"СЕРВЕР"_s;
    }
    void read() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(ProfileRead(content, section, key, u"<default>"_s), expected);
    }

    void readReturnsAtMost2047Characters() {
        const QString longValue = QString(3000, u'я');
        const QByteArray content = "[Main]\r\nA=" + ToWin1251(longValue) + "\r\n";
        QCOMPARE(ProfileRead(content, u"Main"_s, u"A"_s, {}), QString(kProfileValueLimit, u'я'));
        const QByteArray exact = "[Main]\r\nA=\"" + ToWin1251(QString(2047, u'x')) + "\"\r\n";
        QCOMPARE(ProfileRead(exact, u"Main"_s, u"A"_s, {}).size(), 2047);
    }

    void write_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("new file") << QByteArray() << u"Main"_s << u"A"_s << u"1"_s << Crlf(u"[Main]\nA=1\n"_s);
        QTest::newRow("replace in place") << Crlf(u"[Main]\nA=1\nB=2\n"_s) << u"Main"_s << u"A"_s << u"x"_s
                                          << Crlf(u"[Main]\nA=x\nB=2\n"_s);
        QTest::newRow("replace keeps the key as written")
            << Crlf(u"[main]\n  sErVeR = old \nB=2\n"_s) << u"Main"_s << u"SERVER"_s << u"new"_s
            << Crlf(u"[main]\n  sErVeR=new\nB=2\n"_s);
        QTest::newRow("replace keeps an LF line break")
            << QByteArray("[Main]\nA=1\nB=2\n") << u"Main"_s << u"A"_s << u"9"_s << QByteArray("[Main]\nA=9\nB=2\n");
        QTest::newRow("replace the first of duplicates")
            << Crlf(u"[Main]\nA=1\nA=2\n"_s) << u"Main"_s << u"A"_s << u"3"_s << Crlf(u"[Main]\nA=3\nA=2\n"_s);
        QTest::newRow("replace with empty") << Crlf(u"[Main]\nA=1\n"_s) << u"Main"_s << u"A"_s << QString()
                                            << Crlf(u"[Main]\nA=\n"_s);
        QTest::newRow("append to its section before blank lines")
            << Crlf(u"[Main]\nA=1\n\n[Next]\nC=3\n"_s) << u"Main"_s << u"B"_s << u"2"_s
            << Crlf(u"[Main]\nA=1\nB=2\n\n[Next]\nC=3\n"_s);
        QTest::newRow("append to an empty section")
            << Crlf(u"[Main]\n[Next]\n"_s) << u"MAIN"_s << u"B"_s << u"2"_s << Crlf(u"[Main]\nB=2\n[Next]\n"_s);
        QTest::newRow("append to the first section of the name")
            << Crlf(u"[Main]\nA=1\n[X]\n[Main]\nC=3\n"_s) << u"Main"_s << u"B"_s << u"2"_s
            << Crlf(u"[Main]\nA=1\nB=2\n[X]\n[Main]\nC=3\n"_s);
        QTest::newRow("key found in the second section of the name")
            << Crlf(u"[Main]\nA=1\n[Main]\nC=3\n"_s) << u"Main"_s << u"C"_s << u"4"_s
            << Crlf(u"[Main]\nA=1\n[Main]\nC=4\n"_s);
        QTest::newRow("append after a last line without break")
            << QByteArray("[Main]\r\nA=1") << u"Main"_s << u"B"_s << u"2"_s << Crlf(u"[Main]\nA=1\nB=2\n"_s);
        QTest::newRow("append section") << Crlf(u"[Other]\nA=1\n"_s) << u"Main"_s << u"A"_s << u"2"_s
                                        << Crlf(u"[Other]\nA=1\n[Main]\nA=2\n"_s);
        QTest::newRow("append section after a last line without break")
            << QByteArray("[Other]\r\nA=1") << u"Main"_s << u"A"_s << u"2"_s << Crlf(u"[Other]\nA=1\n[Main]\nA=2\n"_s);
        QTest::newRow("a line break in a value stays in its line")
            << QByteArray() << u"Main"_s << u"A"_s << u"x\r\n[Main]\nB=1"_s << Crlf(u"[Main]\nA=x  [Main] B=1\n"_s);
        QTest::newRow("written as is, quotes included")
            << QByteArray() << u"Main"_s << u"A"_s << u"\"q\""_s << Crlf(u"[Main]\nA=\"q\"\n"_s);
        QTest::newRow("windows-1251") << QByteArray() << u"Главное"_s << u"Ключ"_s << u"Ёё№"_s
                                      << QByteArray("[\xC3\xEB\xE0\xE2\xED\xEE\xE5]\r\n\xCA\xEB\xFE\xF7=\xA8\xB8\xB9\r\n");
    }
    void write() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, expected);
        QCOMPARE(ProfileWrite(content, section, key, value), expected);
    }

    void toInt_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << u"209"_s << 209;
        QTest::newRow("negative") << u"-4"_s << -4;
        QTest::newRow("plus") << u"+7"_s << 7;
        QTest::newRow("hex") << u"0x10"_s << 16;
        QTest::newRow("hex upper") << u"0XfF"_s << 255;
        QTest::newRow("hex wraps like a 32-bit value") << u"0xFFFFFFFF"_s << -1;
        QTest::newRow("hex too long") << u"0x100000000"_s << -99;
        QTest::newRow("bare 0x") << u"0x"_s << -99;
        QTest::newRow("hex with a bad digit") << u"0x1g"_s << -99;
        QTest::newRow("hex with a sign") << u"0x-1"_s << -99;
        QTest::newRow("text") << u"abc"_s << -99;
        QTest::newRow("trailing text") << u"12px"_s << -99;
        QTest::newRow("too big") << u"2147483648"_s << -99;
        QTest::newRow("empty") << QString() << -99;
        QTest::newRow("leading zero decimal") << u"010"_s << 10;
    }
    void toInt() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(ProfileTextToInt(text, -99), expected);
    }

    void protectQuotes_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << u"abc"_s << u"abc"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("double quoted") << u"\"abc\""_s << u"\"\"abc\"\""_s;
        QTest::newRow("single quoted") << u"'abc'"_s << u"\"'abc'\""_s;
        QTest::newRow("lone double quote") << u"\""_s << u"\"\"\""_s;
        QTest::newRow("lone single quote") << u"'"_s << u"\"'\""_s;
        QTest::newRow("mixed") << u"\"abc'"_s << u"\"abc'"_s;
        QTest::newRow("quote at one end") << u"\"abc"_s << u"\"abc"_s;
    }
    void protectQuotes() {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(ProfileProtectQuotes(value), written);
        // What is written reads back as the value.
        const QByteArray file = ProfileWrite({}, u"S"_s, u"K"_s, written);
        QCOMPARE(ProfileRead(file, u"S"_s, u"K"_s, u"<default>"_s), value);
    }

    void settingsFileName_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no extension") << u"/opt/tv/tvadmin"_s << u"/opt/tv/tvadmin.ini"_s;
        QTest::newRow("extension replaced") << u"/opt/tv/admin.exe"_s << u"/opt/tv/admin.ini"_s;
        QTest::newRow("last extension only") << u"/opt/tv/admin.v2.bin"_s << u"/opt/tv/admin.v2.ini"_s;
        QTest::newRow("dot in a folder name") << u"/opt/tv.d/tvadmin"_s << u"/opt/tv.d/tvadmin.ini"_s;
        QTest::newRow("hidden file") << u"/opt/tv/.tvadmin"_s << u"/opt/tv/.tvadmin.ini"_s;
    }
    void settingsFileName() {
        QFETCH(QString, executable);
        QFETCH(QString, expected);
        QCOMPARE(SettingsFileNameFor(executable), expected);
    }

    // Beside the executable when its folder is writable, else in the user's folder; a named file always wins.
    void settingsFileLocation_data() {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("expected");
        QTest::newRow("writable folder") << true << QString() << u"/opt/tv/tvadmin.ini"_s;
        QTest::newRow("read-only folder") << false << QString() << u"/home/u/.config/adm/tvadmin.ini"_s;
        QTest::newRow("named, writable") << true << u"/srv/a.ini"_s << u"/srv/a.ini"_s;
        QTest::newRow("named, read-only") << false << u"b.ini"_s << u"b.ini"_s;
    }
    void settingsFileLocation() {
        QFETCH(bool, writable);
        QFETCH(QString, named);
        QFETCH(QString, expected);
        QCOMPARE(SettingsFileLocation(u"/opt/tv/tvadmin"_s, writable, u"/home/u/.config/adm"_s, named), expected);
    }

    // The file of the old (Cyrillic) folder moves to the ASCII one once; a file already there stays.
    void oldSettingsMove_data() {
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<bool>("newFile");
        QTest::addColumn<bool>("moved");
        QTest::newRow("only the old one") << true << false << true;
        QTest::newRow("both") << true << true << false;
        QTest::newRow("none") << false << false << false;
    }
    void oldSettingsMove() {
        QFETCH(bool, oldFile);
        QFETCH(bool, newFile);
        QFETCH(bool, moved);
        QTemporaryDir dir;
        const QString oldFolder = dir.filePath(u"Администратор"_s), newFolder = dir.filePath(u"tvadmin"_s);
        const auto write = [](const QString& folder, const QByteArray& text) {
            QDir().mkpath(folder);
            QFile f(folder + u"/tvadmin.ini"_s);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        if (oldFile) write(oldFolder, "old");
        if (newFile) write(newFolder, "new");
        QCOMPARE(MoveOldSettingsFile(oldFolder, newFolder, u"tvadmin.ini"_s), moved);
        QCOMPARE(QDir(oldFolder).exists(), oldFile && !moved);
        QFile f(newFolder + u"/tvadmin.ini"_s);
        QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), QByteArray(newFile ? "new" : oldFile ? "old" : ""));
    }

    void applicationSettingsFileLiesBesideTheExecutable() {
        int argc = 1;
        char name[] = "test";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        const QString exe = QFileInfo(u"/proc/self/exe"_s).canonicalFilePath();
        QVERIFY(exe.endsWith(u"/unit_test_IniProfile"_s));
        QCOMPARE(ApplicationSettingsFileName(), exe + u".ini"_s);  // the test binary has no extension
    }

    void iniFileRoundTripOnDisk() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"tv.ini"_s);
        TIniFile ini(path);
        QCOMPARE(ini.ReadText(u"Main"_s, u"A"_s, u"d"_s), u"d"_s);
        QCOMPARE(ini.ReadNumber(u"Main"_s, u"N"_s, 5), 5);
        ini.WriteText(u"Main"_s, u"A"_s, u"Значение"_s);
        ini.WriteNumber(u"Main"_s, u"N"_s, -12);
        ini.WriteFlag(u"Main"_s, u"V"_s, true);
        ini.WriteFlag(u"Main"_s, u"W"_s, false);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("[Main]\r\nA=\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\nN=-12\r\nV=1\r\nW=0\r\n"));
        QCOMPARE(ini.ReadText(u"main"_s, u"a"_s, {}), u"Значение"_s);
        QCOMPARE(ini.ReadNumber(u"Main"_s, u"N"_s, 5), -12);
    }

    void readNumberFallsBackToDefault_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QString() << 42;
        QTest::newRow("not a number") << u"x"_s << 42;
        QTest::newRow("hex") << u"0x2B"_s << 43;
        QTest::newRow("quoted number") << u"\"7\""_s << 7;
    }
    void readNumberFallsBackToDefault() {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        QTemporaryDir dir;
        TIniFile ini(dir.filePath(u"n.ini"_s));
        ini.WriteText(u"S"_s, u"N"_s, stored);
        QCOMPARE(ini.ReadNumber(u"S"_s, u"N"_s, 42), expected);
    }

    // Running as root, a read-only file can still be written; a file that cannot be made fails for anyone.
    void writeFailureRaises_data() {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing folder") << u"missing/folder/tv.ini"_s;
        QTest::newRow("folder where the file should be") << u"isdir.ini"_s;
    }
    void writeFailureRaises() {
        QFETCH(QString, relative);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"isdir.ini"_s));
        const QString path = dir.filePath(relative);
        TIniFile ini(path);
        QCOMPARE(ini.ReadText(u"Main"_s, u"A"_s, u"d"_s), u"d"_s);
        try {
            ini.WriteText(u"Main"_s, u"A"_s, u"1"_s);
            QFAIL("no exception");
        } catch (const EIniFileException& e) {
            QCOMPARE(e.Message(), u"Unable to write to "_s + path);
        }
        QVERIFY_THROWS_EXCEPTION(EIniFileException, ini.WriteNumber(u"Main"_s, u"N"_s, 1));
        QVERIFY_THROWS_EXCEPTION(EIniFileException, ini.WriteFlag(u"Main"_s, u"V"_s, true));
    }
};

QTEST_APPLESS_MAIN(TestIniProfile)
#include "test_IniProfile.moc"
