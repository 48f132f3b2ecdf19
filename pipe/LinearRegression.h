#pragma once
// pipe/LinearRegression.h — least-squares line through an ordered list of
// points, each of which may be left out of the fit. Sums are float32,
// accumulated in list order.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// One point; also its 12 stored bytes.
struct RegressionPoint {
    float x;             // sensor separation, display length unit (m or ft)
    float y;             // measured delay, display time unit (s or ms)
    uint8_t included;    // non-zero: the point takes part in the fit
    uint8_t filler[3];   // written as they stand, ignored when read
};
static_assert(sizeof(RegressionPoint) == 12);
static_assert(offsetof(RegressionPoint, y) == 4);
static_assert(offsetof(RegressionPoint, included) == 8);

class LinearRegression {
public:
    static constexpr const char* kSizeError = "Error in size of linear regression data chunk";

    // Number of included points.
    int GetCount() const;
    // Slope m and intercept c of y = m x + c through the included points;
    // meaningful with two or more at different x (else not finite).
    float GetSlope() const;
    float GetIntercept() const;
    // True when the included points lie at more than one separation. At one
    // separation the slope is 0 / 0, or only the float sums' rounding: three
    // points at 60.96 give m = 0.000244, "4096.0m/s".
    bool HasLine() const;
    float GetY(float x) const;  // m x + c
    float GetX(float y) const;  // (y - c) / m

    // Every point, included or not.
    size_t Size() const { return m_points.size(); }
    const RegressionPoint& Point(size_t i) const { return m_points.at(i); }
    RegressionPoint& Point(size_t i) { return m_points.at(i); }
    void Append(float x, float y, bool included = true);
    // False (nothing changed) for an index past the end.
    bool Remove(size_t i);
    bool ToggleIncluded(size_t i);
    void Clear() { m_points.clear(); }

    // int32 list size (12 x count + 4), int32 count, the points.
    void Write(std::ostream& os) const;
    // Raises kSizeError (list unchanged) when the list size does not match
    // the count. Otherwise the list is replaced by the points as they arrive;
    // a short stream ends the list there and leaves the stream failed.
    void Read(std::istream& is);

private:
    struct Sums {
        float n = 0, x = 0, y = 0, xy = 0, xx = 0;
    };
    Sums Accumulate() const;

    std::vector<RegressionPoint> m_points;
};

// Start-up check against two data sets with exact answers: "" when it
// passes, else one line per failed check led by ".\LinearRegression(<line>): ".
std::string LinearRegressionSelfTest();
