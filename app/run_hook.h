#pragma once
// A debugger's way into a run: told at every line boundary, before the line at
// ProgExecLine runs, and whenever a wait pumps the window's events. Whatever it
// does there (stop, look at the state, change a flag) happens on the UI thread
// between two steps of the run, so nothing else needs to know about it.
namespace qvl {

class RunHook {
public:
    virtual ~RunHook() = default;
    virtual void beforeLine() = 0;
    virtual void waiting() = 0;
};

}  // namespace qvl
