// A test seam in the stream: makes the n-th open, read, write, seek, tell,
// close, system copy or space reservation of a source or an output stream
// fail, so the tests can
// drive the conversion job through every failure a file system can produce.
//
// The stream (stream.cpp and stream_copy.cpp, the same on every system) calls fault_point() right
// before each call it makes on the system, and where it answers non-zero
// acts as if that call had failed:
//   open_source_stream      FAULT_OPEN, 0        nothing opened, nullptr
//   create_output_stream    FAULT_OPEN, 1        nothing created, nullptr
//   each system read        FAULT_READ, writing  FAULT_FAILS: a failed read (the stream is
//                                                failed); FAULT_ENDS: the file has ended
//   each system write       FAULT_WRITE, writing a failed write (the stream is failed)
//   each system seek        FAULT_SEEK, writing  a failed seek
//   tell_stream             FAULT_TELL, writing  -1 (the position is the stream's own count)
//   each system close       FAULT_CLOSE, writing the file is closed as always, and the
//                                                close reports a failure
//   each system copy        FAULT_COPY, 0        the system copies nothing more; the
//                                                copy's reads and writes do the rest
//   each space reservation  FAULT_RESERVE, 1     the disk lacks the space (the output
//                                                is failed)
//
// The program is built without ZUB2WAV_FAULT_INJECTION: fault_point() is then
// a constant 0 and every check disappears at compile time. Only the tests
// build the stream with the seam (and fault_injection.cpp), natively and for
// Windows.
#pragma once

enum FaultOperation {
    FAULT_OPEN,
    FAULT_READ,
    FAULT_WRITE,
    FAULT_SEEK,
    FAULT_TELL,
    FAULT_CLOSE,
    FAULT_COPY,
    FAULT_RESERVE,
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
