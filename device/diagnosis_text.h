#pragma once
// The connection diagnosis written for the person whose recorder "is not found": each FT201X
// bridge, what stands in the way and what to do. One text for kestrom-cli devices and the
// window's "Recorder not found?" item, so both say the same.

#include "device/usb_diagnosis.h"

#include <string>

namespace kestrom {

// The whole report, lines ending in LF. When the buses could not be listed it is one line saying
// why.
std::string diagnosisText(const UsbDiagnosis& diagnosis);

// Whether a recorder answered the handshake behind any bridge.
bool recorderAnswered(const UsbDiagnosis& diagnosis);

} // namespace kestrom
