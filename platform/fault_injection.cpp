// The counters behind fault_point(). Linked into the tests only.
#include "platform/fault_injection.h"

namespace {
int g_calls[FAULT_OPERATIONS][2];
FaultOperation g_armed_operation = FAULT_OPEN;
int g_armed_writing = 0;
int g_armed_nth = 0;  // 0: nothing armed
FaultEffect g_armed_effect = FAULT_NONE;
int g_delivered = 0;
void (*g_pause)() = nullptr;
}  // namespace

int fault_point(FaultOperation operation, int writing) {
    int kind = writing ? 1 : 0;
    int call = ++g_calls[operation][kind];
    if (g_armed_nth == 0 || operation != g_armed_operation || kind != g_armed_writing ||
        call != g_armed_nth) {
        return FAULT_NONE;
    }
    g_delivered = 1;
    if (g_armed_effect == FAULT_PAUSES) {
        if (g_pause != nullptr) g_pause();
        return FAULT_NONE;
    }
    return g_armed_effect;
}

void reset_faults() {
    for (auto& counts : g_calls) counts[0] = counts[1] = 0;
    g_armed_nth = 0;
    g_armed_effect = FAULT_NONE;
    g_delivered = 0;
}

void arm_fault(FaultOperation operation, int writing, int nth, FaultEffect effect) {
    reset_faults();
    g_armed_operation = operation;
    g_armed_writing = writing ? 1 : 0;
    g_armed_nth = nth;
    g_armed_effect = effect;
}

void set_fault_pause(void (*pause)()) { g_pause = pause; }

int fault_calls(FaultOperation operation, int writing) { return g_calls[operation][writing ? 1 : 0]; }

int fault_delivered() { return g_delivered; }
