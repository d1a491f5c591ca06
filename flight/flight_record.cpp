#include "flight/flight_record.h"

namespace kestrom {

void setFlightImage(FlightRecord& record, FlightImage image) {
    record.image = std::move(image);
    record.header = ApplyFlightHeader(record.image);
    record.wordCount = record.image.wordCount();
    record.calibration = record.header.calibration;
    record.rateTimes10 = record.header.rateTimes10;
    record.groundTemp = record.header.groundTemp;
    record.groundTempText = record.header.temperatureText;
    record.evaluated = false;
    record.evaluation = FlightEvaluation{};
}

bool evaluateRecord(FlightRecord& record, bool accelView) {
    if (record.wordCount < kMinEvaluatedWords) {
        record.evaluated = false;
        record.evaluation = FlightEvaluation{};
        return false;
    }
    EvaluationInput input;
    input.image = &record.image;
    input.words = record.wordCount;
    input.rateTimes10 = record.rateTimes10;
    input.calibration = record.calibration;
    input.groundTemp = record.groundTemp;
    input.accelView = accelView;
    evaluateFlightInto(input, record.evaluation);
    record.evaluated = true;
    return true;
}

void setGroundTemperature(FlightRecord& record, int degreesC) {
    record.groundTemp = static_cast<float>(degreesC);
}

} // namespace kestrom
