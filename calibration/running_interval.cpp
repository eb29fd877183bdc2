#include "calibration/running_interval.h"

#include "state/app_state.h"
#include "text/number_text.h"

std::int64_t RunningIntervalSeconds() {
    return App.UploadedInterval > 0 ? App.UploadedInterval : ParseInteger(App.TimeInterval);
}
