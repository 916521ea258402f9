#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "CvInterceptors.h"
#include "MainFormFixture.h"
#include "TRadioGroup.h"

TEST_F(MainFormTest, StartsInTheNoInstrumentFaceWithTheDefaultLists) {
    EXPECT_TRUE(messages.Messages().isEmpty()) << messages.Messages().join("|").toStdString();
    EXPECT_EQ(form->StoragePath, StorageFolder());
    EXPECT_TRUE(std::filesystem::is_directory(StorageFolder()));

    EXPECT_EQ(form->windowTitle(), "Corvane Rostermate 1.0.12");
    EXPECT_FALSE(form->CoverPanel->isHidden());
    EXPECT_TRUE(form->TabbedNotebook1->isHidden());
    EXPECT_TRUE(form->KeyPanel->isHidden());
    EXPECT_TRUE(form->BluetoothPanel->isHidden());
    EXPECT_FALSE(form->SearchButton->isEnabled());
    EXPECT_FALSE(form->ConnectButton->isEnabled());
    EXPECT_TRUE(form->ActivityLabel->isHidden());
    EXPECT_EQ(form->Step, 0);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    EXPECT_TRUE(form->Timer2->isActive());
    EXPECT_EQ(form->Timer2->interval(), 1000);
    EXPECT_EQ(form->SaveButton->text(), "Save Vehicles");
    EXPECT_EQ(form->LoadButton->text(), "Load Vehicles");
    EXPECT_EQ(form->DefaultButton->text(), "Default Vehicles");

    const char* lists[] = {"Plant",    "Trailer", "Site",    "Brake",
                           "Examiner", "Company", "Address", "Friendly"};
    const int rows[] = {99, 70, 16, 4, 8, 1, 8, 8};
    for (int i = 0; i < 8; ++i) {
        auto* grid = form->findChild<TStringGrid*>(QString(lists[i]) + "SG");
        ASSERT_NE(grid, nullptr) << lists[i];
        EXPECT_EQ(grid, form->Grid(i));
        EXPECT_EQ(grid->RowCount(), rows[i]);
        for (int k = 0; k < rows[i]; ++k) EXPECT_EQ(grid->Cell(k), form->DefaultLists[i][k]);
        EXPECT_NE(form->findChild<QFrame*>(QString(lists[i]) + "Shape"), nullptr);
        EXPECT_NE(form->findChild<QLabel*>(QString(lists[i]) + "Label"), nullptr);
    }
    EXPECT_EQ(form->PlantSG->Cell(0), "Plant 1         ");
    EXPECT_EQ(form->FriendlySG->Cell(7), "Friend 7");
    EXPECT_FALSE(form->PlantSG->AlwaysShowEditor());
    EXPECT_TRUE(form->TrailerSG->AlwaysShowEditor());
}

TEST_F(MainFormTest, EveryControlIsThereUnderItsName) {
    const QStringList names =
        QStringLiteral(
            "CalibPanel TypeLabel SoftVerLabel SerialLabel SerialEB CalibLabel TimeLabel "
            "TopBorderShape TabbedNotebook1 KeyPanel CorruptLabel HighlightLabel ReplaceLabel "
            "BluetoothPanel BluetoothSearchLabel ConnectLabel SearchAddressLabel "
            "SearchFriendlyLabel "
            "AddressLB FriendlyLB AbandonButton ControlPanel ControlBorderShape ComPortLabel "
            "ConnectPanel ConnectBorderShape CommsRG SearchButton ConnectButton SetTimeButton "
            "RetrieveButton SendButton SaveButton SaveAllButton LoadButton LoadAllButton "
            "DefaultButton DefaultAllButton CoverPanel BottomBorderShape BlueLabel ActivityLabel "
            "LightsPanel LightTX LightRX ConnectStepLabel TraceBorderShape OutLabel InLabel")
            .split(' ');
    EXPECT_EQ(names.size(), 49);
    for (const QString& name : names)
        EXPECT_NE(form->findChild<QWidget*>(name), nullptr) << name.toStdString();
    EXPECT_EQ(form->LightTX->parentWidget(), form->LightsPanel);
    EXPECT_EQ(form->CommsRG->parentWidget(), form->ConnectPanel);
    EXPECT_NE(form->findChild<QTimer*>("Timer1"), nullptr);
    EXPECT_NE(form->findChild<QTimer*>("Timer2"), nullptr);

    EXPECT_EQ(form->SerialEB->toolTip(), "accelerometer serial number");
    EXPECT_TRUE(form->SerialEB->isReadOnly());
    EXPECT_EQ(form->RetrieveButton->text(), "Read from Instrument");
    EXPECT_EQ(form->SendButton->toolTip(), "Send current list to instrument");
    EXPECT_EQ(form->LoadAllButton->toolTip(), "Load saved version of all tabs from file");
    EXPECT_EQ(form->HighlightLabel->text(), " highlighted ");
    EXPECT_EQ(form->HighlightLabel->palette().color(QPalette::Window), QColor(255, 192, 128));
    EXPECT_EQ(form->AbandonButton->text(), "Cancel");
    EXPECT_EQ(form->ActivityLabel->text(), "Communicating with instrument");

    QStringList captions;
    for (int i = 0; i < form->TabbedNotebook1->count(); ++i)
        captions << form->TabbedNotebook1->tabText(i);
    EXPECT_EQ(captions, QStringList({"Vehicle (Plant)", "Trailer", "Site Condition", "Brake",
                                     "Driver (Examiner)", "Company", "Bluetooth"}));
    EXPECT_EQ(form->AddressSG->parentWidget(), form->FriendlySG->parentWidget());
}

TEST_F(MainFormTest, FacesFollowTheSerialNumber) {
    Identify("?####");  // asking the instrument for its serial number
    EXPECT_FALSE(form->CoverPanel->isHidden());
    EXPECT_TRUE(form->TabbedNotebook1->isHidden());
    EXPECT_TRUE(form->KeyPanel->isHidden());
    EXPECT_TRUE(form->SearchButton->isEnabled());
    EXPECT_TRUE(form->ConnectButton->isEnabled());

    Identify("A1234");
    EXPECT_TRUE(form->CoverPanel->isHidden());
    EXPECT_FALSE(form->TabbedNotebook1->isHidden());
    EXPECT_FALSE(form->KeyPanel->isHidden());
    EXPECT_FALSE(form->SearchButton->isEnabled());
    EXPECT_FALSE(form->ConnectButton->isEnabled());

    form->BluetoothPanel->show();  // a Bluetooth search keeps Connect locked
    Identify("");
    EXPECT_FALSE(form->CoverPanel->isHidden());
    EXPECT_TRUE(form->TabbedNotebook1->isHidden());
    EXPECT_TRUE(form->SearchButton->isEnabled());
    EXPECT_FALSE(form->ConnectButton->isEnabled());
}

TEST_F(MainFormTest, TabChangesRelabelAndLockTheFileButtons) {
    Identify("A1234");
    QPushButton* all[] = {form->SaveButton,    form->LoadButton,    form->DefaultButton,
                          form->SaveAllButton, form->LoadAllButton, form->DefaultAllButton};
    form->TabbedNotebook1->setCurrentIndex(6);
    EXPECT_EQ(form->SaveButton->text(), "--");
    EXPECT_EQ(form->LoadButton->text(), "--");
    EXPECT_EQ(form->DefaultButton->text(), "--");
    EXPECT_EQ(form->SaveAllButton->text(), "Save All");
    for (QPushButton* button : all) EXPECT_FALSE(button->isEnabled());

    form->TabbedNotebook1->setCurrentIndex(2);
    EXPECT_EQ(form->SaveButton->text(), "Save Site Condition");
    EXPECT_EQ(form->LoadButton->text(), "Load Site Condition");
    EXPECT_EQ(form->DefaultButton->text(), "Default Site Condition");
    for (QPushButton* button : all) EXPECT_TRUE(button->isEnabled());

    form->TabbedNotebook1->setCurrentIndex(0);
    EXPECT_EQ(form->SaveButton->text(), "Save Vehicle (Plant)");
}

TEST_F(MainFormTest, DoubleClickOnTheBackgroundTogglesTheHeight) {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const int width = form->frameGeometry().width();
    const QPoint background(100, 300);  // nothing covers it in the start-up face
    ASSERT_EQ(form->childAt(background), nullptr);
    QTest::mouseDClick(form.get(), Qt::LeftButton, {}, background);
    EXPECT_EQ(form->frameGeometry().height(), 618);
    QTest::mouseDClick(form.get(), Qt::LeftButton, {}, background);
    EXPECT_EQ(form->frameGeometry().height(), 574);
    QTest::mouseDClick(form.get(), Qt::LeftButton, {}, background);
    EXPECT_EQ(form->frameGeometry().height(), 618);
    EXPECT_EQ(form->frameGeometry().width(), width);

    // A taller window stretches the long lists and keeps the status line at the bottom.
    const int grown = form->height() - 563;
    EXPECT_GT(grown, 0);
    EXPECT_EQ(form->PlantSG->height(), 364 + grown);
    EXPECT_EQ(form->BottomBorderShape->y(), 535 + grown);
    EXPECT_EQ(form->SiteSG->height(), 292);

    // Not on a control.
    QTest::mouseDClick(form->CalibPanel, Qt::LeftButton, {}, QPoint(300, 50));
    EXPECT_EQ(form->frameGeometry().height(), 618);
}

TEST_F(MainFormTest, ClosesAtOnceUnlessABluetoothLinkMayBeUp) {
    bool canClose = false;
    form->SioComPort1.SetComNumber(3);
    form->FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);  // connected directly by cable

    form->BtAddress = "0123456789AB";
    form->show();
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->Step, 2200);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 100);

    form->Step = 2201;  // hanging up: further requests change nothing
    form->Timer1->setInterval(700);
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->Step, 2201);
    EXPECT_EQ(form->Timer1->interval(), 700);

    form->BtAddress.clear();
    form->BluetoothPanel->show();  // a search is open
    form->Step = 5;
    form->FormCloseQuery(canClose);
    EXPECT_FALSE(canClose);
    EXPECT_EQ(form->Step, 2200);

    form->BluetoothPanel->hide();
    EXPECT_TRUE(form->close());
}
