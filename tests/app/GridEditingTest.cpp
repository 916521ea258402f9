#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "CvInterceptors.h"
#include "MainFormFixture.h"
#include "QtWaitUntil.h"

namespace {

const QColor kHighlight(255, 192, 128);

// The colour of a cell's blank right-hand part as the grid draws it now.
QColor CellColour(TStringGrid* grid, int row) {
    const QImage image = grid->viewport()->grab().toImage();
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    return image.pixelColor(cell.left() + 120, cell.center().y());
}

}  // namespace

class GridTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Identify("A1234");
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Puts the keyboard in `grid` on `row`, with its editor open when the grid keeps it open.
    void FocusCell(TStringGrid* grid, int page, int row) {
        form->TabbedNotebook1->setCurrentIndex(page);
        form->activateWindow();
        grid->setFocus();
        grid->setCurrentCell(row, 0);
        ASSERT_TRUE(QtWaitUntil([grid] { return grid->hasFocus() || grid->InplaceEditor(); }));
    }

    QLineEdit* Editor(TStringGrid* grid) { return qobject_cast<QLineEdit*>(grid->InplaceEditor()); }
};

TEST_F(GridTest, TypingStartsAnEditThatStoresEveryChangeAndSwallowsBang) {
    TStringGrid* grid = form->PlantSG;
    FocusCell(grid, 0, 2);
    ASSERT_EQ(Editor(grid), nullptr);  // the vehicle grid opens its editor only on demand

    QTest::keyClicks(grid, "!");
    EXPECT_EQ(Editor(grid), nullptr);
    EXPECT_EQ(grid->Cell(2), "Plant 3         ");

    QTest::keyClicks(grid, "X");
    QLineEdit* editor = Editor(grid);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(grid->TextBeforeEdit(), "Plant 3         ");
    QTest::keyClicks(editor, "Y!Z");
    EXPECT_EQ(editor->text(), "XYZ");
    EXPECT_EQ(grid->Cell(2), "XYZ");  // each change reaches the cell at once, uncut
    QTest::keyClicks(editor, "0123456789abcdefgh");
    EXPECT_EQ(grid->Cell(2).size(), 21u);
}

TEST_F(GridTest, AKeyBringingSeveralCharactersLosesOnlyTheBang) {
    // Compose sequences and keyboard macros can deliver more than one character in one key.
    const auto press = [](QWidget* target, const QString& text) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(target, &key);
    };
    TStringGrid* grid = form->PlantSG;
    FocusCell(grid, 0, 3);
    press(grid, "!!");
    EXPECT_EQ(Editor(grid), nullptr);
    EXPECT_EQ(grid->Cell(3), "Plant 4         ");
    press(grid, "a!b");
    ASSERT_NE(Editor(grid), nullptr);
    EXPECT_EQ(grid->Cell(3), "ab");
    press(Editor(grid), "!c!d");
    EXPECT_EQ(grid->Cell(3), "abcd");
}

TEST_F(GridTest, GridsOtherThanVehiclesKeepTheirEditorOpen) {
    FocusCell(form->SiteSG, 2, 1);
    QLineEdit* editor = Editor(form->SiteSG);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Wet tarmac      ");
    EXPECT_EQ(form->ActiveControl(), form->SiteSG);  // the editor reports its grid
    editor->selectAll();
    QTest::keyClicks(editor, "Ice!");
    EXPECT_EQ(form->SiteSG->Cell(1), "Ice");
    QTest::keyClick(editor, Qt::Key_Down);
    ASSERT_TRUE(
        QtWaitUntil([&] { return form->SiteSG->currentRow() == 2 && Editor(form->SiteSG); }));
    EXPECT_EQ(Editor(form->SiteSG)->text(), "Loose gravel    ");
}

TEST_F(GridTest, PastingCleansTheClipboardFirst) {
    FocusCell(form->TrailerSG, 1, 0);
    QLineEdit* editor = Editor(form->TrailerSG);
    ASSERT_NE(editor, nullptr);
    QClipboard* clipboard = QGuiApplication::clipboard();

    clipboard->setText("T!1\r\nX");
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "T 1  X");
    EXPECT_EQ(form->TrailerSG->Cell(0), "T 1  X");

    clipboard->setText(QString::fromUtf8("a\tb!\u20ac"));  // the euro sign has no 8-bit code
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(clipboard->text(), "a b  ");
    EXPECT_EQ(form->TrailerSG->Cell(0), "a b  ");

    // Every key the platform pastes with (some keyboards have a Paste key) cleans first.
    for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Paste)) {
        clipboard->setText("p!q");
        editor->selectAll();
        const QKeyCombination key = keys[0];
        QTest::keyClick(editor, key.key(), key.keyboardModifiers());
        EXPECT_EQ(form->TrailerSG->Cell(0), "p q") << keys.toString().toStdString();
    }

    // Outside the grids the clipboard is left alone.
    clipboard->setText("keep!");
    form->SerialEB->setFocus();
    ASSERT_TRUE(QtWaitUntil([&] { return form->SerialEB->hasFocus(); }));
    QTest::keyClick(form->SerialEB, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "keep!");
}

TEST_F(GridTest, MarkedEntriesArePaintedInTheHighlightUntilEdited) {
    TStringGrid* grid = form->PlantSG;
    form->StoreEntry(*grid, 0, 1, "Pla!nt 2        ");
    EXPECT_EQ(grid->Cell(1), "Pla nt 2        ");
    EXPECT_EQ(CellColour(grid, 1), kHighlight);
    EXPECT_NE(CellColour(grid, 0), kHighlight);
    EXPECT_NE(CellColour(grid, 2), kHighlight);

    FocusCell(grid, 0, 1);  // selected and focused, still highlighted
    EXPECT_EQ(CellColour(grid, 1), kHighlight);

    QTest::keyClick(grid, Qt::Key_F2);
    QLineEdit* editor = Editor(grid);
    ASSERT_NE(editor, nullptr);
    editor->end(false);
    QTest::keyClicks(editor, "x");
    EXPECT_FALSE(form->CorruptBits.IsSet(0, 1));
    QTest::keyClick(editor, Qt::Key_Backspace);  // back to the text as it was: stays unmarked
    EXPECT_FALSE(form->CorruptBits.IsSet(0, 1));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(QtWaitUntil([&] { return Editor(grid) == nullptr; }));
    EXPECT_NE(CellColour(grid, 1), kHighlight);
}

TEST_F(GridTest, CharactersBeyondEightBitsCountAsBad) {
    TStringGrid* grid = form->CompanySG;
    grid->item(0, 0)->setText(QString::fromUtf8("Caf\u00e9 \u20ac"));
    EXPECT_EQ(grid->Cell(0), std::string("Caf\xe9 \x1a", 6));
    form->StoreEntry(*grid, 5, 0, grid->Cell(0));
    EXPECT_EQ(grid->item(0, 0)->text(), "Caf   ");
    EXPECT_TRUE(form->CorruptBits.IsSet(5, 0));
}
