#include "widgets/ReportOpenError.h"

#include <QApplication>
#include <QtTest>

class ReportOpenErrorTest : public QObject
{
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void messageStartsWithTheHeading();
    void reportShowsTheMessageUnderTheApplicationTitle();
};

void ReportOpenErrorTest::texts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "The operating system is out\nof memory or resources.";
    QTest::newRow("2") << 2 << "The specified file was not found.";
    QTest::newRow("3") << 3 << "The specified path was not found.";
    QTest::newRow("5") << 5 << "The operating system denied\naccess to the specified file.";
    QTest::newRow("8") << 8 << "There was not enough memory to complete the operation.";
    QTest::newRow("11") << 11
                        << "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    QTest::newRow("26 keeps its trailing blank") << 26 << "A sharing violation occurred. ";
    QTest::newRow("27") << 27 << "The filename association is\nincomplete or invalid.";
    QTest::newRow("28") << 28
                        << "The DDE transaction could not\nbe completed because the request timed "
                           "out.";
    QTest::newRow("29") << 29 << "The DDE transaction failed.";
    QTest::newRow("30") << 30
                        << "The DDE transaction could not\nbe completed because other DDE "
                           "transactions\nwere being processed.";
    QTest::newRow("31") << 31
                        << "There is no application associated\nwith the given filename extension.";
    QTest::newRow("32") << 32 << "The specified dynamic-link library was not found.";
    QTest::newRow("1 is unknown") << 1 << "Unknown Error (1) occurred.";
    QTest::newRow("33 is unknown") << 33 << "Unknown Error (33) occurred.";
    QTest::newRow("negative") << -5 << "Unknown Error (-5) occurred.";
    QTest::newRow("large") << 2147483647 << "Unknown Error (2147483647) occurred.";
}

void ReportOpenErrorTest::texts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(OpenErrorText(code), text);
}

void ReportOpenErrorTest::messageStartsWithTheHeading()
{
    QCOMPARE(OpenErrorMessage(26),
        QStringLiteral("Unable to open hyperlink:\n\nA sharing violation occurred. "));
    QCOMPARE(OpenErrorMessage(7),
        QStringLiteral("Unable to open hyperlink:\n\nUnknown Error (7) occurred."));
}

void ReportOpenErrorTest::reportShowsTheMessageUnderTheApplicationTitle()
{
    QApplication::setApplicationDisplayName(QStringLiteral("Sablewick Test"));
    QWidget owner;
    int calls = 0;
    QWidget* seenParent = nullptr;
    QString seenTitle;
    QString seenText;
    SetOpenErrorPresenter([&](QWidget* parent, const QString& title, const QString& text) {
        ++calls;
        seenParent = parent;
        seenTitle = title;
        seenText = text;
    });
    ReportOpenError(&owner, 31);
    SetOpenErrorPresenter({});

    QCOMPARE(calls, 1);
    QCOMPARE(seenParent, &owner);
    QCOMPARE(seenTitle, QStringLiteral("Sablewick Test"));
    QCOMPARE(seenText,
        QStringLiteral("Unable to open hyperlink:\n\nThere is no application associated\nwith the "
                       "given filename extension."));
}

QTEST_MAIN(ReportOpenErrorTest)
#include "ReportOpenErrorTest.moc"
