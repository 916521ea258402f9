// The window's controls: names, captions, hints and places.
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "CvInterceptors.h"
#include "TAnchors.h"
#include "TMainForm.h"
#include "TRadioGroup.h"
#include "SioStatusLight.h"
#include "TTabbedNotebook.h"

namespace {

const QColor kWindowColour(254, 252, 252);
const QColor kHighlightColour(255, 192, 128);
const QColor kSilver(192, 192, 192);

template <typename Control>
Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QFont FontOf(const char* family, int pixelHeight, QFont::StyleHint hint = QFont::SansSerif) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint);
    font.setPixelSize(pixelHeight);
    return font;
}

void SetColour(QWidget* control, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, int x, int y,
              const char* hint = nullptr) {
    auto* label = Named(new QLabel(QString::fromLatin1(caption), parent), name);
    label->move(x, y);
    label->adjustSize();
    if (hint != nullptr) label->setToolTip(QString::fromLatin1(hint));
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const QRect& rect,
                    const char* hint) {
    auto* button = Named(new QPushButton(QString::fromLatin1(caption), parent), name);
    button->setGeometry(rect);
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

QFrame* Panel(QWidget* parent, const char* name, const QRect& rect, const QColor& colour) {
    auto* panel = Named(new QFrame(parent), name);
    panel->setGeometry(rect);
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAutoFillBackground(true);
    SetColour(panel, QPalette::Window, colour);
    return panel;
}

TSioStatusLight* StatusLight(QWidget* parent, const char* name, int left, const QColor& lit) {
    auto* light = Named(new TSioStatusLight(parent), name);
    light->move(left, 2);
    light->SetLitColor(lit);
    light->SetNotLitColor(parent->palette().color(QPalette::Button));
    return light;
}

// A silver line or rectangle outline.
QFrame* Shape(QWidget* parent, const char* name, const QRect& rect) {
    auto* shape = Named(new QFrame(parent), name);
    shape->setGeometry(rect);
    shape->setFrameShape(QFrame::Box);
    shape->setLineWidth(1);
    SetColour(shape, QPalette::WindowText, kSilver);
    return shape;
}

QFrame* HorizontalLine(QWidget* parent, const char* name, int y, int width) {
    return Shape(parent, name, QRect(0, y, width, 1));
}

// The pages of the notebook and the grids on them.
struct GridPlace {
    int page;
    const char* list;
    const char* heading;
    QPoint headingAt;
    QRect grid;
    bool stretches;  // grows with the window's height
    TStringGrid* TMainForm::*gridField;
    QLabel* TMainForm::*labelField;
    QFrame* TMainForm::*shapeField;
};

const char* const kPageCaptions[] = {"Vehicle (Plant)",   "Trailer", "Site Condition", "Brake",
                                     "Driver (Examiner)", "Company", "Bluetooth"};

// clang-format off
const GridPlace kGrids[] = {
    {0, "Plant", "99 vehicle (plant) IDs", {63, 10}, {65, 35, 180, 364}, true,
     &TMainForm::PlantSG, &TMainForm::PlantLabel, &TMainForm::PlantShape},
    {1, "Trailer", "70 trailer IDs", {63, 10}, {65, 35, 180, 364}, true,
     &TMainForm::TrailerSG, &TMainForm::TrailerLabel, &TMainForm::TrailerShape},
    {2, "Site", "16 site conditions", {63, 10}, {65, 35, 180, 292}, false,
     &TMainForm::SiteSG, &TMainForm::SiteLabel, &TMainForm::SiteShape},
    {3, "Brake", "4 brake types", {63, 10}, {65, 35, 180, 76}, false,
     &TMainForm::BrakeSG, &TMainForm::BrakeLabel, &TMainForm::BrakeShape},
    {4, "Examiner", "8 driver (examiner) names", {63, 10}, {65, 35, 180, 148}, false,
     &TMainForm::ExaminerSG, &TMainForm::ExaminerLabel, &TMainForm::ExaminerShape},
    {5, "Company", "Company name", {63, 10}, {65, 35, 180, 22}, false,
     &TMainForm::CompanySG, &TMainForm::CompanyLabel, &TMainForm::CompanyShape},
    {6, "Address", "8 Bluetooth addresses", {8, 10}, {10, 35, 132, 148}, false,
     &TMainForm::AddressSG, &TMainForm::AddressLabel, &TMainForm::AddressShape},
    {6, "Friendly", "8 Bluetooth friendly names", {157, 10}, {159, 35, 132, 148}, false,
     &TMainForm::FriendlySG, &TMainForm::FriendlyLabel, &TMainForm::FriendlyShape},
};
// clang-format on

}  // namespace

void TMainForm::CreateControls() {
    setWindowTitle(QStringLiteral("Corvane Rostermate 1.0.12"));
    setFixedSize(466, 563);
    setFont(FontOf("Tahoma", 11));
    setAutoFillBackground(true);
    SetColour(this, QPalette::Window, kWindowColour);
    SetColour(this, QPalette::WindowText, Qt::black);
    anchors_ = new TAnchors(this);

    CreateCalibPanel();
    CreateNotebook();
    CreateKeyPanel();
    CreateBluetoothPanel();
    CreateControlPanel();
    CreateStatusLine();

    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    // Replies bring the next step forward by 20 ms; a coarse timer would stretch every one.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2 = Named(new QTimer(this), "Timer2");
    Timer2->setInterval(1000);
    Timer2->start();
}

void TMainForm::CreateCalibPanel() {
    CalibPanel = Panel(this, "CalibPanel", QRect(0, 0, 468, 60), Qt::white);
    anchors_->Anchor(CalibPanel, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
    TypeLabel = Label(CalibPanel, "TypeLabel", "", 8, 8, "instrument type");
    QFont bold = FontOf("Tahoma", 13);
    bold.setBold(true);
    TypeLabel->setFont(bold);
    TypeLabel->resize(180, 20);
    SoftVerLabel = Label(CalibPanel, "SoftVerLabel", "", 198, 10, "software version");
    SoftVerLabel->resize(170, 16);
    SerialLabel = Label(CalibPanel, "SerialLabel", "Serial:", 377, 10);
    SerialLabel->hide();
    SerialEB = Named(new QLineEdit(CalibPanel), "SerialEB");
    SerialEB->setGeometry(411, 10, 50, 20);
    SerialEB->setToolTip(QStringLiteral("accelerometer serial number"));
    SerialEB->setReadOnly(true);
    SerialEB->setFrame(false);
    SerialEB->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    QFont serialFont = font();
    serialFont.setBold(true);
    SerialEB->setFont(serialFont);
    SetColour(SerialEB, QPalette::Base, Qt::white);
    CalibLabel = Label(CalibPanel, "CalibLabel", "", 8, 32, "calibration due date");
    CalibLabel->resize(240, 16);
    TimeLabel = Label(CalibPanel, "TimeLabel", "", 261, 32, "instrument time");
    // Its text ends at the window's right edge: where the system's font is wider than the one
    // the window was drawn for, the instrument time grows to the left instead of being cut off.
    constexpr int kTimeLabelRight = 462;
    constexpr int kTimeLabelLeft = 226;
    TimeLabel->setGeometry(kTimeLabelLeft, 32, kTimeLabelRight - kTimeLabelLeft, 16);
    TimeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    TopBorderShape = HorizontalLine(this, "TopBorderShape", 77, 468);
    anchors_->Anchor(TopBorderShape, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
}

void TMainForm::CreateNotebook() {
    TabbedNotebook1 = Named(new TTabbedNotebook(this), "TabbedNotebook1");
    TabbedNotebook1->setGeometry(-1, 57, 471, 481);
    anchors_->Anchor(TabbedNotebook1, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    QList<QWidget*> pages;
    for (const char* caption : kPageCaptions) {
        auto* page = new QWidget();
        page->setAutoFillBackground(true);
        SetColour(page, QPalette::Window, kWindowColour);
        TabbedNotebook1->addTab(page, QString::fromLatin1(caption));
        pages.append(page);
    }
    const QFont gridFont = FontOf("Consolas", 13, QFont::TypeWriter);
    for (const GridPlace& place : kGrids) {
        QWidget* page = pages[place.page];
        const std::string list = place.list;
        this->*place.labelField = Label(page, (list + "Label").c_str(), place.heading,
                                        place.headingAt.x(), place.headingAt.y());
        QFrame* shape = Shape(page, (list + "Shape").c_str(), place.grid.adjusted(-3, -3, 3, 3));
        auto* grid = Named(new TStringGrid(page), (list + "SG").c_str());
        grid->setGeometry(place.grid);
        grid->setFont(gridFont);
        grid->SetAlwaysShowEditor(list != "Plant");
        this->*place.gridField = grid;
        this->*place.shapeField = shape;
        if (place.stretches) {
            // A page gets its size only when the notebook is first laid out, so the grid
            // follows the window's height, which the notebook follows one for one.
            anchors_->Anchor(grid, Qt::LeftEdge | Qt::TopEdge | Qt::BottomEdge, this);
            anchors_->Anchor(shape, Qt::LeftEdge | Qt::TopEdge | Qt::BottomEdge, this);
        }
    }
    TabbedNotebook1->hide();
}

void TMainForm::CreateKeyPanel() {
    KeyPanel = Panel(this, "KeyPanel", QRect(59, 488, 198, 40), kWindowColour);
    CorruptLabel = Label(KeyPanel, "CorruptLabel", "Corrupt instrument IDs are", 4, 5);
    HighlightLabel = Label(KeyPanel, "HighlightLabel", " highlighted ", 135, 5);
    HighlightLabel->setAutoFillBackground(true);
    SetColour(HighlightLabel, QPalette::Window, kHighlightColour);
    // The legend reads on one line; keep the highlight just after its first half.
    HighlightLabel->move(CorruptLabel->x() + CorruptLabel->width() + 1, 5);
    ReplaceLabel = Label(KeyPanel, "ReplaceLabel", "and bad characters replaced by spaces", 4, 21);
    const int right =
        std::max(HighlightLabel->geometry().right(), ReplaceLabel->geometry().right());
    KeyPanel->resize(std::max(198, right + 4), 40);
    anchors_->Anchor(KeyPanel, Qt::LeftEdge | Qt::BottomEdge);
    KeyPanel->hide();
}

void TMainForm::CreateBluetoothPanel() {
    BluetoothPanel = Panel(this, "BluetoothPanel", QRect(0, 78, 316, 456), kWindowColour);
    anchors_->Anchor(BluetoothPanel, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    BluetoothSearchLabel = Label(BluetoothPanel, "BluetoothSearchLabel", "Bluetooth Search", 0, 7);
    SetColour(BluetoothSearchLabel, QPalette::WindowText, Qt::blue);
    ConnectLabel = Label(BluetoothPanel, "ConnectLabel", "Click to connect", 0, 34);
    for (QLabel* centred : {BluetoothSearchLabel, ConnectLabel})
        centred->move((BluetoothPanel->width() - centred->width()) / 2, centred->y());
    SearchAddressLabel = Label(BluetoothPanel, "SearchAddressLabel", "Bluetooth Address", 15, 64);
    SearchFriendlyLabel = Label(BluetoothPanel, "SearchFriendlyLabel", "Friendly Name", 169, 64);
    AddressLB = Named(new QListWidget(BluetoothPanel), "AddressLB");
    AddressLB->setGeometry(15, 83, 132, 161);
    AddressLB->setToolTip(QStringLiteral("click on address to connect"));
    FriendlyLB = Named(new QListWidget(BluetoothPanel), "FriendlyLB");
    FriendlyLB->setGeometry(167, 83, 132, 161);
    FriendlyLB->setToolTip(QStringLiteral("click on name to connect"));
    AbandonButton = Button(BluetoothPanel, "AbandonButton", "Cancel", QRect(116, 262, 84, 25),
                           "adandon Bluetooth search");
    BluetoothPanel->hide();
}

void TMainForm::CreateControlPanel() {
    // The notebook's tabs run in one row here, under the panel's right part: the panel starts
    // below them so that every tab stays in reach.
    const int tabsBottom = TabbedNotebook1->y() + TabbedNotebook1->tabBar()->sizeHint().height();
    const int top = std::max(78, tabsBottom + 1);
    ControlPanel = Panel(this, "ControlPanel", QRect(309, top, 185, 535 - top), kWindowColour);
    anchors_->Anchor(ControlPanel, Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    ControlBorderShape =
        Shape(ControlPanel, "ControlBorderShape", QRect(0, 0, 1, ControlPanel->height()));
    anchors_->Anchor(ControlBorderShape, Qt::LeftEdge | Qt::TopEdge | Qt::BottomEdge);
    ComPortLabel = Label(ControlPanel, "ComPortLabel", "COM port", 0, 2);
    ComPortLabel->setGeometry(0, 2, 160, ComPortLabel->height());
    ComPortLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    ConnectPanel = Panel(ControlPanel, "ConnectPanel", QRect(1, 15, 184, 148), kWindowColour);
    ConnectBorderShape = HorizontalLine(ConnectPanel, "ConnectBorderShape", 147, 184);
    CommsRG = Named(new TRadioGroup(ConnectPanel), "CommsRG");
    // The group's own frame and title sit outside the panel, as only the items should show.
    CommsRG->setGeometry(-3, -12, 162, 88);
    CommsRG->setFont(FontOf("Arial", 11));
    CommsRG->setToolTip(QStringLiteral("select communications port"));
    SearchButton = Button(ConnectPanel, "SearchButton", "Search Bluetooth", QRect(27, 85, 108, 25),
                          "Search for Bluetooth devices");
    SearchButton->setEnabled(false);
    ConnectButton = Button(ConnectPanel, "ConnectButton", "Connect", QRect(27, 114, 108, 25),
                           "Connect to instrument");
    ConnectButton->setFont(FontOf("Arial", 11));
    ConnectButton->setEnabled(false);

    struct ButtonPlace {
        QPushButton* TMainForm::*field;
        const char* name;
        const char* caption;
        int top;
        const char* hint;
    };
    static const ButtonPlace kButtons[] = {
        {&TMainForm::SetTimeButton, "SetTimeButton", "Set Time", 172, "Set instrument to PC time"},
        {&TMainForm::RetrieveButton, "RetrieveButton", "Read from Instrument", 205,
         "Retrieve list from instrument"},
        {&TMainForm::SendButton, "SendButton", "Write to Instrument", 231,
         "Send current list to instrument"},
        {&TMainForm::SaveButton, "SaveButton", "Save Vehicles", 264, "Save current tab to file"},
        {&TMainForm::SaveAllButton, "SaveAllButton", "Save All", 290, "Save all tabs to file"},
        {&TMainForm::LoadButton, "LoadButton", "Load Vehicles", 323,
         "Load saved version of current tab from file"},
        {&TMainForm::LoadAllButton, "LoadAllButton", "Load All", 349,
         "Load saved version of all tabs from file"},
        {&TMainForm::DefaultButton, "DefaultButton", "Default Vehicles", 382,
         "Revert current tab to default values"},
        {&TMainForm::DefaultAllButton, "DefaultAllButton", "Default All", 408,
         "Revert all tabs to default values"},
    };
    for (const ButtonPlace& place : kButtons)
        this->*place.field = Button(ControlPanel, place.name, place.caption,
                                    QRect(11, place.top, 138, 25), place.hint);

    CoverPanel = Panel(ControlPanel, "CoverPanel", QRect(2, 170, 176, 281), kWindowColour);
    CoverPanel->raise();
}

void TMainForm::CreateStatusLine() {
    BottomBorderShape = HorizontalLine(this, "BottomBorderShape", 535, 468);
    anchors_->Anchor(BottomBorderShape, Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge);
    BlueLabel = Label(this, "BlueLabel", "Bluetooth", 5, 543);
    BlueLabel->setFont(FontOf("Arial", 11));
    SetColour(BlueLabel, QPalette::WindowText, Qt::blue);
    BlueLabel->hide();
    ActivityLabel = Label(this, "ActivityLabel", "Communicating with instrument", 155, 543);
    ActivityLabel->setFont(FontOf("Arial", 11));
    ActivityLabel->resize(260, ActivityLabel->height());
    ActivityLabel->hide();
    LightsPanel = Panel(this, "LightsPanel", QRect(426, 541, 39, 19), kWindowColour);
    // Dark lights take the button face, so that they vanish against their panel.
    LightTX = StatusLight(LightsPanel, "LightTX", 3, QColor(0, 128, 0));
    LightRX = StatusLight(LightsPanel, "LightRX", 22, QColor(255, 0, 0));
    ConnectStepLabel = Label(this, "ConnectStepLabel", "0000", 8, 457);
    ConnectStepLabel->setFont(FontOf("Arial", 11));
    ConnectStepLabel->hide();

    // Below the window's usual bottom edge: shown only when the window is made taller.
    TraceBorderShape = HorizontalLine(this, "TraceBorderShape", 563, 468);
    OutLabel = Label(this, "OutLabel", "", 5, 553, "command to acclerometer");
    SetColour(OutLabel, QPalette::WindowText, Qt::darkGreen);
    OutLabel->hide();
    InLabel = Label(this, "InLabel", "", 5, 572, "reply from accelerometer");
    SetColour(InLabel, QPalette::WindowText, QColor(128, 0, 0));
    InLabel->hide();

    for (QWidget* control : {static_cast<QWidget*>(BlueLabel), static_cast<QWidget*>(ActivityLabel),
                             static_cast<QWidget*>(LightsPanel)})
        anchors_->Anchor(control, control == LightsPanel ? Qt::RightEdge | Qt::BottomEdge
                                                         : Qt::LeftEdge | Qt::BottomEdge);
    KeyPanel->raise();
    BluetoothPanel->raise();
    ControlPanel->raise();
}
