#include "tools/Progress.h"

#include <algorithm>

#include "platform/Terminal.h"

CProgress::CProgress(std::ostream& err, std::string label, int64_t total)
    : m_err(err), m_label(std::move(label)), m_total(std::max<int64_t>(total, 1)),
      m_shown(platform::StderrIsTerminal()) {}

CProgress::~CProgress() {
    // Carriage return and erase to the end of the line: the results follow on a clean line.
    if (m_shown && m_percent >= 0) m_err << "\r\x1b[K" << std::flush;
}

void CProgress::Update(int64_t done) {
    if (!m_shown) return;
    const auto percent = static_cast<int>(std::clamp<int64_t>(done * 100 / m_total, 0, 100));
    if (percent == m_percent) return;
    m_percent = percent;
    m_err << '\r' << m_label << ": " << percent << " %" << std::flush;
}
