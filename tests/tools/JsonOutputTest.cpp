// corrtool --json: every command that prints results prints one JSON object
// whose keys have the documented types (docs/json.md), and whose values are
// the ones its key=value lines show.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "JsonReader.h"
#include "TempUnitRoot.h"
#include "ToolRun.h"
#include "pipe/ComputationFile.h"

namespace {

using Kind = JsonValue::Kind;

// "key:t" with t one of s (string), n (number), i (whole number), N (number or
// null), b (boolean), a (array); "list[].key:t" holds for every item of list.
void ExpectSchema(const JsonValue& object, const std::string& schema) {
    std::istringstream words(schema);
    for (std::string word; words >> word;) {
        const size_t colon = word.rfind(':');
        std::string key = word.substr(0, colon);
        const char type = word[colon + 1];
        std::vector<const JsonValue*> owners = {&object};
        if (const size_t list = key.find("[]."); list != std::string::npos) {
            const JsonValue* items = object.Find(key.substr(0, list));
            ASSERT_TRUE(items && items->kind == Kind::Array) << key;
            owners.clear();
            for (const JsonValue& item : items->items) owners.push_back(&item);
            key = key.substr(list + 3);
        }
        for (const JsonValue* owner : owners) {
            const JsonValue* v = owner->Find(key);
            ASSERT_NE(v, nullptr) << "missing " << word;
            const bool number = v->kind == Kind::Number;
            const bool ok = type == 's'   ? v->kind == Kind::String
                            : type == 'n' ? number
                            : type == 'i' ? number && v->number == std::floor(v->number)
                            : type == 'N' ? number || v->kind == Kind::Null
                            : type == 'b' ? v->kind == Kind::Bool
                                          : v->kind == Kind::Array;
            EXPECT_TRUE(ok) << word;
        }
    }
}

// Every key=value line whose key the JSON object holds as a scalar shows the same value.
void ExpectSameValues(const JsonValue& object, const std::string& lines) {
    std::istringstream is(lines);
    for (std::string line; std::getline(is, line);) {
        const size_t eq = line.find('=');
        const JsonValue* v = eq == std::string::npos ? nullptr : object.Find(line.substr(0, eq));
        if (!v) continue;
        const std::string text = line.substr(eq + 1);
        if (v->kind == Kind::Number) {
            EXPECT_NEAR(std::stod(text), v->number, 1e-5 * std::fabs(v->number) + 1e-12) << line;
        } else if (v->kind == Kind::String) {
            EXPECT_EQ(text, v->text) << line;
        } else if (v->kind == Kind::Bool) {
            EXPECT_EQ(text == "yes" || text == "1", v->boolean) << line;
        }
    }
}

const char* const kPeak = " peak_lag:i peak_delay_s:n peak_height:i snr:n distance_a_m:n distance_b_m:n";

}  // namespace

TEST(JsonOutput, EveryResultCommandPrintsOneObjectOfItsSchemaWithTheLinesValues) {
    TempUnitRoot root;
    const std::string dir = root.Path().string(), run = dir + "/run";
    ASSERT_EQ(Tool({"acquire", "--seconds", "1", "--out", run}).code, 0);
    ASSERT_EQ(Tool({"conf", "write-default", dir + "/conf.dat"}).code, 0);
    const std::string comp = " stored_length_unit:s stored_time_unit:s points:a points[].separation_m:n"
                             " points[].delay_s:n points[].included:b included_count:i left_station:i"
                             " right_station:i leak_distance_m:N velocity_m_per_s:N";
    const struct {
        Args args;
        std::string schema;
    } rows[] = {
        {{"acquire", "--seconds", "1"},
         std::string("scenario:s seconds:n sample_rate:n decimation:i engine:s blocks:i blocks_overrun:i max_lag:i"
                     " samples_correlated:i band_low_hz:n band_high_hz:n scenario_delay_samples:n"
                     " scenario_distance_a_m:n") + kPeak},
        {{"corr", "info", run + ".corr"},
         std::string("file:s title:s comment1:s comment2:s comment3:s reference:s elapsed_s:n pipe:s pipe_length_m:n"
                     " filter:s traces:i accumulators:i post_filter:i range:n range_unit:i max_lag:i"
                     " samples_correlated:i red_samples_stored:i file_sample_rate:n") + kPeak},
        {{"corr", "replay", run + ".corr", "--out", dir + "/again"},
         std::string("file:s recording:s frames:i engine:s kernel:s post_filter:i traces:i sample_rate:n max_lag:i"
                     " samples_correlated:i filter:s saved:s") + kPeak},
        {{"corr", "verify", run + ".corr"}, "file:s verify:s differences:a"},
        {{"comp", "add", dir + "/v.comp", run + ".corr", dir + "/again.corr"}, "file:s" + comp},
        {{"comp", "show", "--feet", "--ms", dir + "/v.comp"}, "file:s" + comp},
        {{"wav", "info", run + "_corr.wav"},
         "file:s bytes:i riff:s riffSize:i wave:s fmt:s fmtSize:i format:i channels:i sampleRate:i byteRate:i"
         " blockAlign:i bitsPerSample:i data:s dataSize:i frames:i seconds:n playable:b"},
        {{"conf", "show", dir + "/conf.dat"},
         "file:s load:s surveyRange:i surveyCustomCutoffs:a unitSystem:i velocityPerMs:i language:s radio:a"
         " radio[].frequency:i radio[].spacing:i reserved129:s postFilter:i sharpenSelection:i"},
        {{"materials", "show"},
         "file:s load:s slots:a slots[].slot:i slots[].name:s slots[].group:i slots[].colour_rgb:a slots[].bands:a"},
        {{"analyze", run + ".corr"},
         "run:s method:s sample_rate:n max_lag:i band_low_hz:n band_high_hz:n segments:i coherence:n snr:n"
         " peak_lag:n peak_delay_s:n distance_a_m:n distance_b_m:n ci95_low_a_m:N ci95_high_a_m:N leak:s peaks:a"
         " peaks[].peak_lag:n peaks[].peak_delay_s:n peaks[].distance_a_m:n peaks[].distance_b_m:n"
         " peaks[].relative_height:n"},
#ifdef CORRELATOR_HAVE_AUDIO
        {{"devices"}, "devices:a device_count:i"},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.front() + " " + row.args.at(std::min<size_t>(1, row.args.size() - 1)));
        Args json = row.args;
        json.push_back("--json");
        const ToolResult r = Tool(json);
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line";
        JsonValue object;
        ASSERT_NO_THROW(object = JsonReader::Parse(r.out)) << r.out;
        ASSERT_EQ(object.kind, Kind::Object);
        ExpectSchema(object, row.schema);
        ExpectSameValues(object, Tool(row.args).out);
    }
}

// The JSON numbers are metres and seconds whatever units the file keeps and
// the lines are shown in: 100 m at 50 ms and 200 m at 150 ms, stored in feet
// and milliseconds, make 1000 m/s and a source 25 m from A.
TEST(JsonOutput, ComputationNumbersAreMetresAndSecondsInAnyUnits) {
    TempUnitRoot root;
    const std::string file = (root.Path() / "feet.comp").string();
    Computation c;
    c.points.Append(100.0f / 0.3048f, 50.0f);
    c.points.Append(200.0f / 0.3048f, 150.0f);
    std::ofstream os(file, std::ios::binary);
    WriteComputation(os, c, LengthUnit::Feet, TimeUnit::Milliseconds);
    os.close();
    for (const Args& args : {Args{"comp", "show", file, "--json"}, Args{"comp", "show", "--feet", "--ms", file, "--json"}}) {
        const JsonValue shown = JsonReader::Parse(Tool(args).out);
        EXPECT_EQ(shown.Find("stored_length_unit")->text, "ft");
        const JsonValue& second = shown.Find("points")->items.at(1);
        EXPECT_NEAR(second.Find("separation_m")->number, 200.0, 1e-3);
        EXPECT_NEAR(second.Find("delay_s")->number, 0.15, 1e-6);
        EXPECT_NEAR(shown.Find("velocity_m_per_s")->number, 1000.0, 0.05);
        EXPECT_NEAR(shown.Find("leak_distance_m")->number, 25.0, 1e-3);
    }
}
