// Fault injection for the file-system layer, for tests only: every file-system call of
// platform.h (query, folder creation, write, replace, read, removal) counts as one operation,
// and a plan can make operation k fail, leave its change uncommitted, or stop the program
// right after it. Both systems' layers include this header; with no plan armed each call
// costs one comparison.
#pragma once

enum PlatformFaultKind {
    PLATFORM_FAULT_NONE,
    PLATFORM_FAULT_FAIL,          // operation k does nothing and reports failure (with its log line)
    PLATFORM_FAULT_UNCOMMITTED,   // operation k happens but its folder commit fails (create, replace, remove)
    PLATFORM_FAULT_STOP,          // operation k happens, then `stop` runs; if it returns, every
                                  // later operation fails silently with no effect, as after a crash
};

// The kinds of operation, as recorded in the trace.
enum PlatformFaultOperation {
    PLATFORM_OP_QUERY,
    PLATFORM_OP_CREATE_FOLDER,
    PLATFORM_OP_WRITE,
    PLATFORM_OP_REPLACE,
    PLATFORM_OP_READ,
    PLATFORM_OP_REMOVE,
};

constexpr int PLATFORM_FAULT_TRACE = 64;   // operations whose kind is remembered after arming

struct PlatformFaultPlan {
    int operation;            // 1-based index of the operation hit, counted from arming; 0 = none
    PlatformFaultKind kind;
    void (*stop)();           // PLATFORM_FAULT_STOP: e.g. _exit in a forked child; may be null
};

// What an operation is told to do.
enum PlatformFaultVerdict {
    PLATFORM_FAULT_RUN,
    PLATFORM_FAULT_RUN_UNCOMMITTED,
    PLATFORM_FAULT_REFUSE,        // fail with the injected-fault log line
    PLATFORM_FAULT_REFUSE_SILENT, // the program is taken as stopped: fail without a word
};

struct PlatformFaultState {
    PlatformFaultPlan plan;
    int operations;           // operations begun since arming
    bool stopped;             // the stop point has passed
    PlatformFaultOperation trace[PLATFORM_FAULT_TRACE];   // kind of operation 1, 2, ... (index 0 = 1)
};

inline PlatformFaultState platformFault = {};

// Starts counting operations from 1 under `plan`.
inline void PlatformFaultArm(const PlatformFaultPlan &plan)
{
    platformFault = {};
    platformFault.plan = plan;
}

// Back to normal operation; the count is kept for PlatformFaultOperations.
inline void PlatformFaultDisarm()
{
    platformFault.plan = {};
    platformFault.stopped = false;
}

// Operations begun since the last arming.
inline int PlatformFaultOperations() { return platformFault.operations; }

// The kind of operation k (1-based) since arming; k must be 1..min(operations, trace size).
inline PlatformFaultOperation PlatformFaultOperationKind(int k) { return platformFault.trace[k - 1]; }

// Called by the layer before each operation.
inline PlatformFaultVerdict PlatformFaultBegin(PlatformFaultOperation operation)
{
    PlatformFaultState &f = platformFault;
    if (f.operations < PLATFORM_FAULT_TRACE) f.trace[f.operations] = operation;
    f.operations++;
    if (f.stopped) return PLATFORM_FAULT_REFUSE_SILENT;
    if (f.plan.kind == PLATFORM_FAULT_NONE || f.operations != f.plan.operation) return PLATFORM_FAULT_RUN;
    if (f.plan.kind == PLATFORM_FAULT_FAIL) return PLATFORM_FAULT_REFUSE;
    if (f.plan.kind == PLATFORM_FAULT_UNCOMMITTED) return PLATFORM_FAULT_RUN_UNCOMMITTED;
    return PLATFORM_FAULT_RUN;
}

// Called by the layer after each operation that ran.
inline void PlatformFaultEnd()
{
    PlatformFaultState &f = platformFault;
    if (f.stopped || f.plan.kind != PLATFORM_FAULT_STOP || f.operations != f.plan.operation) return;
    f.stopped = true;
    if (f.plan.stop) f.plan.stop();
}
