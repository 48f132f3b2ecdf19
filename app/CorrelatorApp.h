#pragma once
// app/CorrelatorApp.h — the application object: prepares the unit, then runs
// the main screen modally; when it closes, the program ends.

class CCorrelatorApp {
public:
    CCorrelatorApp() = default;
    ~CCorrelatorApp();  // frees the material table
    CCorrelatorApp(const CCorrelatorApp&) = delete;
    CCorrelatorApp& operator=(const CCorrelatorApp&) = delete;

    // The start-up steps in order, then the main screen. Returns false: no
    // message loop is to be run after it.
    bool InitInstance();

    // The main screen's result code (1 for X).
    int MainResult() const { return m_mainResult; }

private:
    int m_mainResult = 0;
};
