// The program's one window on the operating system. Everything outside
// platform/ reaches files, directories, the command line and the code page
// through these functions only. stream.cpp is the same on every system;
// posix/ and win32/ implement the rest. Status results are 1 for success and 0 for failure.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- start-up

// Called first thing in main(): keeps the words the C runtime handed over
// and sets up the locale or code page that the character services follow.
void platform_start(int argc, char** argv);

// The raw command line, one string to be split by the program's own rules
// (Windows), or nullptr where the shell has split it already (POSIX).
const char* raw_command_line();

// The words of an already split command line (POSIX): the count, and the
// words through given_word(0 .. count - 1). Entry 0 is the program's name.
int given_word_count();
const char* given_word(int index);

// The program's own file name, into a buffer of `size` bytes. 0 when it
// cannot be had or does not fit.
int own_file_name(char* buffer, size_t size);

// 1 when a directory entry of exactly this name exists. Where names may hold
// wildcard characters (POSIX), such a word is taken as it stands.
int name_exists_as_written(const char* name);

// -------------------------------------------------------------- characters

// The position of the character after the one at `position`: two bytes on
// for a lead byte with its trail byte, the system's multibyte character
// where the code page has no lead bytes (UTF-8 on POSIX), one byte
// otherwise. A lead byte right before the terminator is one character of its
// own; the terminator itself is not stepped over.
const char* next_char(const char* position);

// 1 when `byte` leads a double-byte character of the active code page, and
// whether the active code page has lead bytes at all.
int is_lead_byte(unsigned char byte);
int code_page_has_lead_bytes();

// 1 for the bytes that end a directory or drive part of a name: '/', '\'
// and ':'.
int is_path_separator(char byte);

// A single-byte character's lower-case counterpart when the code page
// classes it as an upper-case letter, otherwise the byte itself. Only used
// where the code page has lead bytes.
unsigned char fold_single_byte(unsigned char byte);

// Tests only: forgets the tables of the code page, so that the next need
// sets them up again from the code page then active.
void forget_code_page();

// The active ANSI code page (932, 936, ...), or a code page with single-byte
// characters only where the encoding has no lead bytes.
int active_code_page();

// The lead-byte ranges that the system reports for a code page, as pairs of
// first and last byte into `ranges` (room for 6 pairs). Returns the number of
// pairs, 0 when it reports none.
int code_page_lead_ranges(int code_page, unsigned char ranges[12]);

// Single-byte letter case in the active code page: whether `byte` is an
// upper-case letter, and its lower-case counterpart.
int byte_is_upper(unsigned char byte);
unsigned char byte_to_lower(unsigned char byte);

// Upper-cases one double-byte character (lead, trail) in the active code
// page. The result is 1 or 2 bytes long, written to `upper`, its length to
// `upper_size`. 0 when the code page cannot map the character.
int upper_double_byte(const unsigned char character[2], unsigned char upper[2], int* upper_size);

// ------------------------------------------------------- directory search

// Starts a search for `pattern` (directory prefix included) and returns the
// bare name of its first entry, or nullptr when nothing matches or the search
// fails. Starting a search closes one still open. find_next_entry returns the
// next name, or nullptr at the end, when the search is closed. A name stays
// valid until the next call.
const char* find_first_entry(const char* pattern);
const char* find_next_entry();
void close_search();

// ----------------------------------------------------------------- streams

// A buffered binary file stream. Its buffer has one fixed size, the same for
// every stream, so memory does not grow with the file.
struct Stream;

// Opens an existing regular file for reading. Directories, FIFOs, sockets
// and devices fail like a missing file, and the open never blocks.
Stream* open_source_stream(const char* path);

// Creates a file for writing, or truncates an existing one to length 0.
Stream* create_output_stream(const char* path);

// Reads up to `size` bytes into `buffer`; returns the count, 0 at the end of
// the file or on a failure.
size_t read_stream(Stream* stream, void* buffer, size_t size);

// Writes `size` bytes; 0 when they cannot be written.
int write_stream(const void* bytes, size_t size, Stream* stream);

// Copies up to `size` bytes from the source's position to the output
// beneath the caller's loop: the bytes go from the source file into the
// output's buffer, never through the caller's, or from file to file inside
// the system where that is faster. The output's space is reserved first; a
// disk without it fails the output. Returns how many were copied: 0 when the
// source holds all of them in its buffer already; fewer than `size` when it
// stopped early (the source ended, a read or write failed, no space). The
// caller copies what is left through its own buffer, with read_stream and
// write_stream, which then meet any fault and report it on the side where it
// lies.
uint64_t copy_stream_direct(Stream* source, uint64_t size, Stream* output);

// Moves the position to the start or the end of the file.
int seek_stream_start(Stream* stream);
int seek_stream_end(Stream* stream);

// The position as a byte offset from the start, -1 on failure.
int64_t tell_stream(const Stream* stream);

// Writes out what is buffered and closes. 0 when anything written to the
// stream did not reach the file (including an earlier failed write).
int close_stream(Stream* stream);

// 1 when `path` names the very file that `stream` has open (the same name,
// a hard link, a symbolic link, ...). 0 when it names another file or none.
int names_same_file(const Stream* stream, const char* path);

// Deletes a file by name; 0 when it cannot.
int remove_file(const char* path);

// ------------------------------------------------------------ interruption

// The longest output name, its terminator included, that an interruption
// can remove: the name is kept in a fixed buffer of this size.
constexpr size_t INTERRUPTED_OUTPUT_NAME_SIZE = 4096;

// Called once at start-up. From then on an interruption (POSIX: SIGINT,
// SIGTERM or SIGHUP, each unless the process started with it ignored;
// Windows: the console's Ctrl-C, Ctrl-Break or close) removes the output
// that is incomplete at that moment, if any, and ends the process as the
// interruption itself would have: by the same signal (POSIX), with
// STATUS_CONTROL_C_EXIT (Windows).
void handle_interruptions();

// The job's three steps around each output. The name is kept before the
// output is created, so the handler has nothing to prepare; the output is
// incomplete from its creation to its successful close, and only then is
// it removed by an interruption, so a name whose creation failed or did not
// happen yet is never touched.
//   keep_output_name        before create_output_stream
//   mark_output_incomplete  right after create_output_stream succeeded
//   mark_output_complete    after close_stream succeeded, or after the job
//                           removed the output itself
void keep_output_name(const char* name);
void mark_output_incomplete();
void mark_output_complete();
