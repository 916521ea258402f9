#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;

// The port-selection dialog: shown when a port is opened without a number and may ask.
class TSioSelComDialog : public QDialog {
    Q_OBJECT
  public:
    // `numbers`: the ports to offer, listed as "COM<n>" with the first one selected.
    explicit TSioSelComDialog(const std::vector<std::uint16_t>& numbers, QWidget* parent = nullptr);

    QComboBox* PortList() const { return list_; }
    // The number of the selected entry (0 when the list is empty).
    std::uint16_t SelectedNumber() const;

  private:
    QComboBox* list_;
};

// Offers the available ports modally; the chosen number, or nothing when cancelled.
std::optional<std::uint16_t> SelectComPort();
