#include "files/flight_table.h"
#include "files/measurement_file.h"
#include "files/text_export.h"
#include "flight/evaluation.h"
#include "flight/flight_header.h"
#include "flight/generator.h"
#include "tests/support/test_files.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class FilesTest : public test::TempDirTest {
protected:
    fs::path file(const std::string& name) const { return dir_ / name; }

    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
};

// A saved flight loads whole up to the 90,000 bytes a download can bring back.
TEST_F(FilesTest, ReadsAtMostTheFirst90000Bytes) {
    const struct {
        std::size_t size;
        std::size_t kept;
        std::uint32_t words;
    } cases[] = {{32, 32, 0},           {63, 63, 15},          {64, 64, 16},
                 {65, 65, 16},          {33032, 33032, 16500}, {80000, 80000, 39984},
                 {90000, 90000, 44984}, {90032, 90000, 44984}};
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes(c.size);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7);
        }
        test::writeBytes(file("f.bin"), bytes);
        const Result<FlightImage> r = readMeasurementFile(file("f.bin"));
        ASSERT_TRUE(r) << c.size << ": " << r.status.error;
        EXPECT_EQ(r.value->size(), c.kept);
        EXPECT_EQ(r.value->wordCount(), c.words);
        EXPECT_TRUE(std::equal(r.value->bytes().begin(), r.value->bytes().end(), bytes.begin()));
    }
}

TEST_F(FilesTest, RefusesWhatIsNoFlightImage) {
    test::writeBytes(file("short.bin"), std::vector<std::uint8_t>(31, 1));
    test::writeBytes(file("empty.bin"), {});
    const Result<FlightImage> shortFile = readMeasurementFile(file("short.bin"));
    EXPECT_EQ(shortFile.status.kind, ErrorKind::TooShort);
    EXPECT_NE(shortFile.status.error.find("short.bin"), std::string::npos);
    EXPECT_EQ(readMeasurementFile(file("empty.bin")).status.kind, ErrorKind::TooShort);
    const Result<FlightImage> missing = readMeasurementFile(file("missing.bin"));
    EXPECT_EQ(missing.status.kind, ErrorKind::OpenFailed);
    EXPECT_NE(missing.status.error.find("missing.bin"), std::string::npos);
    EXPECT_EQ(readMeasurementFile(dir_).status.kind, ErrorKind::ReadFailed);
}

// Nothing given as a flight file makes a load wait or read without end.
TEST_F(FilesTest, OnlyRegularFilesAreReadAndStreamsAreBounded) {
    ASSERT_EQ(::mkfifo(file("fifo").c_str(), 0600), 0); // no writer will ever come
    for (const fs::path& p : {file("fifo"), fs::path("/dev/zero"), dir_}) {
        const Result<FlightImage> r = readMeasurementFile(p);
        EXPECT_EQ(r.status.kind, ErrorKind::ReadFailed) << p;
        EXPECT_NE(r.status.error.find(p.string()), std::string::npos) << p;
    }
    // Standard input may be anything; it is read no further than a download's buffer.
    const int zero = ::open("/dev/zero", O_RDONLY);
    ASSERT_GE(zero, 0);
    const Result<FlightImage> stream = readMeasurementStream(zero, "standard input");
    ::close(zero);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream.value->size(), kMaxFileReadBytes);
}

TEST_F(FilesTest, SaveReplacesOnlyAsAWholeAndRoundTrips) {
    const FlightImage image(generateFlight({.trailingBytes = 5}));
    ASSERT_TRUE(writeMeasurementFile(file("flight.bin"), image));
    const Result<FlightImage> back = readMeasurementFile(file("flight.bin"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back.value->bytes(), image.bytes());

    // Replacing keeps the file's permissions and leaves no temporary file behind.
    ::chmod(file("flight.bin").c_str(), 0640);
    const FlightImage smaller(std::vector<std::uint8_t>(40, 9));
    ASSERT_TRUE(writeMeasurementFile(file("flight.bin"), smaller));
    EXPECT_EQ(test::readText(file("flight.bin")), std::string(40, '\x09'));
    struct stat st {};
    ::stat(file("flight.bin").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640U);
    EXPECT_EQ(entries(), 1U);
}

TEST_F(FilesTest, FailedSaveLeavesEverythingAsItWas) {
    // The target is a folder holding a file: the rename fails, the folder stays, no temporary.
    fs::create_directories(file("taken"));
    test::writeBytes(file("taken") / "inside", {1, 2, 3});
    const Status s = writeMeasurementFile(file("taken"), FlightImage({1, 2}));
    EXPECT_EQ(s.kind, ErrorKind::WriteFailed);
    EXPECT_NE(s.error.find("taken"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(file("taken")));
    EXPECT_EQ(entries(), 1U);

    const Status noFolder = writeMeasurementFile(file("no") / "such.bin", FlightImage({1}));
    EXPECT_EQ(noFolder.kind, ErrorKind::CreateFailed);
}

std::vector<std::int32_t> curve(std::initializer_list<std::int32_t> points) {
    std::vector<std::int32_t> c(kCurveLength, 0);
    std::copy(points.begin(), points.end(), c.begin());
    return c;
}

TEST_F(FilesTest, TextExportWritesThePlottedPointsOnly) {
    // lastPointIndex 6: points 0..3 are plotted, position 4 holds the end mark.
    const std::vector<std::int32_t> c = curve({123456, 12340, -250, 0, kCurveEndMark, 77});
    const Result<std::string> text = textExportBytes(c, 6, '.');
    ASSERT_TRUE(text);
    EXPECT_EQ(*text.value, std::string("1235.0\n\r123.4\n\r-2.5\n\r0.0\n\r"));
    EXPECT_EQ(*textExportBytes(c, 6, ',').value, std::string("1235,0\n\r123,4\n\r-2,5\n\r0,0\n\r"));
    // An end mark earlier than lastPointIndex says stops the export there.
    EXPECT_EQ(*textExportBytes(curve({5, kCurveEndMark, 8, 9}), 6, '.').value, "0.1\n\r");
    for (const std::int32_t last : {-1, 0, 1, 2}) {
        EXPECT_EQ(textExportBytes(c, last, '.').status.kind, ErrorKind::NoData) << last;
    }
    EXPECT_EQ(textExportBytes(curve({kCurveEndMark}), 20, '.').status.kind, ErrorKind::NoData);
}

TEST_F(FilesTest, TextExportOfAnEvaluatedFlight) {
    // samples - 3 = 100 = lastPointIndex
    const FlightImage image(generateFlight({.maxSamples = 103, .endMarker = false}));
    const FlightHeader h = ApplyFlightHeader(image);
    const FlightEvaluation e = EvaluateFlight(
        {&image, image.wordCount(), h.rateTimes10, h.calibration, h.groundTemp, false});
    ASSERT_EQ(e.lastPointIndex, 100);
    ASSERT_TRUE(writeTextExport(file("out.csv"), e.altitudeCm, e.lastPointIndex, '.'));
    const std::string text = test::readText(file("out.csv"));
    std::size_t lines = 0;
    for (std::size_t at = text.find("\n\r"); at != std::string::npos;
         at = text.find("\n\r", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 98U);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\r");
    EXPECT_EQ(text.find("2147"), std::string::npos); // no end mark as a bogus value

    // Nothing to export: an existing file is left untouched.
    test::writeBytes(file("keep.csv"), {'x'});
    EXPECT_EQ(writeTextExport(file("keep.csv"), e.altitudeCm, 2, '.').kind, ErrorKind::NoData);
    EXPECT_EQ(test::readText(file("keep.csv")), "x");
}

TEST(TextExportName, CsvIsAppendedUnlessPresentCaseSensitive) {
    EXPECT_EQ(exportFileName("flight"), "flight.csv");
    EXPECT_EQ(exportFileName("flight.csv.txt"), "flight.csv.txt");
    EXPECT_EQ(exportFileName("FLIGHT.CSV"), "FLIGHT.CSV.csv");
    EXPECT_EQ(exportFileName("a.csv"), "a.csv");
}

// The table's vertical speed: cm per sample interval x samples per second, rounded half away from
// zero from that exact value at every rate (only 0.5 samples per second has ties), as the
// altitude texts are; never by the noise of the float the chart holds.
TEST(FlightTableSpeed, RoundsTheExactValueHalfAwayFromZeroAtEveryRate) {
    const struct {
        std::uint32_t rateTimes10;
        std::int32_t cmPerSample;
        const char* shown;
    } cases[] = {
        {5, 59, "0.30"},     {5, -125, "-0.63"}, {5, 1, "0.01"},     {5, -1, "-0.01"},
        {5, 27, "0.14"},     {5, 33, "0.17"},    {5, -27, "-0.14"},  {5, -33, "-0.17"},
        {5, 0, "0.00"},      {10, 59, "0.59"},   {10, -7, "-0.07"},  {50, 59, "2.95"},
        {50, -125, "-6.25"}, {100, 3, "0.30"},   {150, -7, "-1.05"}, {200, 59, "11.80"},
        {200, -1, "-0.20"},
    };
    for (const auto& c : cases) {
        FlightEvaluation ev;
        ev.altitudeCm = {100, 200, 300, 400, 500, 600, kCurveEndMark};
        ev.lastPointIndex = 5; // three plotted points
        ev.series2 = {0.0f, static_cast<float>(c.cmPerSample * 0.01), 0.0f};
        const Result<std::string> table = flightTableCsv(ev, c.rateTimes10, std::nullopt);
        ASSERT_TRUE(table);
        const std::string row = test::lines(*table.value).at(2); // after the heading and point 0
        EXPECT_EQ(row.substr(row.rfind(',') + 1), c.shown)
            << "rate x10 " << c.rateTimes10 << ", " << c.cmPerSample << " cm per sample";
    }
}

} // namespace
} // namespace kestrom
