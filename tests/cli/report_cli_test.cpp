// kestrom-cli report, run as the program: pages counted and read back with poppler-utils.

#include "tests/support/test_files.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

struct Ran {
    int code = -1;
    std::string out;
};

// Runs a shell command line; output and exit status.
Ran shell(const std::string& command) {
    Ran ran;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return ran;
    }
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        ran.out.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    ran.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

std::string quoted(const fs::path& p) { return std::string("'").append(p.string()).append("'"); }

// The report runs without a display: no DISPLAY, no platform chosen.
Ran cli(const std::string& args) {
    return shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " KESTROM_CLI " " + args +
                 " 2>&1");
}

class ReportCli : public test::TempDirTest {
protected:
    fs::path gen(const std::string& name, const std::string& options) const {
        const fs::path p = dir_ / name;
        EXPECT_EQ(cli("gen " + quoted(p) + " " + options).code, 0);
        return p;
    }
    static int pages(const fs::path& pdf) {
        const Ran info = shell("pdfinfo " + quoted(pdf));
        const std::size_t at = info.out.find("Pages:");
        return info.code == 0 && at != std::string::npos ? std::stoi(info.out.substr(at + 6)) : -1;
    }
    static std::string pageText(const fs::path& pdf, int page) {
        const std::string n = std::to_string(page);
        return shell("pdftotext -layout -f " + n + " -l " + n + " " + quoted(pdf) + " -").out;
    }
};

TEST_F(ReportCli, OnePageOfA4LandscapePerFlight) {
    const fs::path a = gen("a.kes", "--competitor 23 --serial 4711 --rate 0");
    const fs::path b = gen("b.kes", "--rate 3 --spikes 5");
    const fs::path c = gen("c.kes", "--rate 9");
    const fs::path pdf = dir_ / "report.pdf";
    const Ran r =
        cli("report " + quoted(a) + " " + quoted(b) + " " + quoted(c) + " -o " + quoted(pdf));
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(pages(pdf), 3);
    EXPECT_NE(shell("pdfinfo " + quoted(pdf)).out.find("842 x 595 pts (A4)"), std::string::npos);

    const std::string first = pageText(pdf, 1);
    for (const char* wanted :
         {"a.kes", "Competitor No.: 23", "Serial No.: 4711", "Max:", "Sampling: 20 mes/sek"}) {
        EXPECT_NE(first.find(wanted), std::string::npos) << wanted << " in\n" << first;
    }
}

TEST_F(ReportCli, FilteredReportGivesTheFilterExtremes) {
    const fs::path a = gen("s.kes", "--spikes 8");
    const fs::path pdf = dir_ / "filtered.pdf";
    // To standard output, so the PDF can go down a pipe.
    ASSERT_EQ(shell("env -u DISPLAY " KESTROM_CLI " report " + quoted(a) + " --filter -o - > " +
                    quoted(pdf))
                  .code,
              0);
    EXPECT_EQ(pages(pdf), 1);
    EXPECT_NE(pageText(pdf, 1).find("Filter"), std::string::npos);
}

TEST_F(ReportCli, UnreadableFileGetsAPageSayingWhyAndExitTwo) {
    const fs::path a = gen("a.kes", "");
    const fs::path b = gen("b.kes", "--rate 1");
    std::ofstream(dir_ / "short.kes") << "too short";
    const fs::path pdf = dir_ / "report.pdf";
    const Ran r = cli("report " + quoted(a) + " " + quoted(dir_ / "absent.kes") + " " +
                      quoted(dir_ / "short.kes") + " " + quoted(b) + " -o " + quoted(pdf));
    EXPECT_EQ(r.code, 2) << r.out;
    // Standard error names each file that could not be read.
    EXPECT_NE(r.out.find("absent.kes: No such file or directory"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("short.kes"), std::string::npos) << r.out;
    ASSERT_EQ(pages(pdf), 4);
    const std::string absent = pageText(pdf, 2);
    EXPECT_NE(absent.find("absent.kes"), std::string::npos) << absent;
    EXPECT_NE(absent.find("No such file or directory"), std::string::npos) << absent;
    EXPECT_NE(pageText(pdf, 3).find("too short for a flight"), std::string::npos);
    EXPECT_NE(pageText(pdf, 4).find("b.kes"), std::string::npos);
}

TEST_F(ReportCli, OutputThatCannotBeWrittenFails) {
    const fs::path a = gen("a.kes", "");
    const Ran r = cli("report " + quoted(a) + " -o " + quoted(dir_ / "no" / "such" / "r.pdf"));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find("Cannot create"), std::string::npos) << r.out;
}

TEST_F(ReportCli, OutputNamingAnInputIsRefusedAndTheInputKept) {
    const fs::path a = gen("a.kes", "");
    const fs::path b = gen("b.kes", "--rate 1");
    fs::create_symlink(b, dir_ / "link.kes");
    const auto slurp = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = slurp(b);
    for (const fs::path& out : {b, dir_ / "link.kes"}) {
        const Ran r = cli("report " + quoted(a) + " " + quoted(b) + " -o " + quoted(out));
        EXPECT_EQ(r.code, 2) << out;
        EXPECT_NE(r.out.find("is the input file"), std::string::npos) << r.out;
    }
    EXPECT_EQ(slurp(b), before);
}

TEST_F(ReportCli, InputsAreReadAsTheOtherVerbsReadThem) {
    const fs::path a = gen("a.kes", "--competitor 31");
    ASSERT_EQ(::mkfifo((dir_ / "fifo.kes").c_str(), 0600), 0); // nobody ever writes to it
    const fs::path pdf = dir_ / "report.pdf";
    // A FIFO gets a page saying why, without waiting; standard input is read as "-".
    const Ran r =
        cli("report " + quoted(dir_ / "fifo.kes") + " - -o " + quoted(pdf) + " < " + quoted(a));
    EXPECT_EQ(r.code, 2) << r.out;
    ASSERT_EQ(pages(pdf), 2);
    EXPECT_NE(pageText(pdf, 1).find("fifo.kes"), std::string::npos);
    EXPECT_NE(pageText(pdf, 2).find("Competitor No.: 31"), std::string::npos) << pageText(pdf, 2);
}

// The heading as the window's panels show the flight: the user's decimal sign, and for a file
// that is no flight a line saying so.
TEST_F(ReportCli, HeadingFollowsTheDecimalSignAndSaysWhatIsNoFlight) {
    const fs::path a = gen("a.kes", "");
    std::ofstream(dir_ / "text.kes") << std::string(400, '7');
    const struct {
        const char* locale;
        char sign;
    } cases[] = {{"C", '.'}, {"pl_PL.UTF-8", ','}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const fs::path pdf = dir_ / "report.pdf";
        const Ran r = shell(std::string("env -u DISPLAY -u LANG -u LC_NUMERIC LC_ALL=") + c.locale +
                            " " KESTROM_CLI " report " + quoted(a) + " " +
                            quoted(dir_ / "text.kes") + " -o " + quoted(pdf) + " 2>&1");
        EXPECT_EQ(r.code, 0) << r.out;
        ASSERT_EQ(pages(pdf), 2);
        const std::string flight = pageText(pdf, 1);
        const std::size_t max = flight.find("Max: ");
        ASSERT_NE(max, std::string::npos) << flight;
        const std::string value = flight.substr(max + 5, flight.find(' ', max + 5) - max - 5);
        EXPECT_NE(value.find(c.sign), std::string::npos) << value;
        EXPECT_NE(pageText(pdf, 2).find("not a measurement file"), std::string::npos)
            << pageText(pdf, 2);
    }
}

} // namespace
} // namespace kestrom
