#pragma once

// A descriptor another thread can make readable, so that a thread blocked in poll() on a device
// can also be woken on purpose (the self-pipe). A wake stays pending until drained, so a wake
// that comes just before the poll is not lost. Wake and Drain never block.
class TSioWakePipe {
  public:
    TSioWakePipe() = default;
    ~TSioWakePipe();
    TSioWakePipe(const TSioWakePipe&) = delete;
    TSioWakePipe& operator=(const TSioWakePipe&) = delete;

    bool Create();  // false when the system is out of descriptors
    void Close();
    bool IsOpen() const { return read_ >= 0; }
    int PollFd() const { return read_; }

    void Wake() const;
    void Drain() const;

  private:
    int read_ = -1;
    int write_ = -1;
};
