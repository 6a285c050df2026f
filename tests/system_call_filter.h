// A child process's system calls made to fail as a failing disk or a bare
// file system fails them: a seccomp filter, in place for the rest of the
// process, so the tests put it in a forked child. x86-64 only.
#pragma once
#if defined(__x86_64__)
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

// In this process from now on, the system call nr fails with err whenever
// its argument arg (its low word) has any of the bits of value (anyBit) or
// equals it. True when the filter is in place.
inline bool FailSystemCall(int nr, int arg, bool anyBit, uint32_t value, int err) {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, (uint32_t)nr, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, (uint32_t)offsetof(seccomp_data, args[0]) + 8u * arg),
      BPF_JUMP(BPF_JMP | (anyBit ? BPF_JSET : BPF_JEQ) | BPF_K, value, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (uint32_t)err),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program = {(unsigned short)(sizeof filter / sizeof filter[0]), filter};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

// In this process from now on, reading the file descriptor fd fails with an
// input/output error, as a failing disk fails. True when that is so.
inline bool FailReadsOf(int fd) {
  if (!FailSystemCall(__NR_read, 0, false, (uint32_t)fd, EIO)) return false;
  char byte;
  return read(fd, &byte, 1) < 0 && errno == EIO;
}

// In this process from now on, every read of a file (any descriptor but
// standard input) fails with an input/output error. True when that is so.
inline bool FailEveryRead() {
  if (!FailSystemCall(__NR_read, 0, true, 0xFFFFFFFFu, EIO)) return false;
  char byte;
  return read(2, &byte, 1) < 0 && errno == EIO;
}
#endif
