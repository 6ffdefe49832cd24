/* Preloaded into 32-bit wine processes when 32-bit programs run under
 * qemu-user (machines whose kernel cannot run them natively).
 *
 * qemu-user 7.2 takes MAP_FIXED_NOREPLACE as a plain address hint: when the
 * address is taken it maps the memory elsewhere instead of failing. Wine
 * reserves the Windows address space with that flag and trusts a success to be
 * at the address it asked for, so it ends up reserving the wrong ranges and
 * then fails to map its shared user data. Here a mapping that landed elsewhere
 * is undone and reported as the kernel would: EEXIST. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <sys/mman.h>
#include <sys/types.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

static void *placed_or_fail(void *wanted, void *got, size_t length, int flags) {
  if ((flags & MAP_FIXED_NOREPLACE) && got != MAP_FAILED && got != wanted) {
    munmap(got, length);
    errno = EEXIST;
    return MAP_FAILED;
  }
  return got;
}

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, off64_t offset) {
  static void *(*next)(void *, size_t, int, int, int, off64_t);
  if (!next)
    next = (void *(*)(void *, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
  return placed_or_fail(addr, next(addr, length, prot, flags, fd, offset), length, flags);
}

void *mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset) {
  static void *(*next)(void *, size_t, int, int, int, off_t);
  if (!next)
    next = (void *(*)(void *, size_t, int, int, int, off_t))dlsym(RTLD_NEXT, "mmap");
  return placed_or_fail(addr, next(addr, length, prot, flags, fd, offset), length, flags);
}
