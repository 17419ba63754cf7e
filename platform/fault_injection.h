// A test seam in the stream functions: makes the n-th open, read, write,
// seek, tell or close of a source or an output stream fail, so the tests can
// drive the conversion job through every failure a file system can produce.
//
// Each stream function of a platform layer calls fault_point() first thing
// and, when it answers non-zero, fails the way the system would have failed:
//   open_source_stream      fault_point(FAULT_OPEN, 0)         -> nullptr, nothing opened
//   create_output_stream    fault_point(FAULT_OPEN, 1)         -> nullptr, nothing created
//   read_stream             fault_point(FAULT_READ, writing)   -> 0; FAULT_FAILS also marks
//                                                                 the stream failed, FAULT_ENDS
//                                                                 is an early end of file
//   write_stream            fault_point(FAULT_WRITE, writing)  -> 0, stream marked failed
//   seek_stream_start/_end  fault_point(FAULT_SEEK, writing)   -> 0
//   tell_stream             fault_point(FAULT_TELL, writing)   -> -1
//   close_stream            fault_point(FAULT_CLOSE, writing)  -> closes and frees as always,
//                                                                 then returns 0
//   copy_stream_direct      fault_point(FAULT_COPY, 0)         -> 0: the kernel copies nothing
//                                                                 more, the caller's blocks
//                                                                 copy the rest
//
// The program is built without ZUB2WAV_FAULT_INJECTION: fault_point() is then
// a constant 0 and every check disappears at compile time. Only the tests
// build the stream code with the seam (and fault_injection.cpp).
#pragma once

enum FaultOperation {
    FAULT_OPEN,
    FAULT_READ,
    FAULT_WRITE,
    FAULT_SEEK,
    FAULT_TELL,
    FAULT_CLOSE,
    FAULT_COPY,
    FAULT_OPERATIONS
};

// What an armed operation does: fail, (reads only) find the file ended, or
// call the pause set by set_fault_pause and then go on as usual.
enum FaultEffect { FAULT_NONE = 0, FAULT_FAILS = 1, FAULT_ENDS = 2, FAULT_PAUSES = 3 };

#ifdef ZUB2WAV_FAULT_INJECTION

// Counts this call of `operation` on a reading (writing = 0) or writing
// stream, and answers the effect armed for it, FAULT_NONE for most calls.
int fault_point(FaultOperation operation, int writing);

// Arms the nth call (counted from 1) of `operation` on streams of one kind.
// Arming starts the counts afresh; one fault is armed at a time.
void arm_fault(FaultOperation operation, int writing, int nth, FaultEffect effect);

// What FAULT_PAUSES calls: for instance a stop of the process, so a test
// can act while the job stands at a known point.
void set_fault_pause(void (*pause)());

// Disarms and starts the counts afresh.
void reset_faults();

// Calls of `operation` on streams of one kind since the last arm or reset.
int fault_calls(FaultOperation operation, int writing);

// 1 once the armed fault has been delivered.
int fault_delivered();

#else

constexpr int fault_point(FaultOperation, int) { return FAULT_NONE; }

#endif
