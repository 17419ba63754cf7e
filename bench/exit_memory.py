#!/usr/bin/env python3
"""The anonymous memory of a command as it exits, from /proc.

    exit_memory.py [--output FILE] COMMAND...   prints RssAnon in KiB

The command runs traced (ptrace) and is held at its exit, while its memory
still exists, to read RssAnon from /proc/PID/status: the resident pages of
its own heap, stack and buffers, without the pages of the shared libraries
it maps. The peak resident size that /usr/bin/time reports counts those
too, and how many of them are mapped varies from run to run by 100 KiB and
more (address layout, read-around), which hides a difference of a few
pages; RssAnon shows it. A program that frees its buffers before it exits
shows less here than it used. --output sends the command's standard output
to FILE.
"""
import ctypes
import os
import signal
import sys

PTRACE_TRACEME = 0
PTRACE_CONT = 7
PTRACE_SETOPTIONS = 0x4200
PTRACE_O_TRACEEXIT = 0x40
PTRACE_EVENT_EXIT = 6

libc = ctypes.CDLL(None, use_errno=True)
libc.ptrace.argtypes = [ctypes.c_long, ctypes.c_long, ctypes.c_void_p, ctypes.c_void_p]
libc.ptrace.restype = ctypes.c_long


def anonymous_memory(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("RssAnon:"):
                return int(line.split()[1])
    raise RuntimeError("no RssAnon for process %d" % pid)


def main():
    args = sys.argv[1:]
    output = None
    if args[:1] == ["--output"]:
        output, args = args[1], args[2:]
    pid = os.fork()
    if pid == 0:
        if output:
            fd = os.open(output, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
            os.dup2(fd, 1)
            os.close(fd)
        libc.ptrace(PTRACE_TRACEME, 0, None, None)
        os.execvp(args[0], args)
    os.waitpid(pid, 0)  # stopped at the exec
    libc.ptrace(PTRACE_SETOPTIONS, pid, None, PTRACE_O_TRACEEXIT)
    libc.ptrace(PTRACE_CONT, pid, None, None)
    peak = None
    while True:
        _, status = os.waitpid(pid, 0)
        if os.WIFEXITED(status) or os.WIFSIGNALED(status):
            break
        deliver = os.WSTOPSIG(status)
        if status >> 8 == signal.SIGTRAP | (PTRACE_EVENT_EXIT << 8):
            peak = anonymous_memory(pid)
            deliver = 0
        elif deliver == signal.SIGTRAP:
            deliver = 0
        libc.ptrace(PTRACE_CONT, pid, None, deliver)
    if peak is None or not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        sys.exit("exit_memory.py: %s did not end cleanly" % args[0])
    print(peak)


if __name__ == "__main__":
    main()
