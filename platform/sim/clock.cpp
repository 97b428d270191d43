// Time: the performance counter, Sleep and the timer resolution, all through the driver's clock.
#include "platform/sim/internal.h"

using namespace novra;

MMRESULT WINAPI timeBeginPeriod(UINT period) {
    if (calls_recorded()) call_record("timeBeginPeriod", {std::to_string(period)});
    return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (calls_recorded()) call_record("QueryPerformanceFrequency", {});
    frequency->QuadPart = sim.driver.counter_frequency;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    count->QuadPart = sim.driver.counter_read ? sim.driver.counter_read() : 0;
    if (calls_recorded()) call_record("QueryPerformanceCounter", {std::to_string(count->QuadPart)});
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
    if (calls_recorded()) call_record("Sleep", {std::to_string(milliseconds)});
    if (sim.driver.sleep) sim.driver.sleep(milliseconds);
}
