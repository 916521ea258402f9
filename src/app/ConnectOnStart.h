#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

class TMainForm;

// `--connect N`: once COM N is in the port list, picks it and presses Connect, as a person
// would; on request it then presses Read from Instrument on the first page. OnFinished is
// called once, with an empty text when everything went through, else a sentence saying what
// did not happen; it is also called when the time limit runs out first.
class ConnectOnStart : public QObject {
    Q_OBJECT
  public:
    struct Settings {
        int comNumber = 0;
        bool readFirstPage = false;
        std::chrono::milliseconds limit{std::chrono::seconds(60)};
    };
    using FinishedHandler = std::function<void(const QString& failure)>;

    ConnectOnStart(TMainForm& form, Settings settings, FinishedHandler onFinished);

    // The person's steps, for anything that drives the window the same way.
    // Picks COM n and presses Connect; false when the port is not listed (nothing pressed).
    static bool PressConnect(TMainForm& form, int comNumber);
    // The instrument has given its serial number and the connect sequence is over.
    static bool Identified(const TMainForm& form);
    // Shows a page and presses Read from Instrument or Write to Instrument; false when no
    // transfer started.
    static bool PressTransfer(TMainForm& form, int page, bool write);
    // Back at the clock poll with no list transfer half done.
    static bool TransferDone(const TMainForm& form);

  private:
    enum class Stage { WaitingForPort, Connecting, Reading, Finished };

    void Check();
    void Finish(const QString& failure);
    QString TimeOutReason() const;

    TMainForm& form_;
    Settings settings_;
    FinishedHandler onFinished_;
    Stage stage_ = Stage::WaitingForPort;
    QTimer poll_;
    QElapsedTimer elapsed_;
};
