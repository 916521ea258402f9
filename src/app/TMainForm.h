#pragma once

#include <QDateTime>
#include <QStyle>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "CorruptBits.h"
#include "DongleLine.h"
#include "FrameAssembler.h"
#include "ListModel.h"
#include "PortTrouble.h"
#include "SioPort.h"
#include "SioStatLt.h"
#include "SioStatusLight.h"
#include "StorageDir.h"

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTimer;
class TAnchors;
class TRadioGroup;
class TStringGrid;

// The program's one window: the instrument's details at the top, the ID lists in a notebook of
// seven pages, the connection and file buttons on the right, the status line at the bottom.
// It has three faces, switched by the serial number field: no instrument (the lists and
// buttons covered), an instrument (lists and buttons open) and the Bluetooth search panel.
// Every control's object name is its name here. Constructing the window runs FormCreate.
class TMainForm : public QWidget {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget* parent = nullptr);
    // The same with the storage folder chosen from a given environment instead of this machine.
    explicit TMainForm(const lists::StorageEnvironment& storageEnvironment,
                       QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- Controls -----------------------------------------------------------------------------
    QFrame* CalibPanel;
    QLabel* TypeLabel;
    QLabel* SoftVerLabel;
    QLabel* SerialLabel;
    QLineEdit* SerialEB;
    QLabel* CalibLabel;
    QLabel* TimeLabel;
    QFrame* TopBorderShape;

    QTabWidget* TabbedNotebook1;
    QLabel* PlantLabel;
    QLabel* TrailerLabel;
    QLabel* SiteLabel;
    QLabel* BrakeLabel;
    QLabel* ExaminerLabel;
    QLabel* CompanyLabel;
    QLabel* AddressLabel;
    QLabel* FriendlyLabel;
    TStringGrid* PlantSG;
    TStringGrid* TrailerSG;
    TStringGrid* SiteSG;
    TStringGrid* BrakeSG;
    TStringGrid* ExaminerSG;
    TStringGrid* CompanySG;
    TStringGrid* AddressSG;
    TStringGrid* FriendlySG;
    QFrame* PlantShape;
    QFrame* TrailerShape;
    QFrame* SiteShape;
    QFrame* BrakeShape;
    QFrame* ExaminerShape;
    QFrame* CompanyShape;
    QFrame* AddressShape;
    QFrame* FriendlyShape;

    QFrame* KeyPanel;
    QLabel* CorruptLabel;
    QLabel* HighlightLabel;
    QLabel* ReplaceLabel;

    QFrame* BluetoothPanel;
    QLabel* BluetoothSearchLabel;
    QLabel* ConnectLabel;
    QLabel* SearchAddressLabel;
    QLabel* SearchFriendlyLabel;
    QListWidget* AddressLB;
    QListWidget* FriendlyLB;
    QPushButton* AbandonButton;

    QFrame* ControlPanel;
    QFrame* ControlBorderShape;
    QLabel* ComPortLabel;
    QFrame* ConnectPanel;
    QFrame* ConnectBorderShape;
    TRadioGroup* CommsRG;
    QPushButton* SearchButton;
    QPushButton* ConnectButton;
    QPushButton* SetTimeButton;
    QPushButton* RetrieveButton;
    QPushButton* SendButton;
    QPushButton* SaveButton;
    QPushButton* SaveAllButton;
    QPushButton* LoadButton;
    QPushButton* LoadAllButton;
    QPushButton* DefaultButton;
    QPushButton* DefaultAllButton;
    QFrame* CoverPanel;

    QFrame* BottomBorderShape;
    QLabel* BlueLabel;
    QLabel* ActivityLabel;
    QFrame* LightsPanel;
    TSioStatusLight* LightTX;
    TSioStatusLight* LightRX;
    QLabel* ConnectStepLabel;
    QFrame* TraceBorderShape;
    QLabel* OutLabel;
    QLabel* InLabel;

    QTimer* Timer1;  // the communication sequencer's clock
    QTimer* Timer2;  // the COM port list refresh

    // --- Serial port ----------------------------------------------------------------------------
    TSioComPort SioComPort1;
    TSioSLController SioSLController1{&SioComPort1};  // drives LightTX and LightRX

    // --- State ----------------------------------------------------------------------------------
    lists::TStrings ListNames;
    lists::TStrings FileStems;
    std::vector<lists::TStrings> DefaultLists;
    TCorruptBits CorruptBits;
    std::string StoragePath;
    std::string BtAddress;  // the Bluetooth address chosen for a dongle connection

    // --- The conversation with the instrument -----------------------------------------------
    // The reply being received (RxBuffer, FrameStarted) and the result of its check.
    TFrameAssembler Rx;
    bool ReplyValid = false;
    // The command payload a step chose, then the whole command frame.
    std::string TxCommand;
    // The sequencer: below 2000 the instrument, from 2000 up a Bluetooth dongle; 99 is idle.
    std::uint16_t Step = 0;
    std::uint16_t EntryCount = 0;  // entries still to move in a list transfer
    std::int32_t IdleTicks = 0;    // ticks since the sequencer last acted or sent
    bool SendPending = false;      // TxCommand goes out at the end of this tick
    bool AdvanceOnReply = false;   // the next valid reply moves Step on by one
    // The Bluetooth dongle's line being collected.
    TDongleLineCollector DongleLine;
    // The computer's local time as the clock setting sends it; tests put their own clock here.
    std::function<QDateTime()> LocalClock = [] { return QDateTime::currentDateTime(); };

    // --- Handlers -------------------------------------------------------------------------------
    void FormCreate();
    void SerialEBChange();
    void TabbedNotebook1Change(int NewTab);
    void FormDblClick();
    void FormCloseQuery(bool& CanClose);
    void FormClose();
    void SioComPort1PortOpen(TSioPort Sender);

    void AnySGDrawCell(TStringGrid* Sender, int ACol, int ARow, QPainter& Canvas, const QRect& Rect,
                       QStyle::State State);
    void AnySGGetEditText(TStringGrid* Sender, int ACol, int ARow, std::string& Value);
    void AnySGSetEditText(TStringGrid* Sender, int ACol, int ARow, const std::string& Value);
    void AnySGKeyPress(TStringGrid* Sender, QChar& Key);

    void SaveLoadDef(QObject* Sender);

    // Sending and receiving.
    void SendCommand(const std::string& Text);
    void FrameCommand();
    void SioComPort1TriggerAvail(TSioPort Sender, std::uint16_t Count);
    void CheckFrame(const std::string& Frame);
    void DispatchReply();
    void HandleSerialReply();
    void HandleTimeReply();
    void HandleRegisterReply();
    void HandleInfoReply();

    // The sequencer and the buttons that start it.
    void Timer1Timer();
    void ConnectButtonClick();
    void SetTimeButtonClick();
    void SendButtonClick();
    void RetrieveButtonClick();

    // The Bluetooth dongle.
    void SearchButtonClick();
    void AddressLBClick();
    void FriendlyLBClick();
    void AbandonButtonClick();

    // The COM port list.
    void RefreshComPorts();
    void Timer2Timer();
    int SelectedComNumber() const;
    void CommsRGClick();

    // --- Lists and storage ------------------------------------------------------------------
    TStringGrid* Grid(int list) const;
    void StoreEntry(ListCells& Cells, int List, int Entry, const std::string& Text);
    void FindStorageDir();
    std::string InstrumentFolder() const;
    bool SaveList(int list);  // false when the file could not be written (already reported)
    void LoadList(int list);
    static std::string ReverseText(const std::string& text);

    // The window's active control: the focused widget, or the list grid whose in-place editor
    // has the focus.
    QWidget* ActiveControl() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void CreateControls();
    void CreateCalibPanel();
    void CreateNotebook();
    void CreateKeyPanel();
    void CreateBluetoothPanel();
    void CreateControlPanel();
    void CreateStatusLine();
    void ConnectHandlers();
    void CreateSerialComponents();
    void CloseSerialPort();
    void RunStep();
    void RunTransferStep();
    void SendPayload(std::string payload, bool advanceOnReply);
    void SendFailed();
    void StartTransfer(bool write);
    void EnableTimer1();
    void SetTimer1Interval(int interval);
    void OpenChosenPort(int comNumber);
    void SetTypeLabelColour(const QColor& colour);
    void DongleTimer();
    void RunDongleStep();
    void ReportDongleSendError();
    bool HangingUp() const;
    void StartHangUp();
    void CollectDongleLine(char c);
    void ChooseBluetoothDevice(QListWidget* clicked);
    void UpdateComPortHints();
    void BuildLists();
    void FillGridsWithDefaults();
    void SetUpStorage();
    void CopyDefaultsToList(int list);
    bool FormShortCut(QKeyEvent* event);
    int ListOfGrid(const TStringGrid* grid) const;
    std::string SerialText() const;

    lists::StorageEnvironment storageEnvironment_;
    TAnchors* anchors_ = nullptr;
    bool centred_ = false;
    TPortTrouble portTrouble_;        // says why the chosen port cannot be opened
    std::map<int, std::string> listedDevices_;  // the device of each COM number last listed
    bool dongleSendFailing_ = false;  // a dongle command could not be sent, and it has been said
    bool inTimer1Tick_ = false;
};
