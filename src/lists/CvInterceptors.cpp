#include "CvInterceptors.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "GridDelegate.h"

namespace {

constexpr int kColumnWidth = 180;
constexpr int kRowHeight = 18;
// Stands for a character the 8-bit entry text cannot hold: a control character, so it is bad.
constexpr char kUnrepresentable = '\x1A';

}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(1);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    setColumnWidth(0, kColumnWidth);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setItemDelegate(new TGridDelegate(this));
}

void TStringGrid::SetRowCount(int rows) {
    setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        if (item(row, 0) == nullptr) setItem(row, 0, new QTableWidgetItem());
}

std::string TStringGrid::Cell(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell != nullptr ? FromDisplay(cell->text()) : std::string();
}

void TStringGrid::SetCell(int row, const std::string& text) {
    if (row < 0 || row >= rowCount()) return;
    QTableWidgetItem* cell = item(row, 0);
    if (cell == nullptr) setItem(row, 0, cell = new QTableWidgetItem());
    cell->setText(ToDisplay(text));
}

QString TStringGrid::ToDisplay(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string TStringGrid::FromDisplay(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text)
        bytes += c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : kUnrepresentable;
    return bytes;
}

QWidget* TStringGrid::InplaceEditor() const {
    return state() == EditingState ? indexWidget(currentIndex()) : nullptr;
}

QString TStringGrid::FilterTypedText(const QString& text) {
    QString kept;
    for (QChar key : text) {
        OnKeyPress(this, key);
        if (!key.isNull()) kept += key;
    }
    return kept;
}

void TStringGrid::FilterKeyEvent(QKeyEvent* event, const std::function<void(QKeyEvent*)>& handOn) {
    const QString text = event->text();
    const QString kept = FilterTypedText(text);
    if (kept == text) {
        handOn(event);
        return;
    }
    event->accept();
    if (kept.isEmpty()) return;
    // A key that brings several characters at once (a compose sequence, a keyboard macro)
    // goes on with the swallowed ones taken out.
    QKeyEvent filtered(event->type(), event->key(), event->modifiers(), kept, event->isAutoRepeat(),
                       static_cast<quint16>(event->count()));
    handOn(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void TStringGrid::EditorChanged(int row, const QString& text) {
    const std::string entry = FromDisplay(text);
    SetCell(row, entry);
    OnSetEditText(this, 0, row, entry);
}

QString TStringGrid::EditorStartText(int row) {
    std::string text = Cell(row);
    OnGetEditText(this, 0, row, text);
    return ToDisplay(text);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    FilterKeyEvent(event, [this](QKeyEvent* e) { QTableWidget::keyPressEvent(e); });
}

void TStringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    OpenEditorIfWanted();
}

void TStringGrid::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    OpenEditorIfWanted();
}

void TStringGrid::OpenEditorIfWanted() {
    const QModelIndex current = currentIndex();
    if (alwaysShowEditor_ && current.isValid() && hasFocus() && state() != EditingState)
        edit(current);
}
