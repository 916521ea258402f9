#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <algorithm>

#include "CvInterceptors.h"
#include "QtWaitUntil.h"

namespace {

struct Recorder {
    std::vector<std::string> started;
    std::vector<std::pair<int, std::string>> changed;
    std::vector<int> drawn;
    void GetEditText(TStringGrid*, int, int, std::string& value) { started.push_back(value); }
    void SetEditText(TStringGrid*, int, int row, const std::string& value) {
        changed.emplace_back(row, value);
    }
    void DrawCell(TStringGrid*, int, int row, QPainter&, const QRect&, QStyle::State) {
        drawn.push_back(row);
    }
};

class ListGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        grid.SetRowCount(4);
        grid.resize(180, 90);
        grid.OnGetEditText = {&recorder, &Recorder::GetEditText};
        grid.OnSetEditText = {&recorder, &Recorder::SetEditText};
        grid.OnDrawCell = {&recorder, &Recorder::DrawCell};
        grid.SetAlwaysShowEditor(true);
        grid.show();
        grid.activateWindow();
        grid.setFocus();
        grid.setCurrentCell(1, 0);
        ASSERT_TRUE(QtWaitUntil([this] { return Editor() != nullptr; }));
    }
    QLineEdit* Editor() { return qobject_cast<QLineEdit*>(grid.InplaceEditor()); }

    TStringGrid grid;
    Recorder recorder;
};

}  // namespace

TEST_F(ListGridTest, CellsHoldEightBitTextAsLatin1) {
    grid.SetCell(0, std::string("Caf\xe9\x7f", 5));
    EXPECT_EQ(grid.item(0, 0)->text(), QString::fromUtf8("Caf\u00e9\u007f"));
    EXPECT_EQ(grid.Cell(0), std::string("Caf\xe9\x7f", 5));
    grid.item(0, 0)->setText(QString::fromUtf8("\u0141\u00ff"));
    EXPECT_EQ(grid.Cell(0), std::string("\x1a\xff", 2));  // never a printable stand-in
    grid.SetCell(9, "beyond");                            // no such row: nothing happens
    EXPECT_EQ(grid.RowCount(), 4);
}

TEST_F(ListGridTest, TheEditorStartsOnceAndFollowsOutsideChanges) {
    ASSERT_EQ(recorder.started, std::vector<std::string>{""});
    grid.SetTextBeforeEdit("before");
    QTest::keyClicks(Editor(), "ab");
    EXPECT_EQ(recorder.changed, (std::vector<std::pair<int, std::string>>{{1, "a"}, {1, "ab"}}));
    EXPECT_EQ(grid.Cell(1), "ab");

    grid.SetCell(1, "from outside");  // e.g. a reply stored while the user edits
    EXPECT_EQ(Editor()->text(), "from outside");
    EXPECT_EQ(recorder.started.size(), 1u);  // not a new edit: where it started is kept
    EXPECT_EQ(grid.TextBeforeEdit(), "before");
    EXPECT_EQ(recorder.changed.size(), 2u);  // and not an edit by the user either
}

TEST_F(ListGridTest, ACharacterTheEntryCannotHoldLeavesTheCursorInPlace) {
    QTest::keyClicks(Editor(), "ab");
    Editor()->setCursorPosition(1);
    // L with stroke, which has no 8-bit code, then an x.
    QKeyEvent stroke(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                     QString::fromUtf8("\u0141"));
    QCoreApplication::sendEvent(Editor(), &stroke);
    QTest::keyClicks(Editor(), "x");
    EXPECT_EQ(grid.Cell(1), "a\x1axb");
    EXPECT_EQ(Editor()->text(), QString::fromLatin1("a\x1a"
                                                    "xb"));
    EXPECT_EQ(Editor()->cursorPosition(), 3);
}

TEST_F(ListGridTest, OwnerDrawRunsForEveryPaintedRowAndKeysPassWithoutAHandler) {
    recorder.drawn.clear();
    grid.viewport()->grab();
    std::sort(recorder.drawn.begin(), recorder.drawn.end());
    recorder.drawn.erase(std::unique(recorder.drawn.begin(), recorder.drawn.end()),
                         recorder.drawn.end());
    EXPECT_EQ(recorder.drawn, (std::vector<int>{0, 1, 2, 3}));

    QTest::keyClicks(Editor(), "!");  // swallowing "!" is the window's rule, not the grid's
    EXPECT_EQ(grid.Cell(1), "!");
}

TEST_F(ListGridTest, ComposedTextPassesTheKeyFilterAndOtherWaysInAreClosed) {
    grid.OnKeyPress = [](TStringGrid*, QChar& key) {
        if (key == QLatin1Char('!')) key = QChar(0);
    };
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("a!b"));
    QCoreApplication::sendEvent(Editor(), &composed);
    EXPECT_EQ(Editor()->text(), "ab");
    EXPECT_EQ(grid.Cell(1), "ab");
    EXPECT_FALSE(Editor()->acceptDrops());
    EXPECT_EQ(Editor()->contextMenuPolicy(), Qt::NoContextMenu);
}
