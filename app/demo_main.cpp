// kestrom-demo: the same program with one simulated recorder holding a generated flight.

#include "app/program.h"
#include "device/simulated_bus.h"
#include "flight/generator.h"

int main(int argc, char** argv) {
    // Paced like a real recorder, so the progress field can be watched.
    kestrom::SimulatedTiming timing;
    timing.realTime = true;
    timing.bytesPerSecond = 40000;
    kestrom::SimulatedBus bus(timing);
    kestrom::SimulatedRecorder& recorder = bus.addRecorder();
    kestrom::GeneratorOptions flight;
    flight.rateCode = 2;
    flight.glideSeconds = 90.0;
    // The recorder reports the competitor, serial number and rate of the flight it holds.
    recorder.holdFlight(kestrom::generateFlight(flight));
    return kestrom::app::runProgram(argc, argv, bus);
}
