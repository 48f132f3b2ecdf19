#include "tools/ResultOut.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

std::string Print(bool json) {
    std::ostringstream os;
    CResultOut r(os, json);
    r.Integer("peak_lag", -12);
    r.Number("snr", 2.5);
    r.Text("file", "a \"b\"\n");
    r.BeginList("peaks");
    r.BeginItem();
    r.Number("distance_a_m", 70.25);
    r.Bool("best", true);
    r.EndItem();
    r.BeginItem();
    r.Numbers("lags", {1, 2});
    r.EndItem();
    r.EndList();
    r.Number("nan", std::nan(""));
    r.Finish();
    return os.str();
}

TEST(ResultOut, PrintsTheSameFieldsAsLinesOrOneJsonObject) {
    EXPECT_EQ(Print(false),
              "peak_lag=-12\nsnr=2.5\nfile=a \"b\"\n\npeaks.0.distance_a_m=70.25\npeaks.0.best=1\n"
              "peaks.1.lags=1,2\nnan=nan\n");
    EXPECT_EQ(Print(true),
              "{\"peak_lag\":-12,\"snr\":2.5,\"file\":\"a \\\"b\\\"\\n\",\"peaks\":[{\"distance_a_m\":70.25,"
              "\"best\":true},{\"lags\":[1,2]}],\"nan\":null}\n");
}

TEST(ResultOut, NumbersReadBackExactlyWhateverTheLocale) {
    EXPECT_EQ(CResultOut::FormatNumber(0.1), "0.1");
    EXPECT_EQ(CResultOut::FormatNumber(0.1f), "0.1");  // a float as a float, not 0.10000000149011612
    EXPECT_EQ(CResultOut::FormatNumber(1e-7), "1e-07");
    EXPECT_EQ(CResultOut::JsonString(std::string("\x01", 1)), "\"\\u0001\"");
}

}  // namespace
