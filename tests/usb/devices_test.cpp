// kestrom-cli devices against emulated bridges: what it tells the person whose recorder is not
// found, and its exit status.

#include "cli/commands.h"
#include "cli/devices_command.h"
#include "device/usb_diagnosis.h"
#include "tests/usb/ft201x_emulator.h"
#include "tests/usb/time_limit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrom {
namespace {

using test::BridgeSetup;
using test::Ft201xEmulator;

struct Report {
    int status = -1;
    std::string text;
};

Report diagnose(const DiagnosisOptions& options) {
    std::ostringstream out;
    Report report;
    const UsbDiagnosis diagnosis =
        test::withinSeconds(10, [&options] { return diagnoseBridges(options); });
    report.status = cli::reportDiagnosis(diagnosis, out);
    report.text = out.str();
    return report;
}

// The lines the report gives one bridge, from its heading to the next bridge's.
std::string bridgeSection(const std::string& text, const std::string& place) {
    const std::size_t start = text.find("port " + place + " ");
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t end = text.find("Bridge on bus", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(UsbDevices, SaysWhatStandsInTheWayOfEachBridge) {
    Ft201xEmulator usb;
    usb.plug({"FT232R USB UART", "A600XYZ", 0x6001, false, "ftdi_sio", false});
    usb.plug({"FT201X USB I2C", "KS000002", 0x6015, true, "ftdi_sio", false});
    usb.recorder(1).faults.silent = true;
    usb.plug({"FT201X USB I2C", "KS000003", 0x6015, true, "", false});
    usb.setNodeMode(2, 0);
    usb.plug({"FT201X USB I2C", "KS000004", 0x6015, true, "", true});
    usb.plug({"FT201X USB I2C", "KS000005", 0x6015, true, "ftdi_sio", false});
    usb.plug({"FT230X Basic UART", "KS000006", 0x6015, false, "", false});

    test::WithoutPermissionOverride asUser;
    const Report report = diagnose({{"/nonexistent/70-kestrom-ft201x.rules"}, true});
    SCOPED_TRACE(report.text);

    EXPECT_EQ(report.status, cli::kRecorderAnswered);
    EXPECT_NE(report.text.find("FT201X bridges (USB 0403:6015): 5\n"), std::string::npos);
    EXPECT_EQ(report.text.find("A600XYZ"), std::string::npos); // not an FT201X

    const std::string silent = bridgeSection(report.text, "1-2");
    EXPECT_NE(silent.find("\"FT201X USB I2C\""), std::string::npos);
    EXPECT_NE(silent.find("KS000002"), std::string::npos);
    EXPECT_NE(silent.find("kernel serial driver: bound"), std::string::npos);
    EXPECT_NE(silent.find("open: yes"), std::string::npos);
    EXPECT_NE(silent.find("no answer to the handshake"), std::string::npos);

    const std::string denied = bridgeSection(report.text, "1-3");
    EXPECT_NE(denied.find("permission denied"), std::string::npos);
    EXPECT_NE(denied.find("sudo cp packaging/70-kestrom-ft201x.rules /etc/udev/rules.d/"),
              std::string::npos);
    EXPECT_NE(denied.find("sudo udevadm control --reload && sudo udevadm trigger"),
              std::string::npos);
    EXPECT_EQ(denied.find("recorder:"), std::string::npos);

    const std::string busy = bridgeSection(report.text, "1-4");
    EXPECT_NE(busy.find("busy: another program holds the bridge"), std::string::npos);
    EXPECT_NE(busy.find("kernel serial driver: none bound"), std::string::npos);

    const std::string good = bridgeSection(report.text, "1-5");
    EXPECT_NE(good.find("KS000005"), std::string::npos);
    EXPECT_NE(good.find("recorder: answered the handshake"), std::string::npos);
    EXPECT_EQ(usb.kernelDriver(4), ""); // detached by opening, as the program does

    const std::string other = bridgeSection(report.text, "1-6");
    EXPECT_NE(other.find("does not hold \"FT201X\""), std::string::npos);

    EXPECT_NE(report.text.find("udev rule: not installed"), std::string::npos);
    EXPECT_NE(report.text.find("A recorder answered"), std::string::npos);
}

TEST(UsbDevices, ExitsWithOneWhenNoRecorderAnswers) {
    const std::filesystem::path rule =
        std::filesystem::temp_directory_path() / "kestrom-usb-test-70-kestrom-ft201x.rules";
    std::ofstream(rule) << "# installed\n";
    struct Case {
        const char* name;
        bool plugRecorder;
    };
    for (const Case c : {Case{"no bridge", false}, Case{"silent recorder", true}}) {
        SCOPED_TRACE(c.name);
        Ft201xEmulator usb;
        if (c.plugRecorder) {
            usb.plug();
            usb.recorder(0).faults.silent = true;
        }
        const Report report = diagnose({{rule.string()}, true});
        SCOPED_TRACE(report.text);
        EXPECT_EQ(report.status, cli::kNoRecorderAnswered);
        EXPECT_NE(report.text.find("udev rule: installed (" + rule.string() + ")"),
                  std::string::npos);
        EXPECT_NE(report.text.find("No recorder answered."), std::string::npos);
        EXPECT_EQ(report.text.find("No FT201X bridge is attached") == std::string::npos,
                  c.plugRecorder);
    }
    std::filesystem::remove(rule);
}

// The registered command: exit status 0 with a recorder that answers, as scripts rely on it.
TEST(UsbDevices, CommandExitStatus) {
    Ft201xEmulator usb;
    usb.plug();
    CLI::App app;
    cli::addDevicesCommand(app);
    int status = 0;
    try {
        app.parse(std::vector<std::string>{"devices"});
    } catch (const CLI::RuntimeError& e) {
        status = e.get_exit_code();
    }
    EXPECT_EQ(status, cli::kRecorderAnswered);
    usb.recorder(0).faults.silent = true;
    try {
        app.parse(std::vector<std::string>{"devices"});
        status = 0;
    } catch (const CLI::RuntimeError& e) {
        status = e.get_exit_code();
    }
    EXPECT_EQ(status, cli::kNoRecorderAnswered);
}

} // namespace
} // namespace kestrom
