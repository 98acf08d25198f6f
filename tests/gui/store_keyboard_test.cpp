// The datasheet list's questions and the text viewer from the keyboard: a delete or rename
// question takes the focus and keeps it (Tab stays inside, the rows behind are out of reach),
// Escape and Alt+Left cancel it, Enter answers it, and renaming selects the name up to its
// extension; the count says how many rows the filter shows; the sort button never squeezes
// the filter; a text file is drawn monospaced, and a mouse selection in it leaves Escape and
// Alt+Left to the window.
#include <QDir>
#include <QFile>
#include <QFontInfo>

#include "gui_harness.h"

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool inside(QQuickItem* item, QQuickItem* ancestor)
{
    for (; item; item = item->parentItem())
        if (item == ancestor) return true;
    return false;
}

}  // namespace

class StoreKeyboard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        documents = QString::fromLocal8Bit(qgetenv("OHMKIT_DOCUMENTS"));
        QVERIFY(!documents.isEmpty());
        QDir(documents).removeRecursively();
        QVERIFY(QDir().mkpath(documents));
        qputenv("OHMKIT_FTP_PORT", QByteArray::number(GuiHarness::freePort()));
        qputenv("OHMKIT_HTTP_PORT", QByteArray::number(GuiHarness::freePort()));
        gui = std::make_unique<GuiHarness>();
    }
    void init()
    {
        QVERIFY(gui->init());
        for (const QString& name : QDir(documents).entryList(QDir::Files | QDir::Hidden)) QFile::remove(documents + "/" + name);
        QVERIFY(writeFile(documents + "/LM317.pdf", "%PDF-1.4\n"));
        QVERIFY(writeFile(documents + "/NE555.pdf", "%PDF-1.4\n"));
        QVERIFY(writeFile(documents + "/parts.list.txt", "R1   10k    0805\nC1   100n   0603\nU1   NE555  DIP8\n"));
        QVERIFY(gui->tapMenuRow("Datasheets storage"));
    }
    void cleanupTestCase() { gui.reset(); }

    void deleteQuestionKeepsTheKeyboard()
    {
        editing();
        gui->tap(deleteButtonOf(rowNamed("LM317.pdf")));
        QTRY_VERIFY(promptShown());
        QVERIFY(gui->settle());
        auto* popup = gui->find("promptContent", gui->window()->contentItem());
        QVERIFY(popup);
        QVERIFY2(inside(gui->focusItem(), popup), qPrintable(describe(gui->focusItem())));
        // Tab goes round the question's own buttons, never to the rows behind it.
        for (int i = 0; i < 6; ++i) {
            gui->key(Qt::Key_Tab);
            QVERIFY2(inside(gui->focusItem(), popup), qPrintable(describe(gui->focusItem())));
        }
        // Space on a focused button answers it; with Cancel, the question closes and asks
        // about no other file.
        QVERIFY(focusOn("onButtonCancelPrompt"));
        gui->key(Qt::Key_Space);
        QTRY_VERIFY(!promptShown());
        QVERIFY(QFile::exists(documents + "/LM317.pdf"));

        // Escape cancels, and so does Alt+Left, without leaving the list.
        for (auto [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::NoModifier}, std::pair{Qt::Key_Left, Qt::AltModifier}}) {
            gui->tap(deleteButtonOf(rowNamed("LM317.pdf")));
            QTRY_VERIFY(promptShown());
            QVERIFY(gui->settle());
            gui->key(key, Qt::KeyboardModifiers(modifiers));
            QTRY_VERIFY(!promptShown());
            QCOMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));
            QVERIFY(QFile::exists(documents + "/LM317.pdf"));
        }

        // Enter confirms.
        gui->tap(deleteButtonOf(rowNamed("LM317.pdf")));
        QTRY_VERIFY(promptShown());
        QVERIFY(gui->settle());
        gui->screenshot("store-keyboard-01-delete");
        gui->key(Qt::Key_Return);
        QTRY_VERIFY(!promptShown());
        QVERIFY(!QFile::exists(documents + "/LM317.pdf"));
    }

    void renameSelectsTheNameWithoutItsExtension()
    {
        editing();
        gui->tap(rowNamed("parts.list.txt"));
        QTRY_VERIFY(promptShown());
        QVERIFY(gui->settle());
        auto* field = gui->find("textNewName", gui->window()->contentItem());
        QVERIFY(field->hasActiveFocus());
        QCOMPARE(field->property("selectedText").toString(), QStringLiteral("parts.list"));
        gui->screenshot("store-keyboard-02-rename");
        // Escape in the field cancels the question at once.
        gui->key(Qt::Key_Escape);
        QTRY_VERIFY(!promptShown());
        QVERIFY(QFile::exists(documents + "/parts.list.txt"));

        // Typing replaces the selected name and keeps the extension; Enter confirms.
        gui->tap(rowNamed("parts.list.txt"));
        QTRY_VERIFY(promptShown());
        QVERIFY(gui->settle());
        for (QChar c : QStringLiteral("bom")) QTest::keyClick(gui->window(), c.toLatin1());
        QCOMPARE(field->property("text").toString(), QStringLiteral("bom.txt"));
        gui->key(Qt::Key_Return);
        QTRY_VERIFY(!promptShown());
        QVERIFY(QFile::exists(documents + "/bom.txt"));
        QVERIFY(QFile::rename(documents + "/bom.txt", documents + "/parts.list.txt"));
    }

    void countSaysHowManyTheFilterShows()
    {
        auto* shown = gui->find("labelFilesShown");
        QVERIFY(shown);
        QVERIFY(!shown->isVisible());
        QVERIFY(gui->editField("textFilter", "NE"));
        QTRY_VERIFY(shown->isVisible());
        QCOMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 3"));
        QCOMPARE(gui->renderedText(shown), QStringLiteral("1 of 3 shown"));
        QVERIFY2(gui->layoutProblems().isEmpty(), qPrintable(gui->layoutProblems().join("\n")));
        QVERIFY(gui->resize(320, 480));
        QVERIFY2(gui->layoutProblems().isEmpty(), qPrintable(gui->layoutProblems().join("\n")));
        gui->screenshot("store-keyboard-03-filtered-320");
        QVERIFY(gui->editField("textFilter", ""));
        QTRY_VERIFY(!shown->isVisible());
    }

    // A longer order name takes no room from the filter: on a phone the button keeps saying
    // "Sort"; in a wide window it names the order.
    void sortButtonLeavesTheFilterItsRoom()
    {
        for (const QSize size : {QSize(320, 480), QSize(375, 667), QSize(1200, 900)}) {
            QVERIFY(gui->resize(size.width(), size.height()));
            auto* filter = gui->find("textFilter");
            const qreal before = filter->width();
            chooseOrder("onSortNewest");
            QVERIFY(gui->settle());
            QVERIFY2(filter->width() >= before || filter->width() >= 200,
                     qPrintable(QStringLiteral("%1 -> %2 at %3").arg(before).arg(filter->width()).arg(size.width())));
            QVERIFY2(gui->layoutProblems().isEmpty(), qPrintable(gui->layoutProblems().join("\n")));
            if (size.width() > 1000) QCOMPARE(gui->renderedText("sortButton"), QStringLiteral("Newest first"));
            gui->screenshot(QStringLiteral("store-keyboard-04-sorted-%1").arg(size.width()));
            chooseOrder("onSortListing");
        }
    }

    void textViewerLeavesTheKeysToTheWindow()
    {
        gui->tap(rowNamed("parts.list.txt"));
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetOpen"));
        QVERIFY(gui->settle());
        auto* text = gui->find("textContent");
        QTRY_VERIFY(text && !text->property("text").toString().isEmpty());
        QVERIFY(QFontInfo(text->property("font").value<QFont>()).fixedPitch());
        // Select a line with the mouse, then Escape goes back.
        const QPoint from = text->mapToScene(QPointF(14, 20)).toPoint();
        const QPoint to = text->mapToScene(QPointF(160, 20)).toPoint();
        QTest::mousePress(gui->window(), Qt::LeftButton, Qt::NoModifier, from);
        for (int step = 1; step <= 8; ++step) QTest::mouseMove(gui->window(), from + (to - from) * step / 8, 10);
        QTest::mouseRelease(gui->window(), Qt::LeftButton, Qt::NoModifier, to, 10);
        QTRY_VERIFY(!text->property("selectedText").toString().isEmpty());
        gui->screenshot("store-keyboard-05-text-selected");
        gui->key(Qt::Key_Escape);
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));

        // The same with Alt+Left.
        gui->tap(rowNamed("parts.list.txt"));
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetOpen"));
        QVERIFY(gui->settle());
        text = gui->find("textContent");
        QTest::mouseDClick(gui->window(), Qt::LeftButton, Qt::NoModifier, from);
        QTRY_VERIFY(!text->property("selectedText").toString().isEmpty());
        gui->key(Qt::Key_Left, Qt::AltModifier);
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));
    }

private:
    bool promptShown() const
    {
        auto* label = gui->find("labelPrompt", gui->window()->contentItem());
        return label && label->isVisible();
    }

    static QString describe(QQuickItem* item)
    {
        return item ? QStringLiteral("focus on %1 (%2)").arg(item->objectName(), QString::fromLatin1(item->metaObject()->className()))
                    : QStringLiteral("no focus");
    }

    bool focusOn(const QString& objectName)
    {
        for (int i = 0; i < 8; ++i) {
            if (gui->focusItem() && gui->focusItem()->objectName() == objectName) return true;
            gui->key(Qt::Key_Tab);
        }
        return false;
    }

    void editing()
    {
        gui->tap(gui->find("onButtonEdit"));
        QVERIFY(gui->settle());
    }

    QQuickItem* rowNamed(const QString& name) const
    {
        auto* table = gui->find("mainTableData");
        for (int i = 0; i < 10; ++i) {
            auto* row = gui->find(QStringLiteral("mainTableData[%1]").arg(i), table);
            if (!row) break;
            auto* label = gui->find(QStringLiteral("name"), row);
            if (label && label->property("text").toString() == name) return row;
        }
        return nullptr;
    }

    static QQuickItem* deleteButtonOf(QQuickItem* row)
    {
        if (!row) return nullptr;
        for (auto* child : row->childItems())
            if (child->property("text").toString() == QStringLiteral("Delete")) return child;
        return nullptr;
    }

    void chooseOrder(const char* action)
    {
        gui->tap(gui->find("sortButton"));
        QTRY_VERIFY(gui->find(QString::fromLatin1(action), gui->window()->contentItem()));
        auto* item = gui->find(QString::fromLatin1(action), gui->window()->contentItem());
        QTRY_VERIFY(item->isVisible());
        gui->settle();
        gui->tap(item);
        gui->settle();
    }

    std::unique_ptr<GuiHarness> gui;
    QString documents;
};

OHMKIT_GUI_TEST_MAIN(StoreKeyboard)
#include "store_keyboard_test.moc"
