#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <memory>

#include "MessageRecorder.h"
#include "TMainForm.h"
#include "TempHome.h"

// A main window in a fresh home folder, with every message recorded instead of shown.
class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override { form = std::make_unique<TMainForm>(); }

    std::string StorageFolder() const { return home.Documents() + "/Corvane/Rostermate/"; }

    // The instrument face, as after an instrument reported this serial number.
    void Identify(const char* serial) { form->SerialEB->setText(QString::fromLatin1(serial)); }

    TempHome home;
    MessageRecorder messages;
    std::unique_ptr<TMainForm> form;
};
