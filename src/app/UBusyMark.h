#pragma once

// Sets a flag for the lifetime of the guard and clears it on every way out:
// the window's re-entrancy marks (running tick, bar change, fetch).
class TBusyMark
{
public:
    explicit TBusyMark(bool& flag) : flag(flag) { flag = true; }
    ~TBusyMark() { flag = false; }
    TBusyMark(const TBusyMark&) = delete;
    TBusyMark& operator=(const TBusyMark&) = delete;

private:
    bool& flag;
};
