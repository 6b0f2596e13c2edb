#include "platform/win32/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace registry_store {
namespace {

// One thread at a time inside the store; flock serialises the processes.
std::recursive_mutex storeLock;

LONG ErrorFromErrno(int error, LONG fallback) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EIO:
            return ERROR_WRITE_FAULT;
        case EWOULDBLOCK:
            return ERROR_LOCK_VIOLATION;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return fallback;
    }
}

std::string FilePath() {
    return Folder() + "/registry.reg";
}

bool MakeFolders(const std::string& folder) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        partial = folder.substr(0, pos);
        if (partial.empty()) continue;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

class FileLock {
public:
    // Locks registry.lock in the folder, waiting at most `patience` for a
    // holder to let go; `create` makes the folder first. Error() is
    // EWOULDBLOCK when the wait ran out.
    FileLock(bool create, std::chrono::milliseconds patience) {
        std::string folder = Folder();
        if (create && !MakeFolders(folder)) {
            error = errno;
            return;
        }
        fd = open((folder + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = errno;
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
                error = errno;
                close(fd);
                fd = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~FileLock() {
        if (fd >= 0) close(fd);  // closing releases the lock
    }
    bool Held() const { return fd >= 0; }
    int Error() const { return error; }

private:
    int fd = -1;
    int error = 0;
};

// Standard error, once for each different line in a row: the same failure
// met by every value of one save is told once.
void Report(const std::string& line) {
    static std::string last;
    if (line == last) return;
    last = line;
    fprintf(stderr, "velmora: %s\n", line.c_str());
}

bool ReadWhole(int fd, size_t limit, std::string* out) {
    out->clear();
    char buffer[65536];
    while (out->size() <= limit) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        out->append(buffer, static_cast<size_t>(got));
    }
    return true;
}

bool WriteWhole(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Moves a file that cannot be parsed out of the way, keeping it for the user.
bool MoveAside(const std::string& path, const std::string& why) {
    std::string target = path + ".damaged";
    for (int n = 2; access(target.c_str(), F_OK) == 0 && n < 1000; ++n) {
        target = path + "." + std::to_string(n) + ".damaged";
    }
    if (rename(path.c_str(), target.c_str()) != 0) {
        Report("the registry file " + path + " is damaged (" + why +
               ") and could not be moved aside (" + strerror(errno) +
               "); it is left untouched and settings cannot be stored");
        return false;
    }
    Report("the registry file " + path + " is damaged (" + why + "); it was moved to " + target +
           " and a new one is started");
    return true;
}

// The contents last read or written, with the text they came from: while the
// file holds the same bytes they are not parsed again.
struct Snapshot {
    bool valid = false;
    std::string text;
    RegistryHive hive;
};
Snapshot snapshot;

enum class Loaded { Ok, Damaged, Failed };

// Brings `snapshot` up to the file's contents. A missing file is an empty hive.
Loaded Load(LONG* error, std::string* why) {
    std::string path = FilePath();
    // Opening never waits, even on something that is not a plain file.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            snapshot.valid = true;
            snapshot.text.clear();
            snapshot.hive = RegistryHive();
            return Loaded::Ok;
        }
        *error = ErrorFromErrno(errno, ERROR_CANTREAD);
        Report("cannot read the registry file " + path + ": " + strerror(errno));
        return Loaded::Failed;
    }
    struct stat info;
    std::string text;
    bool read = false;
    int readError = 0;
    if (fstat(fd, &info) != 0) {
        readError = errno;
    } else if (!S_ISREG(info.st_mode)) {
        *why = "not a regular file";
    } else if (info.st_size > kLargestFile) {
        *why = "larger than 16 MiB";
    } else {
        read = ReadWhole(fd, kLargestFile, &text);
        readError = errno;
        if (read && text.size() > static_cast<size_t>(kLargestFile)) {
            read = false;
            readError = 0;
            *why = "larger than 16 MiB";
        }
    }
    close(fd);
    if (!why->empty()) {
        snapshot.valid = false;
        return Loaded::Damaged;
    }
    if (!read) {
        *error = ErrorFromErrno(readError, ERROR_CANTREAD);
        Report("cannot read the registry file " + path + ": " + strerror(readError));
        return Loaded::Failed;
    }
    if (snapshot.valid && !text.empty() && snapshot.text == text) return Loaded::Ok;
    snapshot.valid = snapshot.hive.Parse(text, why);
    snapshot.text = std::move(text);
    return snapshot.valid ? Loaded::Ok : Loaded::Damaged;
}

// Under the lock: loads the contents, moving a damaged file aside first.
LONG LoadForChange() {
    LONG error = ERROR_SUCCESS;
    std::string why;
    switch (Load(&error, &why)) {
        case Loaded::Ok:
            return ERROR_SUCCESS;
        case Loaded::Failed:
            return error;
        case Loaded::Damaged:
            if (!MoveAside(FilePath(), why)) return ERROR_BADDB;
            snapshot.valid = true;
            snapshot.text.clear();
            snapshot.hive = RegistryHive();
            return ERROR_SUCCESS;
    }
    return ERROR_BADDB;
}

// Temporary files are only written under the exclusive lock, so any found
// while holding it were left by a process that died in the middle of a save.
void RemoveStaleTemporaries() {
    std::string folder = Folder();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (struct dirent* entry = readdir(dir)) {
        if (strncmp(entry->d_name, "registry.reg.tmp-", 17) == 0) {
            unlink((folder + "/" + entry->d_name).c_str());
        }
    }
    closedir(dir);
}

// Writes `text` as the new file; on failure returns the error and leaves
// errno as the cause.
LONG Save(const std::string& text) {
    RemoveStaleTemporaries();
    std::string folder = Folder();
    std::string path = FilePath();
    // The new file keeps the mode the user gave the old one.
    mode_t mode = 0600;
    struct stat old;
    if (stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;
    static std::atomic<unsigned> counter{0};
    std::string temporary =
        path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno, ERROR_CANTWRITE);
    if (!WriteWhole(fd, text) || fsync(fd) != 0 || fchmod(fd, mode) != 0) {
        int cause = errno;
        close(fd);
        unlink(temporary.c_str());
        errno = cause;
        return ErrorFromErrno(cause, ERROR_WRITE_FAULT);
    }
    if (close(fd) != 0) {
        int cause = errno;
        unlink(temporary.c_str());
        errno = cause;
        return ErrorFromErrno(cause, ERROR_WRITE_FAULT);
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        int cause = errno;
        unlink(temporary.c_str());
        errno = cause;
        return ErrorFromErrno(cause, ERROR_CANTWRITE);
    }
    // The rename itself is durable only once the folder is flushed.
    int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return ERROR_SUCCESS;
}

// When a writer last gave up waiting for the lock. The holder is then taken
// to be stuck: for a while later writers wait only as long as an ordinary
// save takes, so a start-up that writes several values waits once, not once
// for each.
std::chrono::steady_clock::time_point lastLockTimeout;
constexpr std::chrono::seconds kStuckHolderMemory{10};
constexpr std::chrono::milliseconds kPatienceWithAStuckHolder{100};

}  // namespace

std::string Folder() {
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/velmora";
    const char* home = getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        struct passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config/velmora";
}

LONG Read(const std::function<LONG(const RegistryHive&)>& look) {
    std::lock_guard<std::recursive_mutex> hold(storeLock);
    LONG error = ERROR_SUCCESS;
    std::string why;
    switch (Load(&error, &why)) {
        case Loaded::Ok:
            break;
        case Loaded::Failed:
            return error;
        case Loaded::Damaged: {
            // Moving it aside needs the lock, which a reader does not wait for.
            FileLock lock(false, std::chrono::milliseconds(0));
            if (!lock.Held()) {
                Report("the registry file " + FilePath() + " is damaged (" + why +
                       "); it is ignored");
                return look(RegistryHive());
            }
            error = LoadForChange();
            if (error != ERROR_SUCCESS) return error;
            break;
        }
    }
    return look(snapshot.hive);
}

LONG Update(const std::function<LONG(RegistryHive&, bool* changed)>& change) {
    std::lock_guard<std::recursive_mutex> hold(storeLock);
    const auto now = std::chrono::steady_clock::now();
    const bool holderStuck = lastLockTimeout != std::chrono::steady_clock::time_point() &&
                             now - lastLockTimeout < kStuckHolderMemory;
    FileLock lock(true, holderStuck ? kPatienceWithAStuckHolder : kLockPatience);
    if (!lock.Held()) {
        if (lock.Error() == EWOULDBLOCK) {
            lastLockTimeout = now;
            Report("settings cannot be saved: another process holds " + Folder() +
                   "/registry.lock and has not let go of it within 2 s");
            return ERROR_LOCK_VIOLATION;
        }
        Report("settings cannot be saved in " + Folder() + ": " + strerror(lock.Error()));
        return ErrorFromErrno(lock.Error(), ERROR_CANTWRITE);
    }
    lastLockTimeout = std::chrono::steady_clock::time_point();
    LONG error = LoadForChange();
    if (error != ERROR_SUCCESS) return error;
    bool changed = false;
    LONG result = change(snapshot.hive, &changed);
    if (result != ERROR_SUCCESS || !changed) {
        // A refused change may have left part of itself behind.
        if (result != ERROR_SUCCESS) snapshot.valid = false;
        return result;
    }
    std::string text = snapshot.hive.Format();
    error = Save(text);
    if (error != ERROR_SUCCESS) {
        Report("settings cannot be saved in " + FilePath() + ": " + strerror(errno));
        snapshot.valid = false;
        return error;
    }
    snapshot.text = std::move(text);
    return result;
}

}  // namespace registry_store
