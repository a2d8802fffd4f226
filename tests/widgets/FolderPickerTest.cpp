#include "widgets/CRichMessageBoxDialog.h"
#include "widgets/CStatusFolderPicker.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <optional>

namespace {

// Runs `action` on the picker once it is open; a picker the action leaves open
// is cancelled after a while, so a fault fails the test instead of hanging it.
bool BrowseWith(CFolderPicker& picker, const std::function<void()>& action)
{
    QTimer::singleShot(0, &picker, action);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &picker, [&picker] {
        if (picker.isVisible()) {
            qWarning("the picker was left open");
            picker.reject();
        }
    });
    guard.start(20000);
    return picker.Browse();
}

void PressOk(CFolderPicker& picker)
{
    picker.findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok)->click();
}

// Records the hooks' calls.
class RecordingPicker : public CFolderPicker
{
public:
    RecordingPicker(QWidget* owner, QString root, QString prompt)
        : CFolderPicker(owner, std::move(root), std::move(prompt))
    { }
    QStringList calls;

protected:
    void OnInitialized() override { calls << "init"; }
    void OnSelectionChanged(const QString& path) override { calls << "select " + path; }
};

} // namespace

class FolderPickerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_home = m_dir.filePath("home");
        m_out = m_dir.filePath("home/out");
        QVERIFY(QDir().mkpath(m_out));
        QVERIFY(QDir().mkpath(m_dir.filePath("home/other/deeper")));
        qputenv("HOME", m_home.toLocal8Bit());
    }

    void opensAtTheInitialFolderAndChoosesIt()
    {
        CStatusFolderPicker picker(nullptr, QString(), "Please select a folder:");
        picker.SetFlags(0x55);
        picker.SetInitialFolder(m_out);
        QString selected, status, prompt;
        bool setterIgnored = false;
        const bool chosen = BrowseWith(picker, [&] {
            selected = picker.SelectedPath();
            status = picker.StatusText();
            prompt = picker.findChild<QLabel*>("prompt")->text();
            picker.SetPrompt("changed while open");
            setterIgnored = picker.findChild<QLabel*>("prompt")->text() == prompt;
            PressOk(picker);
        });
        QVERIFY(chosen);
        QCOMPARE(selected, m_out);
        QCOMPARE(status, m_out);
        QCOMPARE(prompt, QString("Please select a folder:"));
        QCOMPARE(picker.ChosenPath(), m_out);
        QVERIFY(!picker.IsOpen());
        QVERIFY(setterIgnored);

        // The prompt set while open was ignored; the setter works again once the chooser closed.
        const auto promptOfNextRun = [&picker] {
            QString shown;
            BrowseWith(picker, [&] {
                shown = picker.findChild<QLabel*>("prompt")->text();
                picker.reject();
            });
            return shown;
        };
        QCOMPARE(promptOfNextRun(), QString("Please select a folder:"));
        picker.SetPrompt("again");
        QCOMPARE(promptOfNextRun(), QString("again"));
        QCOMPARE(picker.ChosenPath(), m_out); // the cancelled runs keep the chosen path
    }

    void aMissingInitialFolderShowsInTheStatusUntilTheSelectionMoves()
    {
        const QString missing = m_dir.filePath("home/not-there");
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        picker.SetFlags(0x55);
        picker.SetInitialFolder(missing);
        QString selected, statusBefore, statusAfter;
        const bool chosen = BrowseWith(picker, [&] {
            selected = picker.SelectedPath();
            statusBefore = picker.StatusText();
            picker.SetSelection(m_dir.filePath("home/other"));
            statusAfter = picker.StatusText();
            PressOk(picker);
        });
        QVERIFY(chosen);
        QCOMPARE(selected, m_home); // the default selection
        QCOMPARE(statusBefore, missing);
        QCOMPARE(statusAfter, m_dir.filePath("home/other"));
        QCOMPARE(picker.ChosenPath(), m_dir.filePath("home/other"));
    }

    void anEmptyInitialFolderOpensAtTheDefault()
    {
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        picker.SetFlags(0x55);
        QString selected, status;
        BrowseWith(picker, [&] {
            selected = picker.SelectedPath();
            status = picker.StatusText();
            picker.reject();
        });
        QCOMPARE(selected, m_home);
        QCOMPARE(status, m_home);
    }

    void cancelKeepsAnEarlierChoice()
    {
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        picker.SetFlags(0x55);
        picker.SetInitialFolder(m_out);
        QVERIFY(BrowseWith(picker, [&] { PressOk(picker); }));
        picker.SetInitialFolder(m_home);
        QVERIFY(!BrowseWith(picker, [&] { picker.reject(); }));
        QCOMPARE(picker.ChosenPath(), m_out);
    }

    void theEditBoxChoosesAnExistingFolderOnly()
    {
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        picker.SetFlags(0x55);
        picker.SetInitialFolder(m_home);
        bool stayedOpen = false;
        const bool chosen = BrowseWith(picker, [&] {
            auto* edit = picker.findChild<QLineEdit*>("edit");
            QCOMPARE(edit->text(), m_home);
            edit->setText("no-such-folder");
            CRichMessageBoxDialog::SetNextAnswer(7); // No to making it
            PressOk(picker);
            stayedOpen = picker.isVisible();
            edit->setText("other/deeper"); // relative to the selected folder
            PressOk(picker);
        });
        QVERIFY(stayedOpen);
        QVERIFY(chosen);
        QCOMPARE(picker.ChosenPath(), m_dir.filePath("home/other/deeper"));
        QVERIFY(!QFileInfo::exists(m_dir.filePath("home/no-such-folder")));
    }

    void theFlagsShowTheStatusLineAndTheEditBox()
    {
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        picker.SetFlags(0x01);
        bool statusShown = true, editShown = true;
        BrowseWith(picker, [&] {
            statusShown = picker.findChild<QLabel*>("status")->isVisible();
            editShown = picker.findChild<QLineEdit*>("edit")->isVisible();
            picker.reject();
        });
        QVERIFY(!statusShown);
        QVERIFY(!editShown);
    }

    void theHooksSeeTheOpeningAndEverySelection()
    {
        RecordingPicker picker(nullptr, m_home, "Pick");
        BrowseWith(picker, [&] {
            picker.SetSelection(m_out);
            picker.SetSelection(m_dir.filePath("home/missing")); // ignored
            picker.reject();
        });
        QCOMPARE(picker.calls, QStringList({ "select " + m_home, "init", "select " + m_out }));
        // Outside Browse the chooser is closed: nothing reaches the hooks.
        picker.calls.clear();
        picker.SetSelection(m_out);
        QVERIFY(picker.calls.isEmpty());
    }

    // A folder typed in the edit box that does not exist yet is offered to be
    // made, in one question; Yes makes it (with the folders above it) and
    // chooses it. A file of that name is no folder: nothing is offered.
    void aMissingFolderIsOfferedToBeMade()
    {
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        picker.SetFlags(0x55);
        picker.SetInitialFolder(m_home);
        QFile(m_dir.filePath("home/a-file")).open(QIODevice::WriteOnly);
        bool stayedOnFile = false;
        std::optional<int> unasked;
        const bool chosen = BrowseWith(picker, [&] {
            auto* edit = picker.findChild<QLineEdit*>("edit");
            edit->setText("a-file");
            CRichMessageBoxDialog::SetNextAnswer(6);
            PressOk(picker);
            stayedOnFile = picker.isVisible();
            unasked = CRichMessageBoxDialog::TakeNextAnswer();
            edit->setText("made/for gifs");
            CRichMessageBoxDialog::SetNextAnswer(6); // Yes
            PressOk(picker);
        });
        QVERIFY(stayedOnFile);
        QCOMPARE(unasked, std::optional<int>(6)); // the file raised no question
        QVERIFY(chosen);
        const QString made = m_dir.filePath("home/made/for gifs");
        const MessageBoxRequest asked = CRichMessageBoxDialog::LastAnsweredRequest();
        QCOMPARE(asked.text, "The folder " + made + " does not exist. Create it?");
        QCOMPARE(asked.style & 0xF, std::uint32_t(4)); // Yes and No
        QVERIFY(QFileInfo(made).isDir());
        QCOMPARE(picker.ChosenPath(), made);
    }

    // New Folder asks for a name (offering one not yet taken), makes the folder
    // in the selected one and selects it; a name that is no single folder's
    // makes nothing.
    // The New Folder button is reached from the keyboard like the other controls.
    void tabReachesNewFolder()
    {
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        QStringList reached;
        BrowseWith(picker, [&] {
            QApplication::setActiveWindow(&picker);
            for (int i = 0; i < 12; ++i) {
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &picker,
                    Qt::Key_Tab);
                if (QWidget* w = QApplication::focusWidget())
                    reached << w->objectName();
            }
            picker.reject();
        });
        QVERIFY2(reached.contains("newFolder"), qPrintable(reached.join(',')));
    }

    void newFolderMakesANamedFolder()
    {
        const QString parent = m_dir.filePath("home/fresh");
        QVERIFY(QDir().mkpath(parent));
        CStatusFolderPicker picker(nullptr, QString(), "Pick");
        picker.SetFlags(0x55);
        picker.SetInitialFolder(parent);
        QStringList offered;
        QString afterFirst;
        // Answers the name question with `name` (the offer when empty).
        const auto newFolder = [&](const QString& name) {
            QTimer::singleShot(0, &picker, [&offered, name] {
                auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                if (!ask)
                    return;
                offered << ask->textValue();
                if (!name.isEmpty())
                    ask->setTextValue(name);
                ask->accept();
            });
            picker.findChild<QPushButton*>("newFolder")->click();
        };
        const bool chosen = BrowseWith(picker, [&] {
            newFolder(QString());
            afterFirst = picker.SelectedPath();
            picker.SetSelection(parent);
            newFolder("../escape");
            newFolder("clips");
            PressOk(picker);
        });
        QCOMPARE(offered, QStringList({ "New Folder", "New Folder (2)", "New Folder (2)" }));
        QCOMPARE(afterFirst, parent + "/New Folder");
        QVERIFY(QFileInfo(parent + "/New Folder").isDir());
        QVERIFY(!QFileInfo::exists(m_dir.filePath("home/escape")));
        QVERIFY(chosen);
        QCOMPARE(picker.ChosenPath(), parent + "/clips");
        QVERIFY(QFileInfo(parent + "/clips").isDir());
    }

private:
    QTemporaryDir m_dir;
    QString m_home, m_out;
};

QTEST_MAIN(FolderPickerTest)
#include "FolderPickerTest.moc"
