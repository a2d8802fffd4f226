#include "MainDialogFixture.h"
#include "platform/ProfileFile.h"
#include "platform/UserProfiles.h"
#include "tests/support/FindChild.h"
#include "ui/CFileListView.h"
#include "ui/FileListRules.h"
#include "widgets/CRichMessageBoxDialog.h"
#include "widgets/DialogUnits.h"

#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <QtTest>
#include <algorithm>

using test_widgets::Find;

namespace {

struct States
{
    bool remove, preview, removeAll, convert;
    bool operator==(const States&) const = default;
};

States StatesOf(const CMainDialog& d)
{
    return { Find<QPushButton>(d, "remove")->isEnabled(),
        Find<QPushButton>(d, "preview")->isEnabled(),
        Find<QPushButton>(d, "removeAll")->isEnabled(),
        Find<QPushButton>(d, "convert")->isEnabled() };
}

char* toString(const States& s)
{
    return qstrdup(QString("remove %1 preview %2 removeAll %3 convert %4")
                       .arg(s.remove)
                       .arg(s.preview)
                       .arg(s.removeAll)
                       .arg(s.convert)
                       .toLatin1()
                       .constData());
}

QStringList SelectedPaths(const CMainDialog& d)
{
    QStringList paths;
    for (int row = 0; row < d.FileList()->rowCount(); ++row)
        if (d.FileList()->IsRowSelected(row))
            paths << d.FileList()->RowPath(row);
    return paths;
}

void ClickRow(CMainDialog& d, int row)
{
    CFileListView* list = d.FileList();
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCoreApplication::processEvents(); // the queued state update
}

} // namespace

class MainDialogTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainDialogFixture> f;
    CMainDialog& d() { return *f->dialog; }

    // Adds `n` files named 0.mp4, 1.mp4, ...
    QStringList AddFiles(int n)
    {
        QStringList paths;
        for (int i = 0; i < n; ++i) {
            paths << f->MakeFile(QString("%1.mp4").arg(i));
            d().AddPathIfExists(paths.back());
        }
        return paths;
    }

private slots:
    void init()
    {
        f = std::make_unique<MainDialogFixture>();
        d().show();
        QVERIFY(QTest::qWaitForWindowExposed(&d()));
    }
    void cleanup() { f.reset(); }

    void startsIdleWithOnlyTheAlwaysEnabledButtons()
    {
        QCOMPARE(StatesOf(d()), (States { false, false, false, false }));
        QVERIFY(Find<QPushButton>(d(), "add")->isEnabled());
        QVERIFY(Find<QPushButton>(d(), "options")->isEnabled());
        QVERIFY(Find<QPushButton>(d(), "about")->isEnabled());
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 0);
        QCOMPARE(Find<QProgressBar>(d(), "progress")->maximum(), 100);
        QVERIFY(Find<QLabel>(d(), "status")->text().isEmpty());
    }

    void theControlsSitAtTheirDialogUnits()
    {
        const DialogUnits du = DialogUnits::FromFont(d().font());
        QCOMPARE(d().size(), QSize(du.X(434), du.Y(281)));
        QCOMPARE(d().FileList()->geometry(), du.Map(93, 44, 334, 180));
        QCOMPARE(Find<QPushButton>(d(), "convert")->geometry(), du.Map(222, 231, 77, 24));
        QCOMPARE(Find<QLabel>(d(), "status")->geometry(), du.Map(13, 244, 90, 8));
        QCOMPARE(Find<QProgressBar>(d(), "progress")->geometry(), du.Map(7, 261, 420, 14));
        const ColumnWidths w = ColumnWidthsFor(d().FileList()->width());
        QCOMPARE(d().FileList()->columnWidth(0), w.File);
        QCOMPARE(d().FileList()->columnWidth(2), w.Information);
        QCOMPARE(d().FileList()->horizontalHeaderItem(1)->text(), QString("File Size"));
    }

    void theBackgroundIsStretchedWithoutBlending()
    {
        QCOMPARE(d().Background().size(), d().size());
        QImage twoColours(2, 1, QImage::Format_RGB32);
        twoColours.setPixel(0, 0, qRgb(0, 0, 0));
        twoColours.setPixel(1, 0, qRgb(255, 255, 255));
        const QImage wide = CMainDialog::StretchBackground(twoColours, QSize(7, 3));
        QCOMPARE(wide.size(), QSize(7, 3));
        for (int x = 0; x < 7; ++x) {
            const QRgb p = wide.pixel(x, 1);
            QVERIFY2(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255), "a blended pixel");
        }
    }

    void enabledStatesFollowAddsRemovalsAndClicks()
    {
        AddFiles(2);
        QCOMPARE(StatesOf(d()), (States { false, false, true, true }));
        ClickRow(d(), 1);
        QCOMPARE(SelectedPaths(d()), QStringList({ f->Folder("1.mp4") }));
        QCOMPARE(StatesOf(d()), (States { true, true, true, true }));
        Find<QPushButton>(d(), "remove")->click();
        QCOMPARE(d().FileList()->rowCount(), 1);
        // Row 0 is selected now, and the buttons say so.
        QCOMPARE(StatesOf(d()), (States { true, true, true, true }));
        Find<QPushButton>(d(), "removeAll")->click();
        QCOMPARE(StatesOf(d()), (States { false, false, false, false }));
        // A click on the empty list also brings the states up to date.
        AddFiles(1);
        ClickRow(d(), 0);
        d().FileList()->clearSelection();
        QTest::mouseClick(d().FileList()->viewport(), Qt::LeftButton, {},
            QPoint(5, d().FileList()->viewport()->height() - 5));
        QCoreApplication::processEvents();
        QCOMPARE(StatesOf(d()), (States { false, false, true, true }));
    }

    // The buttons follow the selection whatever changed it, at once (no queued
    // update to wait for).
    void buttonsFollowTheSelectionHoweverItChanges()
    {
        AddFiles(3);
        CFileListView* list = d().FileList();
        const States none { false, false, true, true };
        const States some { true, true, true, true };
        QCOMPARE(StatesOf(d()), none);

        // Arrow keys.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(SelectedPaths(d()).size(), 1);
        QCOMPARE(StatesOf(d()), some);

        // A right-click on a row selects it; the menu it opens is closed unanswered.
        list->clearSelection();
        QCOMPARE(StatesOf(d()), none);
        QTimer::singleShot(0, [] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        const QRect rect = list->visualRect(list->model()->index(2, 0));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, rect.center());
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCOMPARE(SelectedPaths(d()), QStringList({ f->Folder("2.mp4") }));
        QCOMPARE(StatesOf(d()), some);

        // The conversion's selecting of the row it works on.
        list->clearSelection();
        d().FileStarted(1);
        QCOMPARE(StatesOf(d()), some);
    }

    void keysAimedAtTheList_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<int>("currentAfter"); // -2: further than row 5
        QTest::addColumn<int>("fileDialogs");
        QTest::newRow("Down") << int(Qt::Key_Down) << 40 << 6 << 0;
        QTest::newRow("Up") << int(Qt::Key_Up) << 40 << 4 << 0;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 40 << -2 << 0;
        QTest::newRow("Home") << int(Qt::Key_Home) << 40 << 5 << 0;
        QTest::newRow("End") << int(Qt::Key_End) << 40 << 5 << 0;
        QTest::newRow("Enter") << int(Qt::Key_Return) << 40 << 5 << 0;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 40 << 5 << 0;
        QTest::newRow("letter") << int(Qt::Key_A) << 40 << 5 << 0;
        QTest::newRow("Insert") << int(Qt::Key_Insert) << 40 << 5 << 1;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << 39 << 5 << 0;
    }
    void keysAimedAtTheList()
    {
        QFETCH(int, key);
        QFETCH(int, rowsAfter);
        QFETCH(int, currentAfter);
        QFETCH(int, fileDialogs);
        AddFiles(40);
        CFileListView* list = d().FileList();
        list->setFocus();
        list->selectRow(5);
        QTest::keyClick(list, Qt::Key(key));
        QCOMPARE(list->rowCount(), rowsAfter);
        if (currentAfter == -2)
            QVERIFY(list->currentIndex().row() > 6);
        else
            QCOMPARE(list->currentIndex().row(), currentAfter);
        QCOMPARE(f->fileQuestions.size(), fileDialogs);
        QVERIFY(d().isVisible());
        QVERIFY(list->hasFocus());
    }

    // Tab and Shift+Tab leave the list and walk every enabled control in the
    // template's order, round the window and back; the list's rows stay as they were.
    void tabWalksEveryControlInTheTemplatesOrder()
    {
        AddFiles(3);
        ClickRow(d(), 1);
        d().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d()));
        Find<QPushButton>(d(), "convert")->setFocus();
        const auto walk = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QStringList order;
            for (int i = 0; i < 9; ++i) {
                QWidget* focus = QApplication::focusWidget();
                if (!focus)
                    return order << "(none)";
                order << focus->objectName();
                QTest::keyClick(focus, key, modifiers);
            }
            return order;
        };
        const QStringList forward = { "convert", "about", "options", "preview", "fileList", "add",
            "remove", "removeAll", "convert" };
        QCOMPARE(walk(Qt::Key_Tab, Qt::NoModifier), forward);
        QStringList backward = forward;
        std::reverse(backward.begin(), backward.end());
        Find<QPushButton>(d(), "convert")->setFocus();
        QCOMPARE(walk(Qt::Key_Backtab, Qt::ShiftModifier), backward);
        QCOMPARE(SelectedPaths(d()), QStringList({ f->Folder("1.mp4") }));
        QCOMPARE(d().FileList()->currentIndex().row(), 1);

        // Tab with Shift held goes back from the list to Preview Video.
        d().FileList()->setFocus();
        QTest::keyClick(d().FileList(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("preview"));
        // Ctrl+Tab is no focus key: it stays with the list, like other keys.
        d().FileList()->setFocus();
        QTest::keyClick(d().FileList(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(d().FileList()->hasFocus());
    }

    void enterAndEscapeDoNothingElsewhere()
    {
        AddFiles(1);
        f->folderAnswer = f->Folder();
        for (QWidget* target : { static_cast<QWidget*>(Find<QPushButton>(d(), "convert")),
                 static_cast<QWidget*>(Find<QPushButton>(d(), "add")),
                 static_cast<QWidget*>(&d()) }) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
            QTest::keyClick(target, Qt::Key_Escape);
        }
        QVERIFY(d().isVisible());
        QVERIFY(f->folderQuestions.isEmpty()); // Convert was not pressed
        QVERIFY(f->fileQuestions.isEmpty()); // nor Add
    }

    void deleteWithNothingSelectedFocusesTheFirstRow()
    {
        AddFiles(3);
        d().FileList()->setFocus();
        d().FileList()->clearSelection();
        QTest::keyClick(d().FileList(), Qt::Key_Delete);
        QCOMPARE(d().FileList()->rowCount(), 3);
        QCOMPARE(SelectedPaths(d()), QStringList({ f->Folder("0.mp4") }));
        QCOMPARE(d().FileList()->currentIndex().row(), 0);
    }

    void removalSelectsTheRowThatTookThePlace()
    {
        const QStringList paths = AddFiles(5);
        CFileListView* list = d().FileList();
        list->SelectAndFocusRow(2);
        list->SelectAndFocusRow(3);
        d().RemoveSelected();
        QCOMPARE(list->rowCount(), 3);
        QCOMPARE(SelectedPaths(d()), QStringList({ paths[4] }));
        QCOMPARE(list->currentIndex().row(), 2);

        list->clearSelection();
        list->SelectAndFocusRow(2);
        d().RemoveSelected();
        QCOMPARE(SelectedPaths(d()), QStringList({ paths[1] })); // the new last row
    }

    void convertWithAnEmptyListAsksNothing()
    {
        d().OnConvertClicked();
        QVERIFY(f->folderQuestions.isEmpty());
        QCOMPARE(Find<QPushButton>(d(), "convert")->text(), QString("Convert"));
    }

    void rowsShowTheirSizes()
    {
        d().AddPathIfExists(f->MakeFile("small.mp4", 999));
        d().AddPathIfExists(f->MakeFile("large.mp4", 1999));
        QDir().mkpath(f->Folder("folder"));
        d().AddPathIfExists(f->Folder("folder"));
        d().AddPathIfExists(f->Folder("missing.mp4"));
        d().AddPathIfExists(QString());
        CFileListView* list = d().FileList();
        QCOMPARE(list->rowCount(), 3);
        QCOMPARE(list->RowText(0, 1), QString("    0 KB"));
        QCOMPARE(list->RowText(1, 1), QString("    1 KB"));
        QCOMPARE(list->RowText(2, 1), QString("    0 KB"));
        QVERIFY(list->RowText(0, 2).isEmpty());
        QVERIFY(f->rowsAdded.isEmpty()); // no media information for these
    }

    void theFileDialogAddsInItsOrderAndRemembersTheFolder()
    {
        const QStringList chosen
            = { f->MakeFile("in/c.mp4"), f->MakeFile("in/a.mkv"), f->MakeFile("in/b.avi") };
        WriteProfileString(SharedUserProfilePath(), "Parameter", "InputDir", "/start/here/");
        f->fileAnswer = chosen;
        Find<QPushButton>(d(), "add")->click();
        QCOMPARE(f->fileQuestions, QStringList({ "/start/here/" }));
        QCOMPARE(f->fileFilters, VideoFileDialogFilters());
        QCOMPARE(d().FileList()->rowCount(), 3);
        for (int row = 0; row < 3; ++row)
            QCOMPARE(d().FileList()->RowPath(row), chosen[row]);
        QCOMPARE(
            f->rowsAdded, QStringList({ "0 " + chosen[0], "1 " + chosen[1], "2 " + chosen[2] }));
        // Several files: the folder without a trailing separator.
        QCOMPARE(ReadProfileString(SharedUserProfilePath(), "Parameter", "InputDir", "", 4096),
            f->Folder("in").toStdString());
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 0);
        QVERIFY(Find<QPushButton>(d(), "removeAll")->isEnabled());

        // One file: its folder with the separator, and the next dialog starts there.
        const QString single = f->MakeFile("one/d.mp4");
        f->fileAnswer = { single };
        d().AddCommand();
        QCOMPARE(f->fileQuestions.last(), f->Folder("in"));
        QCOMPARE(d().FileList()->rowCount(), 4);
        QCOMPARE(ReadProfileString(SharedUserProfilePath(), "Parameter", "InputDir", "", 4096),
            (f->Folder("one") + "/").toStdString());

        // Cancelled: nothing added, the folder kept.
        f->fileAnswer.clear();
        d().AddCommand();
        QCOMPARE(f->fileQuestions.last(), f->Folder("one") + "/");
        QCOMPARE(d().FileList()->rowCount(), 4);
        QCOMPARE(ReadProfileString(SharedUserProfilePath(), "Parameter", "InputDir", "", 4096),
            (f->Folder("one") + "/").toStdString());
    }

    void droppedFilesPassTheFilter()
    {
        const QString video = f->MakeFile("drop/CLIP.AVI");
        const QString text = f->MakeFile("drop/notes.txt");
        const QString bare = f->MakeFile("drop/noext");
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(video), QUrl::fromLocalFile(text),
            QUrl::fromLocalFile(bare), QUrl("http://example.org/a.avi") });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&d(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&d(), &drop);
        QCOMPARE(d().FileList()->rowCount(), 2);
        QCOMPARE(d().FileList()->RowPath(0), video);
        QCOMPARE(d().FileList()->RowPath(1), bare);
        QCOMPARE(f->rowsAdded, QStringList({ "0 " + video, "1 " + bare }));
    }

    void theContextMenuFollowsTheList()
    {
        auto enabled = [this] {
            QStringList on;
            const std::unique_ptr<QMenu> menu = d().BuildContextMenu();
            for (QAction* a : menu->actions())
                if (a->isEnabled())
                    on << a->text();
            return on;
        };
        QCOMPARE(enabled(), QStringList({ "&Add files" }));
        const QStringList paths = AddFiles(3);
        QCOMPARE(enabled(), QStringList({ "&Add files", "Remove &All" }));
        d().FileList()->SelectAndFocusRow(2);
        d().FileList()->SelectAndFocusRow(0);
        QCOMPARE(enabled(), QStringList({ "&Add files", "&Remove", "Remove &All", "&View file" }));

        d().RunContextCommand(4); // View file: ascending order
        QCOMPARE(f->opened, QStringList({ paths[0], paths[2] }));
        d().RunContextCommand(2);
        QCOMPARE(d().FileList()->rowCount(), 1);
        d().RunContextCommand(1);
        QCOMPARE(f->fileQuestions.size(), 1);
        d().RunContextCommand(3);
        QCOMPARE(d().FileList()->rowCount(), 0);
    }

    void doubleClickOpensTheRow()
    {
        const QStringList paths = AddFiles(2);
        CFileListView* list = d().FileList();
        const QRect rect = list->visualRect(list->model()->index(1, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(f->opened, QStringList({ paths[1] }));
        // Below the last row: nothing.
        const QPoint below(5, list->viewport()->height() - 3);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(f->opened.size(), 1);
    }

    // Where the desktop would open a row's file with this very program (no other
    // player claims the type), the file is shown in its folder instead, from the
    // double-click and from "&View file"; other files open as before.
    void aFileThatWouldOpenWithUsIsShownInItsFolder()
    {
        const QStringList paths = AddFiles(2);
        CFileListView* list = d().FileList();
        const QRect rect = list->visualRect(list->model()->index(1, 0));
        f->handlerAnswer = "net.tellurvane.Sablewick.desktop";
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(f->opened.isEmpty());
        QCOMPARE(f->shownInFolder, QStringList({ paths[1] }));
        d().RunContextCommand(4);
        QVERIFY(f->opened.isEmpty());
        QCOMPARE(f->shownInFolder, QStringList({ paths[1], paths[1] }));
        QCOMPARE(list->rowCount(), 2);

        f->handlerAnswer = "vlc.desktop";
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(f->opened, QStringList({ paths[1] }));
        f->handlerAnswer.clear(); // unknown: the desktop decides
        d().RunContextCommand(4);
        QCOMPARE(f->opened, QStringList({ paths[1], paths[1] }));
        QCOMPARE(f->shownInFolder.size(), 2);
    }

    // A file already in the list, however it comes again (dialog, drop, command
    // line, another program, under another name of the same file), selects its
    // row instead of adding a copy.
    void aFileComesIntoTheListOnce()
    {
        const QStringList paths = AddFiles(3);
        CFileListView* list = d().FileList();
        const QString link = f->Folder("link.mp4");
        QVERIFY(QFile::link(paths[2], link));
        const QString fresh = f->MakeFile("fresh.mp4");

        f->fileAnswer = { paths[1], fresh };
        d().AddCommand();
        QCOMPARE(list->rowCount(), 4);
        QCOMPARE(list->RowPath(3), fresh);
        QCOMPARE(f->rowsAdded, QStringList({ "3 " + fresh }));
        QVERIFY(list->IsRowSelected(1));

        list->clearSelection();
        d().DropNames({ paths[0], link });
        d().AddPathIfExists(paths[0]);
        d().OnAddFileMessage(fresh);
        QCOMPARE(list->rowCount(), 4);
        QCOMPARE(SelectedPaths(d()), QStringList({ paths[0], paths[2], fresh }));
        QCOMPARE(f->rowsAdded.size(), 1);
        QVERIFY(Find<QPushButton>(d(), "remove")->isEnabled());
    }

    void f1OpensTheHomePage()
    {
        d().SetHomepage("https://example.org/home");
        d().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d()));
        QTest::keyClick(&d(), Qt::Key_F1);
        QCOMPARE(f->opened, QStringList({ "https://example.org/home" }));
        AddFiles(1);
        d().FileList()->setFocus();
        QTest::keyClick(d().FileList(), Qt::Key_F1);
        QCOMPARE(f->opened.size(), 2);
    }

    void statusAndAddMessagesKeepTheirContract()
    {
        d().OnStatusTextMessage(40, "Working on it");
        QCOMPARE(Find<QLabel>(d(), "status")->text(), QString("Working on it"));
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 40);
        d().OnStatusTextMessage(70, QString()); // no text: nothing
        QCOMPARE(Find<QLabel>(d(), "status")->text(), QString("Working on it"));
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 40);
        d().OnStatusTextMessage(250, QString(400, 'x'));
        QCOMPARE(Find<QLabel>(d(), "status")->text().size(), 299);
        QCOMPARE(Find<QProgressBar>(d(), "progress")->value(), 100);

        const QString file = f->MakeFile("message.mp4", 5000);
        d().OnAddFileMessage(file);
        d().OnAddFileMessage(f->Folder("nothing-here.mp4"));
        d().OnAddFileMessage(QString());
        QCOMPARE(d().FileList()->rowCount(), 1);
        QCOMPARE(d().FileList()->RowText(0, 1), QString("    5 KB"));
        // Files from other programs (Open With) get their media information.
        QCOMPARE(f->rowsAdded, QStringList({ "0 " + file }));
        QVERIFY(Find<QPushButton>(d(), "removeAll")->isEnabled());
    }

    void fileStartedSelectsOnlyThatRow()
    {
        const QStringList paths = AddFiles(4);
        d().FileList()->SelectAndFocusRow(0);
        d().FileList()->SelectAndFocusRow(3);
        d().FileStarted(2);
        QCOMPARE(SelectedPaths(d()), QStringList({ paths[2] }));
        QCOMPARE(d().FileList()->currentIndex().row(), 2);
        d().FileStarted(4); // beyond the rows: ignored
        d().FileStarted(-1);
        QCOMPARE(SelectedPaths(d()), QStringList({ paths[2] }));
    }

    // The Information column is narrow: every cell of a row has a tooltip with the
    // whole path, the whole media information and, after a conversion, the
    // result with its reason, which the column (holding only the result) leaves out.
    void theRowsTooltipTellsTheWholeStory()
    {
        const QString path = f->MakeFile(QString("%1/<b>clip.mp4").arg(QString(120, 'n')));
        d().AddPathIfExists(path);
        CFileListView* list = d().FileList();
        const auto tip = [list](int column) {
            const QString html = list->item(0, column)->toolTip();
            return QTextDocumentFragment::fromHtml(html).toPlainText().split(
                QRegularExpression(QStringLiteral("[\\n\\x{2028}\\x{2029}]")));
        };
        QCOMPARE(tip(0), QStringList({ path }));
        const QString info = "1920x1080, 29.97 fps, 00:12:34.56, h264, aac, " + QString(90, 'i');
        list->SetRowMediaInfo(0, info);
        QCOMPARE(list->RowText(0, 2), info);
        for (int column = 0; column < 3; ++column)
            QCOMPARE(tip(column), QStringList({ path, info }));

        d().JobStarted();
        QVERIFY(list->RowText(0, 2).isEmpty());
        QCOMPARE(tip(2), QStringList({ path, info }));
        d().FileFailedBecause(0, "not a video file\n");
        d().FileFinished(0, FileResult::Failed);
        QCOMPARE(list->RowText(0, 2), QString("Failed"));
        QCOMPARE(tip(2), QStringList({ path, info, "Failed: not a video file" }));
        // Information that comes after the result keeps out of the column.
        list->SetRowMediaInfo(0, info + " (late)");
        QCOMPARE(list->RowText(0, 2), QString("Failed"));
        QCOMPARE(tip(1), QStringList({ path, info + " (late)", "Failed: not a video file" }));

        // The next run forgets the result and its reason; a reason for one row
        // is no other row's.
        d().AddPathIfExists(f->MakeFile("second.mp4"));
        d().JobStarted();
        QCOMPARE(tip(2), QStringList({ path, info + " (late)" }));
        d().FileFailedBecause(1, "has no video stream");
        d().FileFinished(0, FileResult::Failed);
        d().FileFinished(1, FileResult::Failed);
        QCOMPARE(tip(2), QStringList({ path, info + " (late)", "Failed" }));
        d().JobStarted();
        d().FileFinished(0, FileResult::Succeeded);
        QCOMPARE(list->RowText(0, 2), QString("Success"));
        QCOMPARE(tip(0), QStringList({ path, info + " (late)", "Success" }));

        // The mouse over the Information cell shows it.
        const QRect cell = list->visualRect(list->model()->index(0, 2));
        QHelpEvent help(
            QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
        QCoreApplication::sendEvent(list->viewport(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains(info.toHtmlEscaped()));
        QToolTip::hideText();
    }

    void closingWhileIdleAsksNothing()
    {
        CRichMessageBoxDialog::SetNextAnswer(7);
        d().close();
        QVERIFY(!d().isVisible());
        QVERIFY(CRichMessageBoxDialog::TakeNextAnswer().has_value()); // not asked
    }
};

QTEST_MAIN(MainDialogTest)
#include "MainDialogTest.moc"
