#include "platform/ProfileFile.h"
#include "platform/UserProfiles.h"
#include "widgets/RememberedAnswers.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class RememberedAnswersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void valueNames_data();
    void valueNames();
    void valueNameUsesFirst490Bytes();
    void sectionNamesTheProgram();
    void writeThenRead();
    void missingAnswersReadAsZero();
    void damagedValuesReadAsZero();
    void companyKeyCannotBreakTheFile();

private:
    QTemporaryDir m_config;
};

void RememberedAnswersTest::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void RememberedAnswersTest::valueNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::newRow("abc") << "abc" << 0 << "7dj0";
    QTest::newRow("negative number") << "abc" << -12 << "7dj-12";
    QTest::newRow("empty") << "" << 5 << "5";
    // 'A' is 65: 65 mod 64 = 1, then 70 mod 64 = 6, 75 mod 64 = 11.
    QTest::newRow("repeats shift") << "AAA" << 0 << "BGL0";
    // Bytes above 127 stay in the alphabet: 0xC3 0xA9 give 195 mod 64 = 3, 174 mod 64 = 46.
    QTest::newRow("non-ASCII") << QString::fromUtf8("\xC3\xA9") << 1 << "Dk1";
}

void RememberedAnswersTest::valueNames()
{
    QFETCH(QString, text);
    QFETCH(int, id);
    QFETCH(QString, name);
    QCOMPARE(AnswerValueName(text, id), name);
}

void RememberedAnswersTest::valueNameUsesFirst490Bytes()
{
    const QString longText(600, QLatin1Char('x'));
    const QString name = AnswerValueName(longText, 7);
    QCOMPARE(name.size(), 491);
    QVERIFY(name.endsWith(QLatin1Char('7')));
    QCOMPARE(AnswerValueName(longText.left(490), 7), name);
}

void RememberedAnswersTest::sectionNamesTheProgram()
{
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QCOMPARE(RememberedAnswerSection(QString()),
        QStringLiteral("Software\\") + program + QStringLiteral("\\RichMessageBox"));
    QCOMPARE(RememberedAnswerSection(QStringLiteral("Tellurvane")),
        QStringLiteral("Software\\Tellurvane\\") + program + QStringLiteral("\\RichMessageBox"));
}

void RememberedAnswersTest::writeThenRead()
{
    QCOMPARE(WriteRememberedAnswer(QString(), QStringLiteral("7dj0"), 0x01000006u), 0);
    QCOMPARE(ReadRememberedAnswer(QString(), QStringLiteral("7dj0")), 0x01000006u);
    // Names match without regard to case, like every profile name.
    QCOMPARE(ReadRememberedAnswer(QString(), QStringLiteral("7DJ0")), 0x01000006u);

    // The countdown bit makes the value larger than a signed 32-bit number.
    QCOMPARE(WriteRememberedAnswer(QStringLiteral("Co"), QStringLiteral("n1"), 0x81000001u), 0);
    QCOMPARE(ReadRememberedAnswer(QStringLiteral("Co"), QStringLiteral("n1")), 0x81000001u);
    QCOMPARE(ReadRememberedAnswer(QString(), QStringLiteral("n1")), 0u);

    const std::string stored = ReadProfileString(
        RememberedAnswersPath(), RememberedAnswerSection(QString()).toStdString(), "7dj0", "");
    QCOMPARE(QString::fromStdString(stored), QStringLiteral("16777222"));
}

void RememberedAnswersTest::missingAnswersReadAsZero()
{
    QCOMPARE(ReadRememberedAnswer(QStringLiteral("Nobody"), QStringLiteral("nothing")), 0u);
}

void RememberedAnswersTest::damagedValuesReadAsZero()
{
    const std::string section = RememberedAnswerSection(QString()).toStdString();
    const std::string path = RememberedAnswersPath();
    QVERIFY(WriteProfileString(path, section, "text", "yes please"));
    QVERIFY(WriteProfileString(path, section, "huge", "99999999999999"));
    QVERIFY(WriteProfileString(path, section, "signed", "-2130706431"));
    QCOMPARE(ReadRememberedAnswer(QString(), QStringLiteral("text")), 0u);
    QCOMPARE(ReadRememberedAnswer(QString(), QStringLiteral("huge")), 0u);
    QCOMPARE(ReadRememberedAnswer(QString(), QStringLiteral("signed")), 0x81000001u);
}

void RememberedAnswersTest::companyKeyCannotBreakTheFile()
{
    const QString company = QStringLiteral("Evil]\n[Other");
    QCOMPARE(WriteRememberedAnswer(company, QStringLiteral("a=b"), 6u), 0);
    QCOMPARE(ReadRememberedAnswer(company, QStringLiteral("a=b")), 6u);

    QFile file(QString::fromStdString(RememberedAnswersPath()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(!text.contains("\n[Other"));
    QVERIFY(text.contains("Software\\Evil__[Other\\"));
}

QTEST_GUILESS_MAIN(RememberedAnswersTest)
#include "RememberedAnswersTest.moc"
