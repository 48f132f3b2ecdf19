#include "pipe/LinearRegression.h"

#include <algorithm>
#include <sstream>

#include "archive/Archive.h"
#include "platform/SelfTestText.h"

namespace {

constexpr int64_t kPointSize = 12;

void WritePoint(std::ostream& os, const RegressionPoint& p) {
    archive::WriteFloat(os, p.x);
    archive::WriteFloat(os, p.y);
    archive::WriteInt8(os, p.included);
    for (uint8_t b : p.filler) archive::WriteInt8(os, b);
}

bool ReadPoint(std::istream& is, RegressionPoint& p) {
    archive::ReadFloat(is, p.x);
    archive::ReadFloat(is, p.y);
    archive::ReadInt8(is, p.included);
    for (uint8_t& b : p.filler) archive::ReadInt8(is, b);
    return !is.fail();
}

}  // namespace

LinearRegression::Sums LinearRegression::Accumulate() const {
    Sums s;
    for (const RegressionPoint& p : m_points) {
        if (!p.included) continue;
        s.n += 1.0f;
        s.x += p.x;
        s.y += p.y;
        s.xy += p.x * p.y;
        s.xx += p.x * p.x;
    }
    return s;
}

int LinearRegression::GetCount() const {
    return static_cast<int>(std::count_if(m_points.begin(), m_points.end(), [](const auto& p) { return p.included; }));
}

float LinearRegression::GetSlope() const {
    const Sums s = Accumulate();
    return (s.n * s.xy - s.y * s.x) / (s.n * s.xx - s.x * s.x);
}

float LinearRegression::GetIntercept() const {
    const Sums s = Accumulate();
    const float m = (s.n * s.xy - s.y * s.x) / (s.n * s.xx - s.x * s.x);
    return (s.y - m * s.x) / s.n;
}

bool LinearRegression::HasLine() const {
    const auto included = [](const RegressionPoint& p) { return p.included != 0; };
    const auto first = std::find_if(m_points.begin(), m_points.end(), included);
    return first != m_points.end() &&
           std::any_of(first, m_points.end(), [&](const RegressionPoint& p) { return p.included && p.x != first->x; });
}

float LinearRegression::GetY(float x) const { return GetSlope() * x + GetIntercept(); }

float LinearRegression::GetX(float y) const { return (y - GetIntercept()) / GetSlope(); }

void LinearRegression::Append(float x, float y, bool included) {
    m_points.push_back(RegressionPoint{x, y, static_cast<uint8_t>(included ? 1 : 0), {0, 0, 0}});
}

bool LinearRegression::Remove(size_t i) {
    if (i >= m_points.size()) return false;
    m_points.erase(m_points.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

bool LinearRegression::ToggleIncluded(size_t i) {
    if (i >= m_points.size()) return false;
    m_points[i].included = m_points[i].included ? 0 : 1;
    return true;
}

void LinearRegression::Write(std::ostream& os) const {
    const auto count = static_cast<int32_t>(m_points.size());
    archive::WriteInt32(os, static_cast<int32_t>(kPointSize * count + 4));
    archive::WriteInt32(os, count);
    for (const RegressionPoint& p : m_points) WritePoint(os, p);
}

void LinearRegression::Read(std::istream& is) {
    int32_t listSize = 0, count = 0;
    archive::ReadInt32(is, listSize);
    archive::ReadInt32(is, count);
    if (is.fail()) {
        m_points.clear();
        return;
    }
    // In 64 bits, so that a hostile count cannot wrap round to a matching size.
    if (count < 0 || int64_t{listSize} != kPointSize * count + 4) throw archive::ArchiveError(kSizeError);
    m_points.clear();
    // Grown point by point: a count beyond the data costs no memory.
    m_points.reserve(static_cast<size_t>(std::min(count, 1024)));
    RegressionPoint p{};
    for (int32_t i = 0; i < count && ReadPoint(is, p); ++i) m_points.push_back(p);
}

std::string LinearRegressionSelfTest() {
    std::string failures;
    auto check = [&failures](bool ok, int line, const char* message) {
        if (!ok) failures += platform::CheckFailure("LinearRegression", line, std::string(message) + "\n");
    };
    LinearRegression first;
    first.Append(3, 2);
    first.Append(4, 5);
    check(first.GetSlope() == 3.0f, __LINE__, "For first data set, m not 3");
    check(first.GetIntercept() == -7.0f, __LINE__, "For first data set, c not -7");
    check(first.GetY(1) == -4.0f, __LINE__, "For first data set, y(x = 1) not -4");
    check(first.GetX(8) == 5.0f, __LINE__, "For first data set, x(y = 8) not 5");

    LinearRegression second;
    second.Append(10, 10);
    second.Append(20, 40);
    second.Append(30, 60);
    second.Append(40, 70);
    check(second.GetSlope() == 2.0f, __LINE__, "For second data set, m not 2");
    check(second.GetIntercept() == -5.0f, __LINE__, "For second data set, c not -5");
    check(second.GetY(15) == 25.0f, __LINE__, "For second data set, y(x = 15) not 25");
    check(second.GetX(-5) == 0.0f, __LINE__, "For second data set, x(y = -5) not 0");
    return failures;
}
