// The window's per-file edits: the edit dialog opened from the list, the edit
// kept with its row, and a conversion that makes the GIF the edit asks for,
// with the real tools on a generated clip.
#include "MainDialogFixture.h"
#include "engine/MediaInfo.h"
#include "platform/ProgramFolder.h"
#include "platform/TempFolder.h"
#include "tests/support/FindChild.h"
#include "tests/support/Processes.h"
#include "ui/CEditDialog.h"
#include "ui/CFileListView.h"
#include "ui/CFrameCropView.h"
#include "widgets/CRichMessageBoxDialog.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <unistd.h>

namespace fs = std::filesystem;
using test_widgets::Find;

namespace {

// Our children that run the video tool (its frames for the dialog).
int VideoToolsRunning()
{
    int count = 0;
    for (pid_t pid : test_processes::ChildrenOf(::getpid()))
        if (test_processes::ExecutableName(pid) == "video.dll")
            ++count;
    return count;
}

// Folders of frames for the edit dialog in the private temporary folder.
QStringList FrameFolders()
{
    return QDir(QString::fromStdString(TempFolder())).entryList({ "frames-*" }, QDir::Dirs);
}

} // namespace

class EditDialogTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainDialogFixture> f;
    CMainDialog& d() { return *f->dialog; }
    CFileListView& list() { return *d().FileList(); }
    QString m_bin, m_out;
    static inline QString s_clip;

    // Opens the edit dialog with `open` and runs `steps` on it while it is
    // open; a dialog that `steps` leaves open is cancelled. False when no
    // dialog came.
    bool WithEditDialog(
        const std::function<void()>& open, const std::function<void(CEditDialog&)>& steps)
    {
        bool came = false;
        QTimer::singleShot(0, &d(), [&] {
            CEditDialog* dialog = d().findChild<CEditDialog*>();
            if (!dialog)
                return;
            came = true;
            steps(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        open();
        return came;
    }

    void AddClip(const QString& path, bool withMediaInfo)
    {
        d().AddPathIfExists(path);
        const int row = list().rowCount() - 1;
        if (withMediaInfo) {
            const auto info = QueryMediaInfo(path.toStdString());
            QVERIFY(info);
            list().SetRowMediaInfo(row, QString::fromStdString(*info));
        }
        d().ClearSelection();
        d().SelectRow(row);
    }

    static void Drag(CFrameCropView& view, QPoint from, QPoint to)
    {
        const QPoint a = view.WidgetPoint(from).toPoint();
        const QPoint b = view.WidgetPoint(to).toPoint();
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, a);
        QTest::mouseMove(&view, (a + b) / 2);
        QTest::mouseMove(&view, b);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, b);
    }

private slots:
    void initTestCase()
    {
        // 3 s at 10 fps, 160 x 120: 30 frames, one a tenth of a second.
        s_clip = QDir::temp().filePath(QString("edit-clip-%1.mp4").arg(::getpid()));
        const QString make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                             "testsrc2=s=160x120:r=10:d=3 -pix_fmt yuv420p '"
            + s_clip + "'";
        QCOMPARE(std::system(make.toLocal8Bit().constData()), 0);
    }

    void cleanupTestCase() { QFile::remove(s_clip); }

    void init()
    {
        f = std::make_unique<MainDialogFixture>();
        m_bin = f->Folder("bin");
        m_out = f->Folder("out");
        QVERIFY(QDir().mkpath(m_bin));
        QVERIFY(QDir().mkpath(m_out));
        for (const char* tool : { "video.dll", "imgconv.dll", "swfinfo.dll" })
            QVERIFY(QFile::link(QString(SABLEWICK_BIN_DIR) + tool, m_bin + "/" + tool));
        SetProgramFolderForTesting(m_bin.toStdString());
        // A frame taken every 0.1 s: the clip's own rate.
        QFile settings(m_bin + "/TellurvaneInfo.ini");
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                       "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.10\n"
                       "TimeDelay=10.00\nFileFormat=0\nLoop=0\n");
        settings.close();
        f->folderAnswer = m_out;
        d().show();
        QVERIFY(QTest::qWaitForWindowExposed(&d()));
    }

    void cleanup()
    {
        f.reset();
        SetProgramFolderForTesting("");
        CRichMessageBoxDialog::ClearNextAnswer();
    }

    // The whole road: frame steps set the trim, a drag sets the crop, and the
    // conversion makes a GIF of exactly those frames at the crop's size.
    void trimByFrameStepsAndCropByDraggingMakeTheGif()
    {
        AddClip(s_clip, true);
        QRect crop;
        const bool came = WithEditDialog(
            [&] {
                d().activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&d()));
                QTest::keyClick(&list(), Qt::Key_E, Qt::ControlModifier);
            },
            [&](CEditDialog& dialog) {
                auto* view = Find<CFrameCropView>(dialog, "frameView");
                QTRY_VERIFY_WITH_TIMEOUT(!view->Image().isNull(), 30000);
                QCOMPARE(view->Image().size(), QSize(160, 120));
                dialog.activateWindow();
                QTRY_VERIFY(QApplication::activeWindow() == &dialog);
                auto* slider = Find<QSlider>(dialog, "position");
                slider->setFocus();
                // Right five times: frame 5 (0.5 s).
                for (int i = 0; i < 5; ++i)
                    QTest::keyClick(slider, Qt::Key_Right);
                QCOMPARE(dialog.Position(), 5);
                Find<QPushButton>(dialog, "setStart")->click();
                // Shift+Right: a second on; Left three times: frame 12.
                QTest::keyClick(slider, Qt::Key_Right, Qt::ShiftModifier);
                QCOMPARE(dialog.Position(), 15);
                for (int i = 0; i < 3; ++i)
                    QTest::keyClick(slider, Qt::Key_Left);
                QCOMPARE(dialog.Position(), 12);
                // The buttons step the same way.
                Find<QPushButton>(dialog, "forwardSecond")->click();
                Find<QPushButton>(dialog, "backFrame")->click();
                Find<QPushButton>(dialog, "backSecond")->click();
                Find<QPushButton>(dialog, "forwardFrame")->click();
                QCOMPARE(dialog.Position(), 12);
                Find<QPushButton>(dialog, "setEnd")->click(); // the GIF ends with frame 12
                QCOMPARE(Find<QLineEdit>(dialog, "trimStart")->text(), QString("0.5"));
                QCOMPARE(Find<QLineEdit>(dialog, "trimEnd")->text(), QString("1.3"));
                // The frame shown is the one at the position.
                QTRY_VERIFY_WITH_TIMEOUT(!view->Image().isNull(), 30000);

                Drag(*view, QPoint(20, 10), QPoint(100, 70));
                crop = view->Crop();
                QVERIFY(Find<QCheckBox>(dialog, "crop")->isChecked());
                QCOMPARE(Find<QSpinBox>(dialog, "cropWidth")->value(), crop.width());
                QCOMPARE(Find<QSpinBox>(dialog, "cropX")->value(), crop.x());
                QVERIFY2(std::abs(crop.width() - 80) <= 2 && std::abs(crop.height() - 60) <= 2,
                    qPrintable(QString("%1x%2").arg(crop.width()).arg(crop.height())));
                QTest::mouseClick(Find<QPushButton>(dialog, "ok"), Qt::LeftButton);
                QVERIFY(!dialog.isVisible());
            });
        QVERIFY(came);
        QVERIFY(!QTest::currentTestFailed());
        // The dialog's frames went with it, and so did its tool.
        QTRY_COMPARE_WITH_TIMEOUT(VideoToolsRunning(), 0, 20000);
        QCOMPARE(FrameFolders(), QStringList());

        const FileEdit edit = d().RowEdit(0);
        QCOMPARE(edit.TrimStart, std::optional<double>(0.5));
        QCOMPARE(edit.TrimEnd, std::optional<double>(1.3));
        QVERIFY(edit.Crop);
        QCOMPARE(QRect(edit.Crop->X, edit.Crop->Y, edit.Crop->Width, edit.Crop->Height), crop);

        Find<QPushButton>(d(), "convert")->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            Find<QPushButton>(d(), "convert")->text(), QString("Convert"), 60000);
        QCOMPARE(list().RowText(0, CFileListView::kInformationColumn), QString("Success"));
        const QString gif = m_out + "/" + QFileInfo(s_clip).completeBaseName() + ".gif";
        QImageReader reader(gif);
        QVERIFY2(reader.canRead(), qPrintable(gif));
        QCOMPARE(reader.size(), crop.size());
        QCOMPARE(reader.imageCount(), 8); // frames 5 to 12
    }

    void aRowShowsItsEditAndRemovingTheRowDropsIt()
    {
        const QString a = f->MakeFile("a.mp4");
        const QString b = f->MakeFile("b.mp4");
        d().AddPathIfExists(a);
        d().AddPathIfExists(b);
        const qint64 plainIcon = list().item(0, 0)->icon().cacheKey();
        FileEdit edit;
        edit.Crop = CropRect { 10, 20, 1, 2 };
        edit.Order = FrameOrder::Reverse;
        list().SetRowEdit(0, edit);

        const auto accessibleText
            = [&](int row) { return list().item(row, 0)->data(Qt::AccessibleTextRole).toString(); };
        QVERIFY(list().RowHasEdit(0));
        QVERIFY(list().item(0, 0)->icon().cacheKey() != plainIcon);
        QCOMPARE(accessibleText(0), list().RowText(0, 0) + ", edited");
        for (int column = 0; column < list().columnCount(); ++column)
            QVERIFY2(list().item(0, column)->toolTip().contains("Edit: crop 10x20 at 1,2, reverse"),
                qPrintable(list().item(0, column)->toolTip()));
        QVERIFY(!list().RowHasEdit(1));
        QVERIFY(!list().item(1, 0)->toolTip().contains("Edit:"));
        QCOMPARE(d().RowEdit(0), edit); // what the job takes

        // A result does not hide the edit.
        list().SetRowResult(0, "Failed", "has no video stream");
        QVERIFY(list().item(0, 0)->toolTip().contains("Edit: crop"));

        // An edit set back to nothing takes its mark away.
        list().SetRowEdit(0, FileEdit {});
        QCOMPARE(list().item(0, 0)->icon().cacheKey(), plainIcon);
        QVERIFY(accessibleText(0).isEmpty());
        QVERIFY(!list().item(0, 0)->toolTip().contains("Edit:"));

        // Removing the row drops its edit: the row below moves up without it,
        // and the file added again comes without it.
        list().SetRowEdit(0, edit);
        d().ClearSelection();
        d().SelectRow(0);
        d().RemoveSelected();
        QCOMPARE(list().rowCount(), 1);
        QCOMPARE(list().RowPath(0), b);
        QVERIFY(!list().RowHasEdit(0));
        QVERIFY(d().RowEdit(0).IsEmpty());
        d().AddPathIfExists(a);
        QVERIFY(!list().RowHasEdit(1));

        list().SetRowEdit(1, edit);
        d().RemoveAll();
        d().AddPathIfExists(a);
        QVERIFY(!list().RowHasEdit(0));
    }

    // Edit... is on the menu for a single selected row; Escape closes the
    // dialog and keeps nothing.
    void menuEntryAndEscape()
    {
        d().AddPathIfExists(f->MakeFile("a.mp4"));
        d().AddPathIfExists(f->MakeFile("b.mp4"));
        std::unique_ptr<QMenu> menu;
        const auto editEntry = [&]() -> QAction* {
            menu = d().BuildContextMenu();
            for (QAction* action : menu->actions())
                if (action->text() == "&Edit...")
                    return action;
            return nullptr;
        };
        QVERIFY(editEntry());
        QVERIFY(!editEntry()->isEnabled()); // nothing selected
        QCOMPARE(editEntry()->shortcut(), QKeySequence("Ctrl+E"));
        d().SelectRow(0);
        d().SelectRow(1);
        QVERIFY(!editEntry()->isEnabled()); // which one?
        d().ClearSelection();
        d().SelectRow(1);
        QVERIFY(editEntry()->isEnabled());

        QString title;
        const bool came
            = WithEditDialog([&] { d().RunContextCommand(editEntry()->data().toInt()); },
                [&](CEditDialog& dialog) {
                    title = dialog.windowTitle();
                    Find<QPlainTextEdit>(dialog, "caption")->setPlainText("kept?");
                    dialog.activateWindow();
                    QTRY_VERIFY(QApplication::activeWindow() == &dialog);
                    QTest::keyClick(Find<QSlider>(dialog, "position"), Qt::Key_Escape);
                    QVERIFY(!dialog.isVisible());
                });
        menu.reset();
        QVERIFY(came);
        QCOMPARE(title, QString("Edit - b.mp4"));
        QVERIFY(!list().RowHasEdit(1));
    }

    // Values the check refuses get the message box and are not stored; the
    // dialog stays open for the person to mend them.
    void badValuesAreRefusedAndNothingIsStored_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("end before start") << "trimEnd"
                                          << "0.5"
                                          << "The trim end 0.5 s is not after";
        QTest::newRow("not a time") << "trimStart"
                                    << "1,5"
                                    << "The trim start \"1,5\" is not a time";
        QTest::newRow("past the clip") << "trimEnd"
                                       << "9"
                                       << "past the clip's end (3.5 s)";
        // The clip described as 3 s has no frame at 3.2 s: it ends there at the latest.
        QTest::newRow("past the last frame seen") << "trimEnd"
                                                  << "3.4"
                                                  << "past the clip's end (3.2 s)";
        QTest::newRow("three lines") << "caption"
                                     << "a\nb\nc"
                                     << "at most 2";
        QTest::newRow("control character") << "caption"
                                           << "a\tb"
                                           << "control character";
        QTest::newRow("a thousand characters") << "caption" << QString(1000, 'x') << "characters";
        QTest::newRow("caption time") << "captionTo"
                                      << "abc"
                                      << "caption's end \"abc\"";
        QTest::newRow("crop of nothing") << "crop"
                                         << ""
                                         << "is empty";
        QTest::newRow("crop outside") << "cropX"
                                      << "150"
                                      << "outside the 160x120 picture";
    }
    void badValuesAreRefusedAndNothingIsStored()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        AddClip(s_clip, true);
        bool stillOpen = false;
        const bool came = WithEditDialog([&] { d().EditSelected(); },
            [&](CEditDialog& dialog) {
                if (QTest::currentDataTag() == QByteArray("past the last frame seen")) {
                    dialog.SetPosition(32);
                    QTRY_COMPARE_WITH_TIMEOUT(Find<CFrameCropView>(dialog, "frameView")->Message(),
                        QString("No frame at this position."), 30000);
                }
                Find<QLineEdit>(dialog, "trimStart")->setText("1");
                if (field == "crop") {
                    Find<QCheckBox>(dialog, "crop")->setChecked(true);
                    Find<QSpinBox>(dialog, "cropWidth")->setValue(0);
                } else if (field == "cropX") {
                    Find<QSpinBox>(dialog, "cropWidth")->setValue(20);
                    Find<QSpinBox>(dialog, "cropHeight")->setValue(20);
                    Find<QSpinBox>(dialog, "cropX")->setValue(text.toInt());
                } else if (field == "caption") {
                    Find<QPlainTextEdit>(dialog, "caption")->setPlainText(text);
                } else {
                    Find<QLineEdit>(dialog, qPrintable(field))->setText(text);
                }
                CRichMessageBoxDialog::SetNextAnswer(1);
                Find<QPushButton>(dialog, "ok")->click();
                stillOpen = dialog.isVisible();
            });
        QVERIFY(came);
        QVERIFY(!CRichMessageBoxDialog::TakeNextAnswer().has_value()); // the box was shown
        const MessageBoxRequest shown = CRichMessageBoxDialog::LastAnsweredRequest();
        QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
        QCOMPARE(shown.caption, QString("Sablewick"));
        QVERIFY(stillOpen);
        QVERIFY(!list().RowHasEdit(0));
    }

    // Every control is reached by Tab and has a name a screen reader says.
    void everyControlIsReachedByTabAndNamed()
    {
        // A row whose description has not come yet gets it when the dialog opens.
        AddClip(s_clip, false);
        int lastPosition = -1;
        QStringList reached;
        QStringList unnamed;
        const bool came = WithEditDialog([&] { d().EditSelected(); },
            [&](CEditDialog& dialog) {
                lastPosition = Find<QSlider>(dialog, "position")->maximum();
                dialog.activateWindow();
                QTRY_VERIFY(QApplication::activeWindow() == &dialog);
                Find<QWidget>(dialog, "frameView")->setFocus();
                QTRY_VERIFY(QApplication::focusWidget() == Find<QWidget>(dialog, "frameView"));
                for (int i = 0; i < 60; ++i) {
                    QWidget* focus = QApplication::focusWidget();
                    QVERIFY(focus);
                    // A spin box's focus is on its line edit: name the box.
                    QWidget* control = focus;
                    if (qobject_cast<QAbstractSpinBox*>(control->parentWidget()))
                        control = control->parentWidget();
                    if (reached.contains(control->objectName()))
                        break;
                    reached << control->objectName();
                    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
                    if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                        unnamed << control->objectName();
                    QTest::keyClick(focus, Qt::Key_Tab);
                }
            });
        QVERIFY(came);
        for (const char* name : { "frameView", "position", "backSecond", "backFrame",
                 "forwardFrame", "forwardSecond", "trimStart", "setStart", "trimEnd", "setEnd",
                 "crop", "aspect", "cropWidth", "cropHeight", "cropX", "cropY", "speed", "order",
                 "caption", "captionAt", "captionFrom", "captionTo", "reset", "ok", "cancel" })
            QVERIFY2(reached.contains(name), qPrintable(reached.join(", ") + " lacks " + name));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        QVERIFY(list().RowMediaInfo(0).startsWith("0:00:03, 160x120, 10 fps"));
        QCOMPARE(lastPosition, 34); // "0:00:03" may be up to 3.5 s: 35 frames
    }

    // Reset brings every field back to no edit; the aspect presets shape the crop.
    void resetAndAspectPresets()
    {
        AddClip(s_clip, true);
        FileEdit kept;
        const bool came = WithEditDialog([&] { d().EditSelected(); },
            [&](CEditDialog& dialog) {
                auto* view = Find<CFrameCropView>(dialog, "frameView");
                QTRY_VERIFY_WITH_TIMEOUT(!view->Image().isNull(), 30000);
                Find<QCheckBox>(dialog, "crop")->setChecked(true);
                QCOMPARE(view->Crop(), QRect(0, 0, 160, 120));
                Find<QComboBox>(dialog, "aspect")->setCurrentText("16:9");
                QCOMPARE(view->Crop(), QRect(0, 15, 160, 90));
                Find<QComboBox>(dialog, "aspect")->setCurrentText("9:16");
                QCOMPARE(view->Crop(), QRect(54, 15, 51, 90));
                Find<QComboBox>(dialog, "aspect")->setCurrentText("1:1");
                QCOMPARE(view->Crop().size(), QSize(51, 51));
                Find<QPlainTextEdit>(dialog, "caption")->setPlainText("Hello\nworld");
                Find<QComboBox>(dialog, "order")->setCurrentIndex(2);
                Find<QPushButton>(dialog, "reset")->click();
                QVERIFY(dialog.Edit().IsEmpty());
                QCOMPARE(view->Crop(), QRect());
                Find<QComboBox>(dialog, "order")->setCurrentIndex(2);
                Find<QLineEdit>(dialog, "captionFrom")->setText("0:00:01.250");
                Find<QPlainTextEdit>(dialog, "caption")->setPlainText("Hi");
                Find<QComboBox>(dialog, "captionAt")->setCurrentIndex(1);
                Find<QPushButton>(dialog, "ok")->click();
                kept = dialog.Edit();
            });
        QVERIFY(came);
        QCOMPARE(d().RowEdit(0), kept);
        QCOMPARE(kept.Order, FrameOrder::Bounce);
        QCOMPARE(kept.CaptionFrom, std::optional<double>(1.25));
        QCOMPARE(kept.CaptionAt, CaptionPlace::Top);
        QVERIFY2(list().item(0, 0)->toolTip().contains(
                     "bounce, caption &quot;Hi&quot; (top, from 1.25 s)"),
            qPrintable(list().item(0, 0)->toolTip()));
    }
};

QTEST_MAIN(EditDialogTest)
#include "EditDialogTest.moc"
