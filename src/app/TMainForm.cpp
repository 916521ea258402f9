#include "TMainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include "CvInterceptors.h"
#include "CvMiscUtils.h"
#include "TRadioGroup.h"

namespace {

constexpr int kTallHeight = 618;
constexpr int kShortHeight = 574;
const QString kAskingForSerial = QStringLiteral("?####");

}  // namespace

TMainForm::TMainForm(QWidget* parent) : TMainForm(lists::SystemStorageEnvironment(), parent) {}

TMainForm::TMainForm(const lists::StorageEnvironment& storageEnvironment, QWidget* parent)
    : QWidget(parent), storageEnvironment_(storageEnvironment) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    CreateControls();
    CreateSerialComponents();
    ConnectHandlers();
    qApp->installEventFilter(this);
    FormCreate();
}

TMainForm::~TMainForm() {
    qApp->removeEventFilter(this);
}

void TMainForm::ConnectHandlers() {
    connect(SerialEB, &QLineEdit::textChanged, this, [this] { SerialEBChange(); });
    connect(TabbedNotebook1, &QTabWidget::currentChanged, this,
            [this](int index) { TabbedNotebook1Change(index); });
    for (QPushButton* button :
         {SaveButton, SaveAllButton, LoadButton, LoadAllButton, DefaultButton, DefaultAllButton})
        connect(button, &QPushButton::clicked, this, [this, button] { SaveLoadDef(button); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    connect(ConnectButton, &QPushButton::clicked, this, [this] { ConnectButtonClick(); });
    connect(SetTimeButton, &QPushButton::clicked, this, [this] { SetTimeButtonClick(); });
    connect(SendButton, &QPushButton::clicked, this, [this] { SendButtonClick(); });
    connect(RetrieveButton, &QPushButton::clicked, this, [this] { RetrieveButtonClick(); });
    connect(SearchButton, &QPushButton::clicked, this, [this] { SearchButtonClick(); });
    connect(AbandonButton, &QPushButton::clicked, this, [this] { AbandonButtonClick(); });
    // A click chooses a device, and so does Enter on the device the arrow keys have reached.
    for (auto signal : {&QListWidget::itemClicked, &QListWidget::itemActivated}) {
        connect(AddressLB, signal, this, [this] { AddressLBClick(); });
        connect(FriendlyLB, signal, this, [this] { FriendlyLBClick(); });
    }
    CommsRG->OnClick = [this](TRadioGroup*) { CommsRGClick(); };
    SioComPort1.OnTriggerAvail = {this, &TMainForm::SioComPort1TriggerAvail};
    for (TStringGrid* grid : findChildren<TStringGrid*>()) {
        grid->OnDrawCell = {this, &TMainForm::AnySGDrawCell};
        grid->OnGetEditText = {this, &TMainForm::AnySGGetEditText};
        grid->OnSetEditText = {this, &TMainForm::AnySGSetEditText};
        grid->OnKeyPress = {this, &TMainForm::AnySGKeyPress};
    }
}

void TMainForm::FormCreate() {
    Step = 0;
    BuildLists();
    FillGridsWithDefaults();
    SetUpStorage();
}

void TMainForm::SerialEBChange() {
    const QString serial = SerialEB->text();
    const bool noInstrument = serial.isEmpty() || serial == kAskingForSerial;
    CoverPanel->setVisible(noInstrument);
    TabbedNotebook1->setVisible(CoverPanel->isHidden());
    KeyPanel->setVisible(!TabbedNotebook1->isHidden());
    SearchButton->setEnabled(!CoverPanel->isHidden());
    ConnectButton->setEnabled(SearchButton->isEnabled() && BluetoothPanel->isHidden());
}

void TMainForm::TabbedNotebook1Change(int NewTab) {
    const bool fileList = NewTab >= 0 && NewTab < lists::kFileListCount;
    const QString caption = fileList ? TabbedNotebook1->tabText(NewTab) : QString();
    SaveButton->setText(fileList ? QStringLiteral("Save ") + caption : QStringLiteral("--"));
    LoadButton->setText(fileList ? QStringLiteral("Load ") + caption : QStringLiteral("--"));
    DefaultButton->setText(fileList ? QStringLiteral("Default ") + caption : QStringLiteral("--"));
    for (QPushButton* button :
         {SaveButton, LoadButton, DefaultButton, SaveAllButton, LoadAllButton, DefaultAllButton})
        button->setEnabled(fileList);
}

void TMainForm::FormDblClick() {
    // Outer height: the frame the window system adds counts, so only the client part is set.
    const int frame = frameGeometry().height() - geometry().height();
    const int outer = height() + frame < kTallHeight ? kTallHeight : kShortHeight;
    setFixedSize(width(), outer - frame);
}

void TMainForm::FormCloseQuery(bool& CanClose) {
    const bool dongleMayBeUp =
        SioComPort1.ComNumber() != 0 && (!BtAddress.empty() || !BluetoothPanel->isHidden());
    CanClose = !dongleMayBeUp;
    // Hang the dongle up first; the last hang-up step asks the window to close again.
    if (!CanClose && !HangingUp()) StartHangUp();
}

void TMainForm::FormClose() {
    // Nothing more is sent or refreshed for a window that has closed.
    Timer1->stop();
    Timer2->stop();
    CloseSerialPort();
    // Ends the running event loop; outside one (a window closed in a test) there is nothing to
    // end, and exit() would leave every later modal loop of the process returning at once.
    QCoreApplication::quit();
}

std::string TMainForm::ReverseText(const std::string& text) {
    return ::ReverseText(text);
}

QWidget* TMainForm::ActiveControl() const {
    QWidget* focused = QApplication::focusWidget();
    if (focused == nullptr || focused->window() != this) return nullptr;
    for (QWidget* w = focused; w != nullptr && w != this; w = w->parentWidget())
        if (auto* grid = qobject_cast<TStringGrid*>(w)) return grid;
    return focused;
}

bool TMainForm::FormShortCut(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    // Control+V and Shift+Insert, and whatever else the platform's editors paste on (the Paste
    // key of some keyboards), since every one of them would bring the clipboard in.
    const bool paste = (event->key() == Qt::Key_V && modifiers.testFlag(Qt::ControlModifier)) ||
                       (event->key() == Qt::Key_Insert && modifiers.testFlag(Qt::ShiftModifier)) ||
                       event->matches(QKeySequence::Paste);
    if (!paste || qobject_cast<TStringGrid*>(ActiveControl()) == nullptr) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasText()) return false;
    std::string text = TStringGrid::FromDisplay(clipboard->text());
    FixEntryText(text, false);
    clipboard->setText(TStringGrid::ToDisplay(text));
    return false;  // the paste itself goes ahead as usual, now with clean text
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget())
        FormShortCut(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

void TMainForm::mouseDoubleClickEvent(QMouseEvent* event) {
    // Only the window's own background, not a double-click that a control let through.
    if (childAt(event->position().toPoint()) == nullptr) FormDblClick();
    QWidget::mouseDoubleClickEvent(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_) return;
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
