// The ID lists in the window: defaults, marks and their drawing, editing, the storage folder
// and the six file buttons.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "CvInterceptors.h"
#include "EInstCode.h"
#include "EStorePath.h"
#include "ErrorInfo.h"
#include "InstrumentFolder.h"
#include "ListFile.h"
#include "ListFileIO.h"
#include "MessageBox.h"
#include "TMainForm.h"

namespace {

const QColor kHighlightColour(255, 192, 128);
constexpr int kTextInset = 2;

QString Path(const std::string& path) {
    return QFile::decodeName(path.c_str());
}
QString Text(const std::string& text) {
    return TStringGrid::ToDisplay(text);
}

// The hourglass for as long as a file action runs, whichever way it ends.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

void TMainForm::BuildLists() {
    ListNames = lists::BuildListNames();
    FileStems = lists::BuildFileStems();
    DefaultLists = lists::BuildDefaultLists();
}

void TMainForm::FillGridsWithDefaults() {
    for (int list = 0; list < lists::kListCount; ++list) {
        const auto& defaults = DefaultLists[static_cast<std::size_t>(list)];
        Grid(list)->SetRowCount(static_cast<int>(defaults.size()));
        CopyDefaultsToList(list);
    }
}

void TMainForm::CopyDefaultsToList(int list) {
    TStringGrid* grid = Grid(list);
    const auto& defaults = DefaultLists[static_cast<std::size_t>(list)];
    for (std::size_t row = 0; row < defaults.size(); ++row)
        grid->SetCell(static_cast<int>(row), defaults[row]);
}

TStringGrid* TMainForm::Grid(int list) const {
    if (list < 0 || list >= static_cast<int>(ListNames.size())) return nullptr;
    return findChild<TStringGrid*>(Text(ListNames[static_cast<std::size_t>(list)] + "SG"));
}

int TMainForm::ListOfGrid(const TStringGrid* grid) const {
    return lists::ListIndexOfGrid(ListNames, grid->objectName().toStdString());
}

std::string TMainForm::SerialText() const {
    return TStringGrid::FromDisplay(SerialEB->text());
}

void TMainForm::StoreEntry(ListCells& Cells, int List, int Entry, const std::string& Text) {
    ::StoreEntry(Cells, CorruptBits, List, Entry, Text);
}

// --- Grid handlers ------------------------------------------------------------------------------

void TMainForm::AnySGDrawCell(TStringGrid* Sender, int, int ARow, QPainter& Canvas,
                              const QRect& Rect, QStyle::State) {
    if (!CorruptBits.IsSet(ListOfGrid(Sender), ARow)) return;
    Canvas.fillRect(Rect, kHighlightColour);
    Canvas.setPen(Qt::black);
    Canvas.setFont(Sender->font());
    Canvas.setClipRect(Rect);
    Canvas.drawText(Rect.adjusted(kTextInset, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                    Text(Sender->Cell(ARow)));
}

void TMainForm::AnySGGetEditText(TStringGrid* Sender, int, int, std::string& Value) {
    Sender->SetTextBeforeEdit(Value);
}

void TMainForm::AnySGSetEditText(TStringGrid* Sender, int, int ARow, const std::string& Value) {
    if (Value == Sender->TextBeforeEdit()) return;
    CorruptBits.Set(ListOfGrid(Sender), ARow, false);
    Sender->viewport()->update();
}

void TMainForm::AnySGKeyPress(TStringGrid*, QChar& Key) {
    if (Key == QLatin1Char('!')) Key = QChar(0);
}

// --- Storage ------------------------------------------------------------------------------------

void TMainForm::FindStorageDir() {
    StoragePath = lists::FindStorageDir(storageEnvironment_);
}

void TMainForm::SetUpStorage() {
    try {
        FindStorageDir();
        if (!lists::ForceDirectories(StoragePath)) {
            for (QPushButton* button : {SaveButton, SaveAllButton, LoadButton, LoadAllButton})
                button->hide();
            ShowMessage(QStringLiteral("Can't access storage directory:\r\n") + Path(StoragePath) +
                        QStringLiteral("\r\n\r\nWon't be able to save or load IDs"));
        }
    } catch (...) {
        const ErrorInfo error = DescribeCurrentException();
        ShowMessage(QStringLiteral("Error ") + error.kind +
                    QStringLiteral(" setting up storage path:\r\n") + error.message);
    }
}

std::string TMainForm::InstrumentFolder() const {
    return lists::InstrumentFolder(StoragePath, SerialText());
}

bool TMainForm::SaveList(int list) {
    if (list < 0 || list >= lists::kFileListCount) return true;
    TStringGrid* grid = Grid(list);
    const QString caption = TabbedNotebook1->tabText(list);
    std::vector<std::string> entries;
    for (int k = 0; k < grid->RowCount(); ++k) {
        const std::string entry = lists::FitEntry(grid->Cell(k));
        if (grid->Cell(k).size() != lists::kEntryWidth) grid->SetCell(k, entry);
        StoreEntry(*grid, list, k, entry);
        entries.push_back(grid->Cell(k));
    }
    const std::string path = InstrumentFolder() + FileStems[static_cast<std::size_t>(list)] + ".ID";
    try {
        lists::ReplaceFile(path, lists::FormatListFile(entries));
    } catch (...) {
        // The old file is untouched; the cleaned entries keep their marks until a save works.
        const ErrorInfo error = DescribeCurrentException();
        ShowMessage(QStringLiteral("Problem saving ") + caption + QStringLiteral(" to file:\r\n") +
                    error.kind + QStringLiteral("\r\n") + error.message);
        return false;
    }
    CorruptBits.ClearList(list);
    grid->viewport()->update();
    return true;
}

void TMainForm::LoadList(int list) {
    if (list < 0 || list >= lists::kFileListCount) return;
    TStringGrid* grid = Grid(list);
    const std::string& stem = FileStems[static_cast<std::size_t>(list)];
    const std::string path = InstrumentFolder() + stem + ".ID";
    if (!lists::FileExists(path)) {
        ShowMessage(QStringLiteral("No ") + Text(stem) + QStringLiteral(" details stored for ") +
                    SerialEB->text().left(5));
        return;
    }
    // Read first: a file that cannot be read leaves the list and its marks as they were.
    const auto entries = lists::ParseListFile(lists::ReadWholeFile(path),
                                              static_cast<std::size_t>(grid->RowCount()));
    CorruptBits.ClearList(list);
    for (int k = 0; k < grid->RowCount(); ++k)
        StoreEntry(*grid, list, k, entries[static_cast<std::size_t>(k)]);
    grid->viewport()->update();
}

void TMainForm::SaveLoadDef(QObject* Sender) {
    const BusyCursor busy;
    const QString name = Sender->objectName();
    const int page = TabbedNotebook1->currentIndex();
    const QString subject = name.contains(QStringLiteral("AllButton"))
                                ? QStringLiteral("All")
                                : TabbedNotebook1->tabText(page);
    const QString verb = name.contains(QStringLiteral("Save"))   ? QStringLiteral("saved")
                         : name.contains(QStringLiteral("Load")) ? QStringLiteral("loaded")
                                                                 : QStringLiteral("set to default");
    bool allWritten = true;
    try {
        if (name == QStringLiteral("DefaultButton")) {
            CopyDefaultsToList(page);
            CorruptBits.ClearList(page);
        } else if (name == QStringLiteral("DefaultAllButton")) {
            for (int list = 0; list < lists::kFileListCount; ++list) {
                CopyDefaultsToList(list);
                CorruptBits.ClearList(list);
            }
        } else {
            const std::string folder = InstrumentFolder();
            if (!lists::ForceDirectories(folder))
                throw EStorePath("Couldn't access storage directory:\r\n" + folder +
                                 "\r\n\r\nIDs cannot be saved or loaded");
            const bool all = name.contains(QStringLiteral("AllButton"));
            const int first = all ? 0 : page;
            const int last = all ? lists::kFileListCount - 1 : page;
            for (int list = first; list <= last; ++list) {
                if (name.startsWith(QStringLiteral("Save")))
                    allWritten = SaveList(list) && allWritten;
                else
                    LoadList(list);
            }
        }
        for (int list = 0; list < lists::kListCount; ++list) Grid(list)->viewport()->update();
    } catch (const EStorePath& e) {
        ShowMessage(QString::fromLocal8Bit(e.Message()));  // it names folders
        return;
    } catch (const EInstCode& e) {
        ShowMessage(
            e.Message().find("####") != std::string::npos
                ? QStringLiteral("Need to be connected to an instrument to save or load IDs")
                : QStringLiteral("Problem with instrument number:\r\n") + Text(e.Message()));
        return;
    } catch (...) {
        ShowMessage(QStringLiteral("Error getting file path. Can't save or load IDs"));
        return;
    }
    // A list that could not be written has had its message; the status line must not then
    // claim that the IDs were saved.
    if (!allWritten) return;
    // Show the result at once; no sequencer tick may run while the window catches up.
    const bool ticking = Timer1->isActive();
    Timer1->stop();
    ActivityLabel->setText(subject + QStringLiteral(" IDs ") + verb);
    ActivityLabel->show();
    QCoreApplication::processEvents();
    if (ticking) Timer1->start();
}
