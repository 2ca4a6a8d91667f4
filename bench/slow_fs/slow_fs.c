// pelimor-slow-fs: a FUSE file system that makes storage slow on purpose, so that the benchmarks can
// show how a search behaves on a spinning disk or a network share on any machine.
//
//   disk  IMAGE MOUNTPOINT   one file, MOUNTPOINT/disk.img, backed by IMAGE; every read and write
//                            waits for a head that seeks, waits for the platter and transfers, one
//                            request at a time. Loop-mount an ext4 image from there.
//   share FOLDER MOUNTPOINT  FOLDER read-only, every call (lookup, stat, readdir, open, read) waiting
//                            a fixed latency first; reads then share one link of limited speed.
//
// The bytes always come from the real file below, ideally already in the page cache, so that only
// the model's time is measured.
#define FUSE_USE_VERSION 35
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <math.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static const char kImageName[] = "disk.img";

static struct {
  int share;  // share mode, else disk mode
  char root[PATH_MAX];
  int imageFd;  // disk mode: the backing file
  off_t imageSize;
  double fullSeekMs;   // end to end of the disk
  double trackSeekMs;  // the shortest seek
  double rotationMs;   // average wait for the sector once the head is there
  double bytesPerMs;   // transfer; 0 = unlimited (share)
  double latencyMs;    // share: every call
  const char* statsPath;
} g = {.imageFd = -1, .fullSeekMs = 8, .trackSeekMs = 1, .rotationMs = 4, .bytesPerMs = 120e3, .latencyMs = 1};

// The head (disk) or the link (share): one request at a time.
static pthread_mutex_t busy = PTHREAD_MUTEX_INITIALIZER;
static off_t headAt;
static struct timespec freeAt;
static struct {
  uint64_t requests, seeks, bytes, calls;
  double modelMs;
} stats;

static double msBetween(const struct timespec* a, const struct timespec* b) {
  return (double)(b->tv_sec - a->tv_sec) * 1e3 + (double)(b->tv_nsec - a->tv_nsec) / 1e6;
}

static void addMs(struct timespec* t, double ms) {
  long long ns = t->tv_nsec + (long long)(ms * 1e6);
  t->tv_sec += ns / 1000000000;
  t->tv_nsec = ns % 1000000000;
}

// Sleeps to an absolute deadline so that the time lost in waking up is not added request by request.
static void sleepUntil(const struct timespec* deadline) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, deadline, NULL) == EINTR) {
  }
}

static void sleepMs(double ms) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  addMs(&t, ms);
  sleepUntil(&t);
}

// Time to bring the head from where the last request ended to `offset`: nothing when it is already
// there; a short skip forward costs the turning of the platter under the head; otherwise a seek
// growing with the square root of the distance, plus on average half a turn.
static double positionMs(off_t offset) {
  if (offset == headAt) return 0;
  off_t distance = offset > headAt ? offset - headAt : headAt - offset;
  double span = g.imageSize > 0 ? (double)g.imageSize : 1;
  double seek = g.trackSeekMs + (g.fullSeekMs - g.trackSeekMs) * sqrt((double)distance / span);
  if (seek > g.fullSeekMs) seek = g.fullSeekMs;
  double random = seek + g.rotationMs;
  if (offset > headAt && g.bytesPerMs > 0) {
    double skip = (double)distance / g.bytesPerMs;
    if (skip < random) return skip;
  }
  stats.seeks++;
  return random;
}

// Serves one request of the disk: waits for the head, then does the real I/O while holding it.
static int diskIo(char* buf, size_t size, off_t offset, int write) {
  pthread_mutex_lock(&busy);
  double ms = positionMs(offset) + (g.bytesPerMs > 0 ? (double)size / g.bytesPerMs : 0);
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (msBetween(&freeAt, &now) > 0) freeAt = now;
  addMs(&freeAt, ms);
  sleepUntil(&freeAt);
  ssize_t done = write ? pwrite(g.imageFd, buf, size, offset) : pread(g.imageFd, buf, size, offset);
  if (done > 0) headAt = offset + done;
  stats.requests++;
  stats.bytes += done > 0 ? (uint64_t)done : 0;
  stats.modelMs += ms;
  pthread_mutex_unlock(&busy);
  return done < 0 ? -errno : (int)done;
}

// A call to the share: the latency overlaps with other calls, as on a network with many requests in
// flight; only the transfer of the bytes is queued on the one link.
static void shareCall(size_t bytes) {
  __atomic_add_fetch(&stats.calls, 1, __ATOMIC_RELAXED);
  __atomic_add_fetch(&stats.bytes, (uint64_t)bytes, __ATOMIC_RELAXED);
  sleepMs(g.latencyMs);
  if (bytes == 0 || g.bytesPerMs <= 0) return;
  pthread_mutex_lock(&busy);
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (msBetween(&freeAt, &now) > 0) freeAt = now;
  addMs(&freeAt, (double)bytes / g.bytesPerMs);
  struct timespec deadline = freeAt;
  pthread_mutex_unlock(&busy);
  sleepUntil(&deadline);
}

static void realPath(char* out, const char* path) { snprintf(out, PATH_MAX, "%s%s", g.root, path); }

// --- disk -------------------------------------------------------------------------------------------

static int diskGetattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
  (void)fi;
  memset(st, 0, sizeof *st);
  if (strcmp(path, "/") == 0) {
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
    return 0;
  }
  if (strcmp(path + 1, kImageName) != 0) return -ENOENT;
  st->st_mode = S_IFREG | 0644;
  st->st_nlink = 1;
  st->st_size = g.imageSize;
  st->st_blocks = (g.imageSize + 511) / 512;
  return 0;
}

static int diskReaddir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info* fi,
                       enum fuse_readdir_flags flags) {
  (void)offset, (void)fi, (void)flags;
  if (strcmp(path, "/") != 0) return -ENOENT;
  fill(buf, ".", NULL, 0, 0);
  fill(buf, "..", NULL, 0, 0);
  fill(buf, kImageName, NULL, 0, 0);
  return 0;
}

static int diskOpen(const char* path, struct fuse_file_info* fi) {
  if (strcmp(path + 1, kImageName) != 0) return -ENOENT;
  fi->direct_io = 1;  // no page cache of the image above us: every read reaches the model
  return 0;
}

static int diskRead(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
  (void)path, (void)fi;
  return diskIo(buf, size, offset, 0);
}

static int diskWrite(const char* path, const char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
  (void)path, (void)fi;
  return diskIo((char*)buf, size, offset, 1);
}

static int diskFsync(const char* path, int datasync, struct fuse_file_info* fi) {
  (void)path, (void)datasync, (void)fi;
  return fdatasync(g.imageFd) < 0 ? -errno : 0;
}

// --- share ------------------------------------------------------------------------------------------

static int shareGetattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
  char real[PATH_MAX];
  shareCall(0);
  if (fi) return fstat((int)fi->fh, st) < 0 ? -errno : 0;
  realPath(real, path);
  return lstat(real, st) < 0 ? -errno : 0;
}

static int shareReadlink(const char* path, char* buf, size_t size) {
  char real[PATH_MAX];
  shareCall(0);
  realPath(real, path);
  ssize_t n = readlink(real, buf, size - 1);
  if (n < 0) return -errno;
  buf[n] = '\0';
  return 0;
}

static int shareReaddir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info* fi,
                        enum fuse_readdir_flags flags) {
  (void)offset, (void)fi, (void)flags;
  char real[PATH_MAX];
  shareCall(0);
  realPath(real, path);
  DIR* dir = opendir(real);
  if (!dir) return -errno;
  struct dirent* entry;
  while ((entry = readdir(dir)) != NULL) {
    struct stat st = {.st_ino = entry->d_ino, .st_mode = (mode_t)DTTOIF(entry->d_type)};
    if (fill(buf, entry->d_name, &st, 0, 0)) break;
  }
  closedir(dir);
  return 0;
}

static int shareOpen(const char* path, struct fuse_file_info* fi) {
  char real[PATH_MAX];
  if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  shareCall(0);
  realPath(real, path);
  int fd = open(real, fi->flags & ~(O_CREAT | O_TRUNC));
  if (fd < 0) return -errno;
  fi->fh = (uint64_t)fd;
  return 0;
}

static int shareRead(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
  (void)path;
  ssize_t n = pread((int)fi->fh, buf, size, offset);
  if (n < 0) return -errno;
  shareCall((size_t)n);
  return (int)n;
}

static int shareRelease(const char* path, struct fuse_file_info* fi) {
  (void)path;
  close((int)fi->fh);  // the close of a share is not waited for by the caller
  return 0;
}

static int shareStatfs(const char* path, struct statvfs* st) {
  (void)path;
  shareCall(0);
  return statvfs(g.root, st) < 0 ? -errno : 0;
}

// --- both -------------------------------------------------------------------------------------------

static void* init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
  (void)conn;
  cfg->use_ino = 1;  // the tools tell hard links by inode number
  if (!g.share) cfg->direct_io = 1;
  return NULL;
}

static void destroy(void* data) {
  (void)data;
  if (!g.statsPath) return;
  FILE* out = fopen(g.statsPath, "w");
  if (!out) return;
  fprintf(out, "requests=%llu\nseeks=%llu\nbytes=%llu\ncalls=%llu\nmodel_ms=%.0f\n", (unsigned long long)stats.requests,
          (unsigned long long)stats.seeks, (unsigned long long)stats.bytes, (unsigned long long)stats.calls,
          stats.modelMs);
  fclose(out);
}

static const struct fuse_operations diskOps = {
    .getattr = diskGetattr,
    .readdir = diskReaddir,
    .open = diskOpen,
    .read = diskRead,
    .write = diskWrite,
    .fsync = diskFsync,
    .init = init,
    .destroy = destroy,
};

static const struct fuse_operations shareOps = {
    .getattr = shareGetattr,
    .readlink = shareReadlink,
    .readdir = shareReaddir,
    .open = shareOpen,
    .read = shareRead,
    .release = shareRelease,
    .statfs = shareStatfs,
    .init = init,
    .destroy = destroy,
};

static void usage(FILE* out) {
  fprintf(
      out,
      "Usage:\n"
      "  pelimor-slow-fs disk [--seek-ms 8] [--track-ms 1] [--rotation-ms 4] [--mbps 120]\n"
      "                  [--stats FILE] IMAGE MOUNTPOINT [FUSE OPTIONS]\n"
      "      MOUNTPOINT/disk.img is IMAGE behind one head: a seek of --track-ms to --seek-ms growing\n"
      "      with the square root of the distance, then --rotation-ms, then the transfer at --mbps\n"
      "      (10^6 bytes/s); a read where the last one ended costs only its transfer.\n"
      "  pelimor-slow-fs share [--latency-ms 1] [--mbps 0] [--stats FILE] FOLDER MOUNTPOINT [FUSE OPTIONS]\n"
      "      MOUNTPOINT is FOLDER, read-only; every call waits --latency-ms (calls overlap), reads\n"
      "      then share a link of --mbps (0: unlimited).\n"
      "  --stats FILE (an absolute path) is written at unmount: requests, seeks, bytes, calls and the model's time.\n"
      "  FUSE OPTIONS go to libfuse, e.g. -f to stay in the foreground.\n");
}

int main(int argc, char** argv) {
  if (argc < 2 || strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
    usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (strcmp(argv[1], "share") == 0) {
    g.share = 1;
    g.bytesPerMs = 0;
  } else if (strcmp(argv[1], "disk") != 0) {
    usage(stderr);
    return 2;
  }
  int i = 2;
  for (; i + 1 < argc && strncmp(argv[i], "--", 2) == 0; i += 2) {
    const char* name = argv[i];
    double value = strtod(argv[i + 1], NULL);
    if (strcmp(name, "--seek-ms") == 0)
      g.fullSeekMs = value;
    else if (strcmp(name, "--track-ms") == 0)
      g.trackSeekMs = value;
    else if (strcmp(name, "--rotation-ms") == 0)
      g.rotationMs = value;
    else if (strcmp(name, "--mbps") == 0)
      g.bytesPerMs = value * 1e3;
    else if (strcmp(name, "--latency-ms") == 0)
      g.latencyMs = value;
    else if (strcmp(name, "--stats") == 0)
      g.statsPath = argv[i + 1];  // absolute: the daemon runs in /
    else {
      fprintf(stderr, "pelimor-slow-fs: unknown option %s\n", name);
      return 2;
    }
  }
  if (argc - i < 2) {
    usage(stderr);
    return 2;
  }
  if (!realpath(argv[i], g.root)) {
    perror(argv[i]);
    return 1;
  }
  if (!g.share) {
    g.imageFd = open(g.root, O_RDWR);
    if (g.imageFd < 0) g.imageFd = open(g.root, O_RDONLY);
    struct stat st;
    if (g.imageFd < 0 || fstat(g.imageFd, &st) < 0) {
      perror(g.root);
      return 1;
    }
    g.imageSize = st.st_size;
  }
  // libfuse sees: program, mountpoint, then the rest; the daemon forks after the mount is ready.
  char** fuseArgv = calloc((size_t)(argc - i + 3), sizeof *fuseArgv);
  int n = 0;
  fuseArgv[n++] = argv[0];
  for (int k = i + 1; k < argc; ++k) fuseArgv[n++] = argv[k];
  fuseArgv[n++] = "-o";
  fuseArgv[n++] = g.share ? "fsname=pelimor-slow-share,ro" : "fsname=pelimor-slow-disk";
  return fuse_main(n, fuseArgv, g.share ? &shareOps : &diskOps, NULL);
}
