#pragma once
// tools/Progress.h — progress of a long command on standard error, as one
// line rewritten in place ("corr replay: 42 %"), and only when standard error
// is a terminal: a script or a log file never sees it.

#include <cstdint>
#include <ostream>
#include <string>

class CProgress {
public:
    // total: the amount that makes 100 % (frames, milliseconds), > 0.
    CProgress(std::ostream& err, std::string label, int64_t total);
    ~CProgress();  // clears the line it left
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;

    // Shows done / total when the whole percentage has changed.
    void Update(int64_t done);

private:
    std::ostream& m_err;
    std::string m_label;
    int64_t m_total;
    bool m_shown;      // standard error is a terminal
    int m_percent = -1;  // the percentage on the line; -1 before the first
};
