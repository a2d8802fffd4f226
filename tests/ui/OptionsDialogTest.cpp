#include "engine/Settings.h"
#include "platform/ProgramFolder.h"
#include "ui/COptionsDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <iterator>
#include <memory>

namespace {

const char* const kFieldNames[] = {
    "start",
    "end",
    "width",
    "height",
    "quality",
    "interval",
    "frameRate",
};

QLineEdit* Edit(const COptionsDialog& dialog, const char* name)
{
    auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    if (!edit)
        qFatal("no field %s", name);
    return edit;
}

QString Text(const COptionsDialog& dialog, const char* name)
{
    return Edit(dialog, name)->text();
}

QComboBox* Combo(const COptionsDialog& dialog, const char* name)
{
    auto* combo = dialog.findChild<QComboBox*>(QString::fromLatin1(name));
    if (!combo)
        qFatal("no list %s", name);
    return combo;
}

QAbstractButton* Button(const COptionsDialog& dialog, const char* name)
{
    auto* button = dialog.findChild<QAbstractButton*>(QString::fromLatin1(name));
    if (!button)
        qFatal("no button %s", name);
    return button;
}

void Click(const COptionsDialog& dialog, const char* name)
{
    QTest::mouseClick(Button(dialog, name), Qt::LeftButton);
}

QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList FieldTexts(const COptionsDialog& dialog)
{
    QStringList texts;
    for (const char* name : kFieldNames)
        texts << Text(dialog, name);
    return texts;
}

// A dialog that is shown, as it is while it runs modally.
std::unique_ptr<COptionsDialog> OpenDialog()
{
    auto dialog = std::make_unique<COptionsDialog>();
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        qWarning("dialog not exposed");
    return dialog;
}

} // namespace

class OptionsDialogTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;

    QString SettingsPath() const { return QString::fromStdString(SettingsFilePath()); }

    void WriteSettings(const QByteArray& bytes) const
    {
        QFile file(SettingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray ReadSettings() const
    {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        SetProgramFolderForTesting(m_folder->path().toStdString());
    }

    void cleanup()
    {
        SetProgramFolderForTesting("");
        m_folder.reset();
    }

    void opensWithResetTextsWithoutSettingsFile()
    {
        auto dialog = OpenDialog();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Option"));
        QCOMPARE(FieldTexts(*dialog),
            (QStringList { "0", "Default", "Default", "Default", "Default", "1.00", "0" }));

        QComboBox* format = Combo(*dialog, "format");
        QVERIFY(!format->isEditable());
        QStringList formats;
        for (int i = 0; i < format->count(); ++i)
            formats << format->itemText(i);
        QCOMPARE(formats,
            (QStringList { "GIF Animation (*.gif)", "Static GIF (*.gif)", "JPEG Image (*.jpg)",
                "Portable Network Graphics (*.png)", "Bitmap (*.bmp)", "Targa Bitmap (*.tga)",
                "PaintBrush (*.pcx)" }));
        QCOMPARE(format->currentIndex(), 0);

        QComboBox* replay = Combo(*dialog, "replay");
        QVERIFY(replay->isEditable());
        QStringList counts;
        for (int i = 0; i < replay->count(); ++i)
            counts << replay->itemText(i);
        QCOMPARE(counts,
            (QStringList { "Infinite Loop", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "15",
                "20", "30", "50", "100", "200" }));
        QCOMPARE(replay->currentText(), QStringLiteral("Infinite Loop"));

        QVERIFY(qobject_cast<QPushButton*>(Button(*dialog, "ok"))->isDefault());
        QVERIFY(!QFile::exists(SettingsPath()));
    }

    void opensWithStoredValues()
    {
        WriteSettings("[TellurvaneInfo]\nStart=5\nEnd=20\nResolutionX=320abcdef\nResolutionY=240\n"
                      "VBRValue=2.5\nImagesPerSecond=0.5\nTimeDelay=10\nFileFormat=3\nLoop=7\n");
        auto dialog = OpenDialog();
        // A stored text longer than the typing limit is shown whole.
        QCOMPARE(FieldTexts(*dialog),
            (QStringList { "5", "20", "320abcdef", "240", "2.50", "0.50", "10.00" }));
        QCOMPARE(Combo(*dialog, "format")->currentIndex(), 3);
        QCOMPARE(Combo(*dialog, "replay")->currentText(), QStringLiteral("7"));
    }

    void formatPastTheListIsShownUnselectedAndStoredAsNone()
    {
        WriteSettings("[TellurvaneInfo]\nFileFormat=9\n");
        auto dialog = OpenDialog();
        QCOMPARE(Combo(*dialog, "format")->currentIndex(), -1);
        Click(*dialog, "ok");
        QCOMPARE(LoadSettings().FileFormat, std::string("-1"));
    }

    void okAfterResetStoresTheNormalisedResetTexts()
    {
        WriteSettings("[TellurvaneInfo]\nStart=5\nEnd=20\nResolutionX=320\nResolutionY=240\n"
                      "VBRValue=2.50\nImagesPerSecond=0.50\nTimeDelay=10.00\nFileFormat=4\n"
                      "Loop=7\n");
        auto dialog = OpenDialog();
        QCOMPARE(Combo(*dialog, "format")->currentIndex(), 4);
        Click(*dialog, "reset");
        QCOMPARE(FieldTexts(*dialog),
            (QStringList { "0", "Default", "Default", "Default", "Default", "1.00", "0" }));
        QCOMPARE(Combo(*dialog, "format")->currentIndex(), 0);
        QCOMPARE(Combo(*dialog, "format")->count(), 7);
        QCOMPARE(Combo(*dialog, "replay")->currentText(), QStringLiteral("Infinite Loop"));
        QCOMPARE(Combo(*dialog, "replay")->count(), 17);

        Click(*dialog, "ok");
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        const ConversionSettings stored = LoadSettings();
        QCOMPARE(stored.Start, std::string("0"));
        QCOMPARE(stored.End, std::string("Default"));
        QCOMPARE(stored.ResolutionX, std::string("Default"));
        QCOMPARE(stored.ResolutionY, std::string("Default"));
        QCOMPARE(stored.VBRValue, std::string("Default"));
        QCOMPARE(stored.ImagesPerSecond, std::string("1.00"));
        QCOMPARE(stored.TimeDelay, std::string("0.00"));
        QCOMPARE(stored.FileFormat, std::string("0"));
        QCOMPARE(stored.Loop, std::string("0"));
    }

    void closingWithoutOkStoresNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Escape in a field") << "escape";
        QTest::newRow("Escape in the replay list") << "escape replay";
        QTest::newRow("close box") << "close";
    }

    void closingWithoutOkStoresNothing()
    {
        QFETCH(QString, how);
        const QByteArray bytes = "; kept as it is\r\n[TellurvaneInfo]\r\nstart = 5\r\nEnd=oops\r\n"
                                 "VBRValue=300\r\n\r\n[Other]\r\nLoop=3\r\n";
        WriteSettings(bytes);
        auto dialog = OpenDialog();
        Click(*dialog, "reset");
        QTest::keyClicks(Edit(*dialog, "start"), "42");
        QTest::mouseClick(Button(*dialog, "qualityDown"), Qt::LeftButton);

        if (how == "cancel")
            Click(*dialog, "cancel");
        else if (how == "escape")
            QTest::keyClick(Edit(*dialog, "start"), Qt::Key_Escape);
        else if (how == "escape replay")
            QTest::keyClick(Combo(*dialog, "replay")->lineEdit(), Qt::Key_Escape);
        else
            dialog->close();

        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(ReadSettings(), bytes);

        QFile::remove(SettingsPath());
        dialog = OpenDialog();
        Click(*dialog, "reset");
        Click(*dialog, "cancel");
        QVERIFY(!QFile::exists(SettingsPath()));
    }

    void typedReplayCountIsStoredAndShownAgain_data()
    {
        QTest::addColumn<bool>("pressEnter");
        QTest::newRow("OK button") << false;
        QTest::newRow("Enter in the replay list") << true;
    }

    void typedReplayCountIsStoredAndShownAgain()
    {
        QFETCH(bool, pressEnter);
        auto dialog = OpenDialog();
        QLineEdit* replayText = Combo(*dialog, "replay")->lineEdit();
        replayText->selectAll();
        QTest::keyClicks(replayText, "25");
        QCOMPARE(Combo(*dialog, "replay")->currentText(), QStringLiteral("25"));
        if (pressEnter)
            QTest::keyClick(replayText, Qt::Key_Return);
        else
            Click(*dialog, "ok");
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(LoadSettings().Loop, std::string("25"));
        QCOMPARE(Combo(*dialog, "replay")->count(), 17); // nothing added to the list

        auto again = OpenDialog();
        QCOMPARE(Combo(*again, "replay")->currentText(), QStringLiteral("25"));
    }

    void fieldsAreStoredAsTyped()
    {
        auto dialog = OpenDialog();
        const std::pair<const char*, const char*> typed[] = {
            { "start", "3" },
            { "end", "9" },
            { "width", "320x" },
            { "height", "240" },
            { "quality", "2.5" },
            { "interval", "0.2" },
            { "frameRate", "12" },
        };
        for (const auto& [name, text] : typed) {
            Edit(*dialog, name)->selectAll();
            QTest::keyClicks(Edit(*dialog, name), text);
        }
        Combo(*dialog, "format")->setCurrentIndex(6);
        Click(*dialog, "ok");

        const ConversionSettings stored = LoadSettings();
        QCOMPARE(stored.Start, std::string("3"));
        QCOMPARE(stored.End, std::string("9"));
        QCOMPARE(stored.ResolutionX, std::string("320x"));
        QCOMPARE(stored.ResolutionY, std::string("240"));
        QCOMPARE(stored.VBRValue, std::string("2.50"));
        QCOMPARE(stored.ImagesPerSecond, std::string("0.20"));
        QCOMPARE(stored.TimeDelay, std::string("12.00"));
        QCOMPARE(stored.FileFormat, std::string("6"));
        QCOMPARE(stored.Loop, std::string("0"));
    }

    void stepsChangeOnlyTheirField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quality Default, lower arrow") << "quality"
                                                      << "Default"
                                                      << "Down"
                                                      << "255.0";
        QTest::newRow("quality 255.0, Down key") << "quality"
                                                 << "255.0"
                                                 << "Down key"
                                                 << "254.99";
        QTest::newRow("quality 255.00, upper arrow") << "quality"
                                                     << "255.00"
                                                     << "Up"
                                                     << "Default";
        QTest::newRow("interval 0.01, lower arrow") << "interval"
                                                    << "0.01"
                                                    << "Down"
                                                    << "100.00";
        QTest::newRow("interval 100.00, Up key") << "interval"
                                                 << "100.00"
                                                 << "Up key"
                                                 << "0.01";
        QTest::newRow("width 3000, upper arrow") << "width"
                                                 << "3000"
                                                 << "Up"
                                                 << "1";
        QTest::newRow("height 3000, upper arrow") << "height"
                                                  << "3000"
                                                  << "Up"
                                                  << "3001";
        QTest::newRow("height Default, Down key") << "height"
                                                  << "Default"
                                                  << "Down key"
                                                  << "3000";
        QTest::newRow("end 1, lower arrow") << "end"
                                            << "1"
                                            << "Down"
                                            << "Default";
        QTest::newRow("end Default, Up key") << "end"
                                             << "Default"
                                             << "Up key"
                                             << "1";
        QTest::newRow("start abc, upper arrow") << "start"
                                                << "abc"
                                                << "Up"
                                                << "1";
        QTest::newRow("start 0, Down key") << "start"
                                           << "0"
                                           << "Down key"
                                           << "0";
        QTest::newRow("frame rate 0, upper arrow") << "frameRate"
                                                   << "0"
                                                   << "Up"
                                                   << "0.01";
        QTest::newRow("frame rate 0, lower arrow") << "frameRate"
                                                   << "0"
                                                   << "Down"
                                                   << "100.00";
    }

    void stepsChangeOnlyTheirField()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, how);
        QFETCH(QString, expected);
        auto dialog = OpenDialog();
        const QByteArray name = field.toLatin1();
        QLineEdit* edit = Edit(*dialog, name.constData());
        edit->setText(text);
        QStringList before = FieldTexts(*dialog);

        if (how == "Up key")
            QTest::keyClick(edit, Qt::Key_Up);
        else if (how == "Down key")
            QTest::keyClick(edit, Qt::Key_Down);
        else
            QTest::mouseClick(Button(*dialog, (name + how.toLatin1()).constData()), Qt::LeftButton);

        QCOMPARE(edit->text(), expected);
        const qsizetype index = std::find(std::begin(kFieldNames), std::end(kFieldNames), field)
            - std::begin(kFieldNames);
        before[index] = expected;
        QCOMPARE(FieldTexts(*dialog), before);
    }

    void typingLimitsApplyOnlyToTyping_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("limit");
        QTest::newRow("start") << "start" << 6;
        QTest::newRow("end") << "end" << 6;
        QTest::newRow("width") << "width" << 5;
        QTest::newRow("height") << "height" << 5;
        QTest::newRow("quality") << "quality" << 7;
        QTest::newRow("interval") << "interval" << 7;
        QTest::newRow("frame rate") << "frameRate" << 7;
    }

    void typingLimitsApplyOnlyToTyping()
    {
        QFETCH(QString, field);
        QFETCH(int, limit);
        const QByteArray name = field.toLatin1();
        auto dialog = OpenDialog();
        QLineEdit* edit = Edit(*dialog, name.constData());
        edit->selectAll();
        QTest::keyClicks(edit, "1234567890");
        QCOMPARE(edit->text(), QStringLiteral("1234567890").left(limit));

        // The replay list takes any length.
        QLineEdit* replayText = Combo(*dialog, "replay")->lineEdit();
        replayText->selectAll();
        QTest::keyClicks(replayText, "1234567890");
        QCOMPARE(replayText->text(), QStringLiteral("1234567890"));
    }

    void pasteTakesWhatFits_data() { typingLimitsApplyOnlyToTyping_data(); }

    void pasteTakesWhatFits()
    {
        QFETCH(QString, field);
        QFETCH(int, limit);
        const QByteArray name = field.toLatin1();
        auto dialog = OpenDialog();
        QLineEdit* edit = Edit(*dialog, name.constData());
        edit->setFocus();

        // Over the whole text: the first characters up to the limit.
        QGuiApplication::clipboard()->setText(QStringLiteral("1234567890"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("1234567890").left(limit));
        QCOMPARE(edit->cursorPosition(), limit);

        // Into the middle, replacing a selection: the text after the cursor stays.
        edit->selectAll();
        QTest::keyClicks(edit, "ab");
        edit->setCursorPosition(1);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(
            edit->text(), QStringLiteral("a") + QStringLiteral("1234567890").left(limit - 2) + "b");
        QCOMPARE(edit->cursorPosition(), limit - 1);
        edit->setSelection(1, limit - 2);
        QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("axyzb"));

        // At the end: what is left of the limit, then nothing more.
        QGuiApplication::clipboard()->setText(QStringLiteral("1234567890"));
        edit->end(false);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        const QString full = QStringLiteral("axyzb") + QStringLiteral("1234567890").left(limit - 5);
        QCOMPARE(edit->text(), full);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), full);
    }

    void pasteOverALongerProgramTextIsCutToTheLimit()
    {
        auto dialog = OpenDialog();
        QLineEdit* width = Edit(*dialog, "width");
        width->setFocus();
        QCOMPARE(width->text(), QStringLiteral("Default"));
        QGuiApplication::clipboard()->setText(QStringLiteral("640480"));
        width->end(false);
        QTest::keyClick(width, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(width->text(), QStringLiteral("Default"));
        width->selectAll();
        QTest::keyClick(width, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(width->text(), QStringLiteral("64048"));

        // Undo brings the program's text back whole.
        QLineEdit* end = Edit(*dialog, "end");
        end->setFocus();
        end->selectAll();
        QTest::keyClicks(end, "9");
        QCOMPARE(end->text(), QStringLiteral("9"));
        QTest::keyClick(end, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(end->text(), QStringLiteral("Default"));
    }

    void longerTextsFromTheProgramMayOnlyShrink()
    {
        WriteSettings("[TellurvaneInfo]\nResolutionX=320abcdef\nResolutionY=240\n");
        auto dialog = OpenDialog();
        QLineEdit* width = Edit(*dialog, "width");
        width->end(false);
        QTest::keyClick(width, Qt::Key_Backspace);
        QCOMPARE(width->text(), QStringLiteral("320abcde"));
        QTest::keyClicks(width, "zz");
        QCOMPARE(width->text(), QStringLiteral("320abcde"));
        QTest::keyClick(width, Qt::Key_Backspace);
        QTest::keyClick(width, Qt::Key_Backspace);
        QTest::keyClick(width, Qt::Key_Backspace);
        QTest::keyClicks(width, "zzzz");
        QCOMPARE(width->text(), QStringLiteral("320ab"));

        // A step may also lengthen the text past the limit.
        QLineEdit* height = Edit(*dialog, "height");
        height->setText(QStringLiteral("99999"));
        QTest::keyClick(height, Qt::Key_Up);
        QCOMPARE(height->text(), QStringLiteral("100000"));
        QTest::keyClick(height, Qt::Key_Backspace);
        QCOMPARE(height->text(), QStringLiteral("10000"));
    }

    // --- The "GIF" group ---

    void gifGroupOpensUnsetWithTheShippedPresets()
    {
        auto dialog = OpenDialog();
        QCOMPARE(Text(*dialog, "gifQuality"), QStringLiteral("Default"));
        QComboBox* limit = Combo(*dialog, "sizeLimit");
        QVERIFY(limit->isEditable());
        QCOMPARE(Items(limit),
            (QStringList { "None", "Chat (10 MB)", "Issue tracker (5 MB)", "Forum post (2 MB)",
                "Emote (256 kB)" }));
        QCOMPARE(limit->currentText(), QStringLiteral("None"));
        QComboBox* fit = Combo(*dialog, "fitBy");
        QVERIFY(!fit->isEditable());
        QCOMPARE(Items(fit), (QStringList { "Fail", "Lower frame rate and size" }));
        QCOMPARE(fit->currentIndex(), 0);
        // The group stands below the first, which keeps its place.
        const QWidget* gif = dialog->findChild<QWidget*>(QStringLiteral("gifGroup"));
        QVERIFY(gif);
        QVERIFY(gif->geometry().top() > Edit(*dialog, "frameRate")->geometry().bottom());
        QVERIFY(Button(*dialog, "ok")->geometry().top() > gif->geometry().bottom());
    }

    // What the group's controls store, and what the next opening shows of it.
    void gifGroupStoresItsValuesAndShowsThemAgain()
    {
        const struct
        {
            const char* quality;
            int preset; // index in the list, or -1 to type `typed`
            const char* typed;
            int fit;
            const char* storedQuality;
            const char* storedSize;
            const char* storedFit;
            const char* shownQuality;
            const char* shownSize;
        } cases[] = {
            // Keys left unset are not added to a file that lacks them ("ERROR": missing).
            { "34", 1, "", 1, "34", "10M", "frames", "34", "Chat (10 MB)" },
            { "Default", 4, "", 0, "ERROR", "256k", "ERROR", "Default", "Emote (256 kB)" },
            { "150", -1, "2.5 MB", 0, "ERROR", "2500k", "ERROR", "Default", "2.5 MB" },
            { "1", -1, "5m", 1, "1", "5M", "frames", "1", "Issue tracker (5 MB)" },
            { "x", -1, "lots", 0, "ERROR", "None", "ERROR", "Default", "None" },
            { "100", 0, "", 1, "100", "None", "frames", "100", "None" },
        };
        for (const auto& c : cases) {
            qInfo("case: quality %s, preset %d, typed %s", c.quality, c.preset, c.typed);
            WriteSettings("[TellurvaneInfo]\nStart=0\nMaxSize=1M\n");
            {
                auto dialog = OpenDialog();
                QCOMPARE(Combo(*dialog, "sizeLimit")->currentText(), QStringLiteral("1 MB"));
                Edit(*dialog, "gifQuality")->setText(QString::fromLatin1(c.quality));
                QComboBox* limit = Combo(*dialog, "sizeLimit");
                if (c.preset >= 0) {
                    limit->setCurrentIndex(c.preset);
                } else {
                    limit->lineEdit()->selectAll();
                    QTest::keyClicks(limit->lineEdit(), QString::fromLatin1(c.typed));
                }
                Combo(*dialog, "fitBy")->setCurrentIndex(c.fit);
                Click(*dialog, "ok");
                QCOMPARE(dialog->result(), int(QDialog::Accepted));
            }
            const ConversionSettings stored = LoadSettings();
            QCOMPARE(stored.GifQuality, std::string(c.storedQuality));
            QCOMPARE(stored.MaxSize, std::string(c.storedSize));
            QCOMPARE(stored.FitBy, std::string(c.storedFit));
            QCOMPARE(stored.Start, std::string("0"));
            auto again = OpenDialog();
            QCOMPARE(Text(*again, "gifQuality"), QString::fromLatin1(c.shownQuality));
            QCOMPARE(Combo(*again, "sizeLimit")->currentText(), QString::fromLatin1(c.shownSize));
            QCOMPARE(Combo(*again, "fitBy")->currentIndex(), c.fit);
        }
    }

    void gifGroupResetsAndCancelStoresNothing()
    {
        const QByteArray before = "[TellurvaneInfo]\nGifQuality=20\nMaxSize=2M\nFitBy=frames\n";
        WriteSettings(before);
        auto dialog = OpenDialog();
        QCOMPARE(Text(*dialog, "gifQuality"), QStringLiteral("20"));
        QCOMPARE(Combo(*dialog, "sizeLimit")->currentText(), QStringLiteral("Forum post (2 MB)"));
        QCOMPARE(Combo(*dialog, "fitBy")->currentIndex(), 1);
        // Its arrows step as the other fields' do.
        Click(*dialog, "gifQualityUp");
        QCOMPARE(Text(*dialog, "gifQuality"), QStringLiteral("21"));
        Click(*dialog, "reset");
        QCOMPARE(Text(*dialog, "gifQuality"), QStringLiteral("Default"));
        QCOMPARE(Combo(*dialog, "sizeLimit")->currentText(), QStringLiteral("None"));
        QCOMPARE(Combo(*dialog, "sizeLimit")->count(), 5);
        QCOMPARE(Combo(*dialog, "fitBy")->currentIndex(), 0);
        Click(*dialog, "cancel");
        QCOMPARE(ReadSettings(), before);
    }

    // The presets are the file's own: edited by hand, damaged lines left out.
    void gifGroupListsTheFilesPresets()
    {
        WriteSettings("[TellurvaneInfo]\nMaxSize=25M\n[SizeLimits]\nMessenger=25M\nbroken line\n"
                      "Emoji=64k\nNothing=0\nMessenger=8M\n");
        auto dialog = OpenDialog();
        QCOMPARE(Items(Combo(*dialog, "sizeLimit")),
            (QStringList { "None", "Messenger (25 MB)", "Emoji (64 kB)" }));
        QCOMPARE(Combo(*dialog, "sizeLimit")->currentText(), QStringLiteral("Messenger (25 MB)"));

        WriteSettings("[TellurvaneInfo]\nMaxSize=3.3M\n[SizeLimits]\n");
        auto bare = OpenDialog();
        QCOMPARE(Items(Combo(*bare, "sizeLimit")), QStringList { "None" });
        QCOMPARE(Combo(*bare, "sizeLimit")->currentText(), QStringLiteral("3.3 MB"));
        Click(*bare, "ok");
        QCOMPARE(LoadSettings().MaxSize, std::string("3300k"));
    }

    void tabOrder()
    {
        auto dialog = OpenDialog();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        Edit(*dialog, "start")->setFocus();
        QStringList order;
        for (int i = 0; i < 15; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            // An editable list has its text part focused.
            if (!focus->objectName().size() && focus->parentWidget())
                focus = focus->parentWidget();
            order << focus->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order,
            (QStringList { "start", "end", "width", "height", "quality", "interval", "frameRate",
                "ok", "cancel", "reset", "format", "replay", "gifQuality", "sizeLimit",
                "fitBy" }));
        QCOMPARE(QApplication::focusWidget(), Edit(*dialog, "start"));

        // Shift+Tab walks the same controls backwards, leaving none out.
        QStringList back;
        for (int i = 0; i < 15; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            if (!focus->objectName().size() && focus->parentWidget())
                focus = focus->parentWidget();
            back.prepend(focus->objectName());
        }
        QCOMPARE(back, order);
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
