#pragma once
// kestrom-cli devices: for the person whose recorder "is not found". Lists every FT201X bridge
// and says what stands in the way: permission, another program, the kernel's serial driver, a
// recorder that does not answer.

#include "device/usb_diagnosis.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace kestrom::cli {

// Exit statuses of the devices command.
inline constexpr int kRecorderAnswered = 0;
inline constexpr int kNoRecorderAnswered = 1;

// Writes the diagnosis for a person at the machine and returns the command's exit status: 0 when
// a recorder answered, 1 when none did, 2 when the buses could not be listed.
int reportDiagnosis(const UsbDiagnosis& diagnosis, std::ostream& out);

// Registers devices.
void addDevicesCommand(CLI::App& app);

} // namespace kestrom::cli
