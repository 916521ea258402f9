#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "CvInterceptors.h"
#include "FileSizeLimit.h"
#include "MainFormFixture.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

class StorageTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Identify("A1234");
    }
    std::string Folder() const { return StorageFolder() + "A1234/"; }
    QString Status() const {
        return form->ActivityLabel->isHidden() ? QString() : form->ActivityLabel->text();
    }
};

TEST_F(StorageTest, SaveAllWritesEveryListByteExact) {
    form->SaveAllButton->click();
    EXPECT_TRUE(messages.Messages().isEmpty()) << messages.Messages().join("|").toStdString();
    EXPECT_EQ(Status(), "All IDs saved");
    const char* stems[] = {"Vehicles", "Trailers", "Conditions", "Brakes", "Examiner", "Company"};
    const std::uintmax_t sizes[] = {1782, 1260, 288, 72, 144, 18};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(fs::file_size(Folder() + stems[i] + ".ID"), sizes[i]) << stems[i];
    EXPECT_EQ(ReadFile(Folder() + "Brakes.ID"),
              "Service Brake   \r\nSecondary       \r\nParking         \r\nNot Specified   \r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), {}), 6);  // nothing else
}

TEST_F(StorageTest, SavingFitsEntriesToSixteenAndCleansThem) {
    TStringGrid* grid = form->PlantSG;
    grid->SetCell(0, "abc");
    grid->SetCell(1, "twenty characters!!!");
    form->StoreEntry(*grid, 0, 2, "bad!entry\t      ");
    ASSERT_TRUE(form->CorruptBits.IsSet(0, 2));
    form->SaveButton->click();
    EXPECT_EQ(Status(), "Vehicle (Plant) IDs saved");
    const std::string file = ReadFile(Folder() + "Vehicles.ID");
    EXPECT_EQ(file.substr(0, 54), "abc             \r\ntwenty character\r\nbad entry       \r\n");
    EXPECT_EQ(grid->Cell(0), "abc             ");  // the grid shows what was saved
    EXPECT_EQ(grid->Cell(1), "twenty character");
    EXPECT_FALSE(form->CorruptBits.AnySet(0));
}

TEST_F(StorageTest, LoadingAcceptsLooseFilesAndMarksBadCharacters) {
    fs::create_directories(Folder());
    WriteFile(Folder() + "Vehicles.ID", "First\rSecond\nTab\there with more than sixteen\r\n");
    form->PlantSG->SetCell(50, "edited");
    form->LoadButton->click();
    EXPECT_TRUE(messages.Messages().isEmpty()) << messages.Messages().join("|").toStdString();
    EXPECT_EQ(Status(), "Vehicle (Plant) IDs loaded");
    EXPECT_EQ(form->PlantSG->Cell(0), "First           ");
    EXPECT_EQ(form->PlantSG->Cell(1), "Second          ");
    EXPECT_EQ(form->PlantSG->Cell(2), "Tab here with mo");
    EXPECT_EQ(form->PlantSG->Cell(3), std::string(16, ' '));
    EXPECT_EQ(form->PlantSG->Cell(50), std::string(16, ' '));
    EXPECT_EQ(form->PlantSG->Cell(98), std::string(16, ' '));
    EXPECT_FALSE(form->CorruptBits.IsSet(0, 1));
    EXPECT_TRUE(form->CorruptBits.IsSet(0, 2));

    WriteFile(Folder() + "Company.ID", std::string("Acme\0 ignored", 13));
    form->TabbedNotebook1->setCurrentIndex(5);
    form->LoadButton->click();
    EXPECT_EQ(form->CompanySG->Cell(0), "Acme            ");
    EXPECT_EQ(Status(), "Company IDs loaded");
}

TEST_F(StorageTest, SaveThenLoadAllRestoresTheLists) {
    form->TrailerSG->SetCell(3, "Trailer Four    ");
    form->SaveAllButton->click();
    form->DefaultAllButton->click();
    EXPECT_EQ(Status(), "All IDs set to default");
    EXPECT_EQ(form->TrailerSG->Cell(3), "Trailer 4       ");
    form->LoadAllButton->click();
    EXPECT_EQ(Status(), "All IDs loaded");
    EXPECT_EQ(form->TrailerSG->Cell(3), "Trailer Four    ");
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(StorageTest, LoadAllWithNothingStoredSaysSoForEachList) {
    form->LoadAllButton->click();
    EXPECT_EQ(messages.Take(),
              QStringList(
                  {"No Vehicles details stored for A1234", "No Trailers details stored for A1234",
                   "No Conditions details stored for A1234", "No Brakes details stored for A1234",
                   "No Examiner details stored for A1234", "No Company details stored for A1234"}));
    EXPECT_EQ(Status(), "All IDs loaded");
    EXPECT_EQ(form->PlantSG->Cell(0), "Plant 1         ");
}

TEST_F(StorageTest, DefaultsNeedNoInstrumentAndClearTheMarks) {
    Identify("?####");
    form->StoreEntry(*form->PlantSG, 0, 4, "!!!             ");
    form->DefaultButton->click();
    EXPECT_TRUE(messages.Messages().isEmpty());
    EXPECT_EQ(Status(), "Vehicle (Plant) IDs set to default");
    EXPECT_EQ(form->PlantSG->Cell(4), "Plant 5         ");
    EXPECT_FALSE(form->CorruptBits.AnySet(0));
}

TEST_F(StorageTest, InvalidInstrumentNumbersAreReported) {
    const std::pair<const char*, const char*> cases[] = {
        {"?####", "Need to be connected to an instrument to save or load IDs"},
        {"A0000", "Problem with instrument number:\r\nNot a valid instrument number \"A0000\""},
        {"A12/45", "Problem with instrument number:\r\nNot a valid instrument number \"A12_4\""},
        {"-1234", "Problem with instrument number:\r\nNot a valid instrument number \"-1234\""},
    };
    for (const auto& [serial, message] : cases) {
        Identify(serial);
        form->SaveButton->click();
        form->LoadAllButton->click();
        EXPECT_EQ(messages.Take(), QStringList({message, message})) << serial;
    }
    EXPECT_EQ(Status(), "");
    EXPECT_FALSE(fs::exists(StorageFolder() + "_####"));

    Identify("A12");  // short numbers are valid
    form->SaveButton->click();
    EXPECT_TRUE(fs::exists(StorageFolder() + "A12/Vehicles.ID"));
}

TEST_F(StorageTest, FolderProblemsAreReported) {
    WriteFile(StorageFolder() + "A1234", "a file where the folder should be");
    form->SaveAllButton->click();
    EXPECT_EQ(
        messages.Take(),
        QStringList({QString::fromStdString("Couldn't access storage directory:\r\n" + Folder() +
                                            "\r\n\r\nIDs cannot be saved or loaded")}));
    fs::remove(StorageFolder() + "A1234");

    form->StoragePath.clear();
    form->LoadButton->click();
    EXPECT_EQ(messages.Take(), QStringList({"No path set to save/load IDs"}));
}

TEST_F(StorageTest, AFileThatCannotBeReadStopsLoadAll) {
    fs::create_directories(Folder());
    WriteFile(Folder() + "Vehicles.ID", "Kept\r\n");
    // Reading this regular file fails at once, whoever runs the test.
    fs::create_symlink("/proc/self/mem", Folder() + "Trailers.ID");
    form->LoadAllButton->click();
    EXPECT_EQ(messages.Take(), QStringList({"Error getting file path. Can't save or load IDs"}));
    EXPECT_EQ(form->PlantSG->Cell(0), "Kept            ");  // loaded before the failure
    EXPECT_EQ(form->SiteSG->Cell(0), "Dry tarmac      ");   // the loop ended there
    EXPECT_EQ(Status(), "");
}

TEST_F(StorageTest, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    form->SaveButton->click();
    const std::string before = ReadFile(Folder() + "Vehicles.ID");
    form->PlantSG->SetCell(0, "Changed");
    form->PlantSG->SetCell(1, "bad!");  // as if it had come in unchecked
    form->ActivityLabel->hide();
    {
        FileSizeLimit diskFull(100);
        form->SaveButton->click();
    }
    EXPECT_EQ(
        messages.Take(),
        QStringList({"Problem saving Vehicle (Plant) to file:\r\nEInOutError\r\nFile too large"}));
    EXPECT_EQ(ReadFile(Folder() + "Vehicles.ID"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), {}), 1);
    EXPECT_EQ(form->PlantSG->Cell(1), "bad             ");  // cleaned,
    EXPECT_TRUE(form->CorruptBits.IsSet(0, 1));             // and marked as it was not saved
    EXPECT_EQ(Status(), "");                                // and not claimed as saved

    // Save All goes on with the other lists after one fails.
    {
        FileSizeLimit diskFull(1000);  // only Vehicles.ID and Trailers.ID are larger
        form->SaveAllButton->click();
    }
    EXPECT_EQ(messages.Take().size(), 2);
    EXPECT_TRUE(fs::exists(Folder() + "Company.ID"));
    EXPECT_FALSE(fs::exists(Folder() + "Trailers.ID"));
}

class StartupStorageTest : public ::testing::Test {
  protected:
    TempHome home;
    MessageRecorder messages;
};

TEST_F(StartupStorageTest, AStorageFolderThatCannotBeMadeHidesSaveAndLoad) {
    WriteFile(home.Documents(), "not a folder");
    TMainForm form;
    EXPECT_EQ(messages.Take(), QStringList({QString::fromStdString(
                                   "Can't access storage directory:\r\n" + home.Documents() +
                                   "/Corvane/Rostermate/\r\n\r\nWon't be able to "
                                   "save or load IDs")}));
    for (QPushButton* hidden :
         {form.SaveButton, form.SaveAllButton, form.LoadButton, form.LoadAllButton})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_FALSE(form.DefaultButton->isHidden());
    EXPECT_FALSE(form.DefaultAllButton->isHidden());
}

TEST_F(StartupStorageTest, NoStorageFolderAtAllIsAnErrorButStartUpGoesOn) {
    lists::StorageEnvironment nowhere = lists::SystemStorageEnvironment();
    nowhere.documentsFolder = [] { return std::string(); };
    nowhere.programFolder = [] { return std::string(); };
    TMainForm form(nowhere);
    EXPECT_EQ(messages.Take(),
              QStringList({"Error EInOutError setting up storage path:\r\nUnable to create "
                           "directory"}));
    EXPECT_FALSE(form.SaveButton->isHidden());
    EXPECT_EQ(form.PlantSG->RowCount(), 99);
    form.SerialEB->setText("A1234");
    form.SaveButton->click();
    EXPECT_EQ(messages.Take(), QStringList({"No path set to save/load IDs"}));
}
